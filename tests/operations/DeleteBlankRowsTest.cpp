#include "operations/Operations.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using automation::Value;
using testsupport::SpreadsheetWorld;
using Message = testsupport::FakeDesktop::Message;

// The user's spreadsheet runs with one workbook; the program reaches it through a host whose calls can fail.
SpreadsheetWorld::Options linked(testsupport::Application application)
{
    return {.faults = true, .application = application};
}

const Message kFailure{"请检查输入的数据", "提示", 64};

Message done(int n)
{
    return {"数据处理完成,共删除空行 " + std::to_string(n) + " 个!", "提示", 64};
}

// Row 2 has a value in column 5, rows 3 and 4 are empty, row 5 has a value only in column 21, row 6 in column 1,
// rows 7 to 9 in column 3.
void fillExample(const SpreadsheetWorld& w)
{
    w.set(2, 5, "b");
    w.set(5, 21, "far right");
    w.set(6, 1, "f");
    for (int r = 7; r <= 9; ++r)
        w.set(r, 3, r);
}

// The contents of the non-blank rows, in order, whatever their row numbers.
std::vector<std::string> rowContents(const SpreadsheetWorld& w)
{
    std::vector<std::string> out;
    std::string lastRow;
    for (const std::string& cell : w.cells()) { // "row,column=text"
        const auto comma = cell.find(',');
        if (cell.compare(0, comma, lastRow) != 0)
            out.emplace_back();
        lastRow = cell.substr(0, comma);
        out.back() += cell.substr(comma + 1) + ";";
    }
    return out;
}

class DeleteBlankRowsTest : public testing::TestWithParam<testsupport::Application> {
protected:
    void run(std::string_view start, std::string_view end)
    {
        operations::deleteBlankRows(w.module, w.desktop, start, end);
    }
    SpreadsheetWorld w{linked(GetParam())};
};

TEST_P(DeleteBlankRowsTest, DeletesTheBlankRowsOfTheRangeAndCountsThem)
{
    fillExample(w);

    run("2", "6");

    EXPECT_EQ(w.desktop.messages, std::vector<Message>{done(3)});
    // Rows 3 to 5 are gone, the value in column 21 with its row; the former rows 6 to 9 stand at 3 to 6.
    EXPECT_EQ(w.cells(), (std::vector<std::string>{"2,5=b", "3,1=f", "4,3=7", "5,3=8", "6,3=9"}));
    EXPECT_EQ(w.calls("Rows("), (std::vector<std::string>{"Rows(5)", "Rows(4)", "Rows(3)"}));
    EXPECT_EQ(w.calls("Cells(").size(), 5u * 20u);
    // The spreadsheet comes to the front on connecting and again at the end.
    EXPECT_EQ(w.desktop.activations, (std::vector<std::string>{w.caption(), w.caption()}));
}

TEST_P(DeleteBlankRowsTest, KeepsRowsWithAnyValueInTheFirstTwentyColumns)
{
    w.set(1, 1, " ");
    w.set(2, 20, 0.0);
    w.set(3, 7, false);
    w.set(4, 2, automation::Date{1});
    w.set(5, 1, "x");

    run("1", "5");

    EXPECT_EQ(w.desktop.messages, std::vector<Message>{done(0)});
    EXPECT_EQ(w.cells().size(), 5u);
}

TEST_P(DeleteBlankRowsTest, DeletesConsecutiveBlankRowsAndASingleRowRange)
{
    w.set(1, 1, 1.0);
    w.set(5, 1, 5.0);
    run("1", "5");
    EXPECT_EQ(w.cells(), (std::vector<std::string>{"1,1=1", "2,1=5"}));

    w.desktop.messages.clear();
    w.plan->trace.clear();
    run("3", "3");
    EXPECT_EQ(w.desktop.messages, std::vector<Message>{done(1)});
    EXPECT_EQ(w.calls("Cells(").size(), 20u);
    EXPECT_EQ(w.calls("Cells(3,").size(), 20u);
}

TEST_P(DeleteBlankRowsTest, NeverDeletesARowThatWasNotBlankWhateverItsFirstColumnHolds)
{
    w.set(2, 1, "待删除");
    w.set(2, 4, "the user's own text");
    w.set(4, 1, "待删除"); // a row that is not blank, inside the range
    // Below the range: rows that the shifting of earlier deletions would bring into reach.
    w.set(8, 1, "待删除");
    w.set(9, 1, "待删除");

    run("1", "6");

    EXPECT_EQ(w.desktop.messages, std::vector<Message>{done(4)});
    EXPECT_EQ(rowContents(w),
              (std::vector<std::string>{"1=待删除;4=the user's own text;", "1=待删除;", "1=待删除;", "1=待删除;"}));
}

TEST_P(DeleteBlankRowsTest, RefusedRangesShowTheFailureAfterConnectingAndChangeNothing)
{
    fillExample(w);
    const auto before = w.cells();
    const std::pair<const char*, const char*> ranges[] = {{"", ""},   {"5", "4"},     {"0.5", "3"},    {"-1", "3"},
                                                          {"2", "0"}, {"1e999", "3"}, {"1", "-1e999"}, {"abc", "3"}};
    for (auto [start, end] : ranges) {
        w.desktop.messages.clear();
        w.plan->log.clear();
        run(start, end);
        EXPECT_EQ(w.desktop.messages, std::vector<Message>{kFailure}) << start << " " << end;
        EXPECT_EQ(w.plan->log.front(), "GetObject") << "the spreadsheet is connected first";
    }
    EXPECT_EQ(w.cells(), before);
}

TEST_P(DeleteBlankRowsTest, RoundsTheBoxesDown)
{
    fillExample(w);
    run("2.9", "3.9"); // rows 2 and 3
    EXPECT_EQ(w.desktop.messages, std::vector<Message>{done(1)});
    EXPECT_EQ(w.calls("Cells(2,1)").size(), 1u);
    EXPECT_TRUE(w.calls("Cells(4,").empty());
}

TEST_P(DeleteBlankRowsTest, AFailureLeavesNoMarkAndDeletesNothing)
{
    // An error value in column 20 of a non-blank row, below two blank rows.
    w.set(1, 1, 1.0);
    w.set(4, 1, 4.0);
    w.set(4, 20, automation::ErrorValue{2007});
    const auto before = w.cells();
    run("1", "5");
    EXPECT_EQ(w.desktop.messages, std::vector<Message>{kFailure});
    EXPECT_EQ(w.cells(), before);

    // An end row beyond the sheet: the rows before it are scanned, then the sheet refuses.
    w.desktop.messages.clear();
    w.set(1048575, 1, "x");
    run("1048570", "1048600");
    EXPECT_EQ(w.desktop.messages, std::vector<Message>{kFailure});
    EXPECT_EQ(w.text(1048575, 1), "x");
    EXPECT_EQ(w.cells().size(), before.size() + 1);
}

TEST_P(DeleteBlankRowsTest, AFailingFinalActivationIsReportedAfterTheCount)
{
    w.plan->failing = {"Caption"};
    run("1", "3");
    EXPECT_EQ(w.desktop.messages, (std::vector<Message>{done(3), kFailure}));
}

TEST_P(DeleteBlankRowsTest, WithoutASpreadsheetTheFailureIsShown)
{
    w.closeApplication();
    w.plan->failing = {"CreateObject"};
    run("1", "3");
    ASSERT_EQ(w.desktop.messages.size(), 2u);
    EXPECT_EQ(w.desktop.messages[1], kFailure);
}

// Each automation call of one click fails in turn: a message is shown, and only blank rows of the range have gone.
class DeleteBlankRowsFaults : public testing::TestWithParam<testsupport::Application> {};

TEST_P(DeleteBlankRowsFaults, EveryFailingCallIsReportedAndOnlyBlankRowsAreDeleted)
{
    int total = 0;
    {
        SpreadsheetWorld dry{linked(GetParam())};
        fillExample(dry);
        operations::deleteBlankRows(dry.module, dry.desktop, "2", "6");
        total = dry.plan->calls;
    }
    for (int failAt = 1; failAt <= total; ++failAt) {
        SpreadsheetWorld w{linked(GetParam())};
        w.plan->failAt = failAt;
        fillExample(w);
        const auto before = rowContents(w);

        ASSERT_NO_THROW(operations::deleteBlankRows(w.module, w.desktop, "2", "6"));

        EXPECT_FALSE(w.desktop.messages.empty()) << failAt;
        // Row 5, whose only value lies beyond column 20, counts as blank and may have gone with its value.
        auto withoutRow5 = before;
        std::erase(withoutRow5, "21=far right;");
        const auto after = rowContents(w);
        EXPECT_TRUE(after == before || after == withoutRow5) << failAt;
        const auto all = w.cells();
        EXPECT_TRUE(std::none_of(all.begin(), all.end(), [](const std::string& c) { return c.ends_with("待删除"); }));
    }
}

INSTANTIATE_TEST_SUITE_P(Applications, DeleteBlankRowsTest, testing::ValuesIn(testsupport::applicationsUnderTest()),
                         [](const auto& test) { return std::string(testsupport::nameOf(test.param)); });

INSTANTIATE_TEST_SUITE_P(Applications, DeleteBlankRowsFaults, testing::ValuesIn(testsupport::applicationsUnderTest()),
                         [](const auto& test) { return std::string(testsupport::nameOf(test.param)); });

} // namespace
