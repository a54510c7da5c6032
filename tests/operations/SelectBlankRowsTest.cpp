#include "operations/Operations.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

namespace {

using testsupport::SpreadsheetWorld;
using Message = testsupport::FakeDesktop::Message;

// The user's spreadsheet runs with one workbook; the program reaches it through a host whose calls can fail.
SpreadsheetWorld::Options linked(testsupport::Application application)
{
    return {.faults = true, .application = application};
}

const Message kFailure{"请检查输入的数据,在输入的行号区间内可能不存在空行!", "提示", 64};

Message done(int n)
{
    return {"数据处理完成,共选择空行 " + std::to_string(n) + " 个!", "提示", 64};
}

class SelectBlankRowsTest : public testing::TestWithParam<testsupport::Application> {
protected:
    void run(std::string_view start, std::string_view end)
    {
        operations::selectBlankRows(w.module, w.desktop, start, end);
    }
    std::string selection() const { return w.selection(); }
    SpreadsheetWorld w{linked(GetParam())};
};

TEST_P(SelectBlankRowsTest, SelectsTheBlankRowsAsWholeRowsWithoutChangingACell)
{
    w.set(2, 5, "b");
    w.set(5, 21, "far right");
    w.set(6, 1, 0.0);
    const auto before = w.cells();

    run("2", "6");

    EXPECT_EQ(w.desktop.messages, std::vector<Message>{done(3)});
    EXPECT_EQ(selection(), "$3:$3,$4:$4,$5:$5");
    EXPECT_EQ(w.cells(), before);
    EXPECT_EQ(w.calls("Union(").size(), 2u);
    EXPECT_EQ(w.calls("Select(").size(), 1u);
    EXPECT_EQ(w.desktop.activations, (std::vector<std::string>{w.caption(), w.caption()}));
}

TEST_P(SelectBlankRowsTest, SelectsOneTwoOrScatteredRows)
{
    for (int r = 1; r <= 12; ++r)
        if (r != 3 && r != 7 && r != 12)
            w.set(r, 1 + r % 20, r);

    run("3", "3");
    EXPECT_EQ(selection(), "$3:$3");
    EXPECT_EQ(w.calls("Union(").size(), 1u); // a single row is united with itself
    run("1", "7");
    EXPECT_EQ(selection(), "$3:$3,$7:$7");
    run("1", "12");
    EXPECT_EQ(selection(), "$3:$3,$7:$7,$12:$12");
    EXPECT_EQ(w.desktop.messages, (std::vector<Message>{done(1), done(2), done(3)}));
}

TEST_P(SelectBlankRowsTest, RoundsTheBoxesToTheNearestRowHalvesToEven)
{
    for (int r = 1; r <= 5; ++r)
        w.set(r, 1, r);
    w.set(2, 1, automation::Value());
    w.set(3, 1, automation::Value());
    run(" 2.5 ", "2.5"); // row 2
    EXPECT_EQ(selection(), "$2:$2");
    run("2.6", "3.4"); // row 3
    EXPECT_EQ(selection(), "$3:$3");
    run("1 . 5", "3.5"); // rows 2 to 4
    EXPECT_EQ(selection(), "$2:$2,$3:$3");
}

TEST_P(SelectBlankRowsTest, NamesRowsBeyondSixteenBits)
{
    w.set(40000, 1, "x");
    w.set(40002, 1, "x");
    run("40000", "40002");
    EXPECT_EQ(selection(), "$40001:$40001");
}

TEST_P(SelectBlankRowsTest, BadRangesShowTheFailureAndKeepTheSelection)
{
    w.set(1, 1, 1.0);
    w.set(4, 3, automation::ErrorValue{2042});
    const auto before = w.cells();
    const std::pair<const char*, const char*> ranges[] = {
        {"7", "6"},             // end before start: nothing scanned
        {"1", "1"},             // no blank row
        {"0", "3"},             // row 0 names no row
        {"-5", "-1"},           // nor do negative rows
        {"3", "5"},             // a cell holding #N/A cannot be compared
        {"1048576", "1048577"}, // beyond the sheet
        {"1", "1e999"},         // no row number at all
        {"", ""},
    };
    for (auto [start, end] : ranges) {
        w.desktop.messages.clear();
        run(start, end);
        EXPECT_EQ(w.desktop.messages, std::vector<Message>{kFailure}) << start << " " << end;
        EXPECT_EQ(selection(), "$A$1") << start << " " << end;
    }
    EXPECT_EQ(w.cells(), before);
}

TEST_P(SelectBlankRowsTest, AFailedSelectOrActivationIsReported)
{
    w.plan->failing = {"Select"};
    run("1", "2");
    EXPECT_EQ(w.desktop.messages, std::vector<Message>{kFailure});
    EXPECT_EQ(selection(), "$A$1");

    w.desktop.messages.clear();
    w.plan->failing = {"Caption"};
    run("1", "2");
    EXPECT_EQ(w.desktop.messages, (std::vector<Message>{done(2), kFailure}));
    EXPECT_EQ(selection(), "$1:$1,$2:$2");
}

// Each automation call of one click fails in turn: a message is shown, no cell changes, and the selection is either
// what it was or all of the blank rows.
class SelectBlankRowsFaults : public testing::TestWithParam<testsupport::Application> {};

TEST_P(SelectBlankRowsFaults, EveryFailingCallIsReportedAndChangesNoCell)
{
    auto fill = [](const SpreadsheetWorld& w) {
        w.set(1, 1, 1.0);
        w.set(3, 20, 3.0);
    };
    int total = 0;
    {
        SpreadsheetWorld dry{linked(GetParam())};
        fill(dry);
        operations::selectBlankRows(dry.module, dry.desktop, "1", "5");
        total = dry.plan->calls;
    }
    for (int failAt = 1; failAt <= total; ++failAt) {
        SpreadsheetWorld w{linked(GetParam())};
        w.plan->failAt = failAt;
        fill(w);
        const auto before = w.cells();

        ASSERT_NO_THROW(operations::selectBlankRows(w.module, w.desktop, "1", "5"));

        EXPECT_FALSE(w.desktop.messages.empty()) << failAt;
        EXPECT_EQ(w.cells(), before) << failAt;
        const std::string selected = w.selection();
        EXPECT_TRUE(selected == "$A$1" || selected == "$2:$2,$4:$4,$5:$5") << failAt << ": " << selected;
    }
}

INSTANTIATE_TEST_SUITE_P(Applications, SelectBlankRowsTest, testing::ValuesIn(testsupport::applicationsUnderTest()),
                         [](const auto& test) { return std::string(testsupport::nameOf(test.param)); });

INSTANTIATE_TEST_SUITE_P(Applications, SelectBlankRowsFaults, testing::ValuesIn(testsupport::applicationsUnderTest()),
                         [](const auto& test) { return std::string(testsupport::nameOf(test.param)); });

} // namespace
