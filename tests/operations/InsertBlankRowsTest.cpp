#include "operations/Operations.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using automation::Value;
using testsupport::SpreadsheetWorld;
using Message = testsupport::FakeDesktop::Message;

const Message kRatio{"重新调整总行数和间隔行数！", "错误", 64};
const Message kInput{"检查数据输入！", "错误", 64};
const Message kDone{"数据处理完成,谢谢使用!", "提示", 64};

// The last row holding anything.
int lastRow(const SpreadsheetWorld& w)
{
    const auto cells = w.cells();
    return cells.empty() ? 0 : std::stoi(cells.back());
}

// Rows 1 to 12 numbered in column 1.
void numberRows(const SpreadsheetWorld& w)
{
    for (int r = 1; r <= 12; ++r)
        w.set(r, 1, r);
}

class InsertBlankRowsTest : public testing::TestWithParam<testsupport::Application> {
protected:
    InsertBlankRowsTest() { numberRows(w); }

    std::vector<std::string> column1(int rows) const
    {
        std::vector<std::string> out;
        for (int r = 1; r <= rows; ++r)
            out.push_back(w.text(r, 1));
        return out;
    }
    std::vector<std::string> rowsRequested() const { return w.calls("Rows("); }
    void run(std::string start, std::string end, std::string interval, std::string count)
    {
        operations::insertBlankRows(w.module, w.desktop, {start, end, interval, count});
    }

    // The user's spreadsheet is open; the program reaches it through a host whose calls can fail.
    SpreadsheetWorld w{{.faults = true, .application = GetParam()}};
};

TEST_P(InsertBlankRowsTest, InsertsNBlankRowsAfterEveryKRows)
{
    run("1", "10", "3", "2");

    EXPECT_EQ(column1(18), (std::vector<std::string>{"1", "2", "3", "", "", "4", "5", "6", "", "", "7", "8", "9", "",
                                                     "", "10", "11", "12"}));
    EXPECT_EQ(rowsRequested(),
              (std::vector<std::string>{"Rows(4)", "Rows(4)", "Rows(9)", "Rows(9)", "Rows(14)", "Rows(14)"}));
    EXPECT_EQ(std::count(w.plan->trace.begin(), w.plan->trace.end(), "Insert(Shift:=-4121)"), 6);
    EXPECT_EQ(w.desktop.messages, std::vector<Message>{kDone});
    // The spreadsheet came to the front on connecting; the main window comes back last.
    EXPECT_EQ(w.desktop.activations, (std::vector<std::string>{w.caption(), "Tessavo"}));
    EXPECT_EQ(w.desktop.foreground, "Tessavo");
}

TEST_P(InsertBlankRowsTest, FullWidthDigitsReadAsTheNumbersTyped)
{
    // As a Chinese input method types them in full-width mode, with an ideographic space.
    run("１", "１０", "３　", "２");
    EXPECT_EQ(rowsRequested(),
              (std::vector<std::string>{"Rows(4)", "Rows(4)", "Rows(9)", "Rows(9)", "Rows(14)", "Rows(14)"}));
    EXPECT_EQ(w.desktop.messages, std::vector<Message>{kDone});
}

TEST_P(InsertBlankRowsTest, OnlyWholeIntervalsBeforeTheEndRowGetBlankRows)
{
    run("1", "9", "3", "2");
    EXPECT_EQ(column1(16), (std::vector<std::string>{"1", "2", "3", "", "", "4", "5", "6", "", "", "7", "8", "9", "10",
                                                     "11", "12"}));
}

TEST_P(InsertBlankRowsTest, PassesFractionalAndDescendingPositionsAsTheyAre)
{
    run("1", "10", "2.5", "1");
    EXPECT_EQ(rowsRequested(), (std::vector<std::string>{"Rows(3.5)", "Rows(7)", "Rows(10.5)"}));

    w.plan->trace.clear();
    run("1", "10", "3", "2.5"); // two insertions a point, the positions use 2.5
    EXPECT_EQ(rowsRequested(),
              (std::vector<std::string>{"Rows(4)", "Rows(4)", "Rows(9.5)", "Rows(9.5)", "Rows(15)", "Rows(15)"}));

    w.plan->trace.clear();
    run("10", "1", "-3", "1");
    EXPECT_EQ(rowsRequested(), (std::vector<std::string>{"Rows(7)", "Rows(5)", "Rows(3)"}));
}

TEST_P(InsertBlankRowsTest, RefusedInputShowsOneMessageAndNeverConnects)
{
    struct Case {
        const char *start, *end, *interval, *count;
        Message message;
    } cases[] = {
        {"5", "7", "3", "1", kRatio},          // shorter than one interval
        {"10", "1", "3", "1", kRatio},         // end before start
        {"4", "", "2", "1", kRatio},           // empty end box: the ratio, not the blank message
        {"1", "10", "0", "1", kRatio},         // zero interval
        {"1", "10", "", "1", kRatio},          // blank interval reads 0
        {"1", "10", "abc", "1", kRatio},       // non-numeric interval reads 0
        {"0", "0", "0", "1", kRatio},          // no ratio at all
        {"-1e308", "1e308", "1", "1", kRatio}, // a span too wide for a double
        {"", "10", "3", "1", kInput},          // blank start box
        {"1", "10", "3", "  ", kInput},        // blank count box
        {"1", "1e999", "3", "1", kInput},      // beyond a double
        {"1", "10", "3", "-1e400", kInput},    {"1", "1048577", "1", "2", kInput}, // more rows than the sheet has
        {"1", "1e15", "1", "1", kInput},
    };
    for (const Case& c : cases) {
        w.desktop.messages.clear();
        w.plan->log.clear();
        run(c.start, c.end, c.interval, c.count);
        EXPECT_EQ(w.desktop.messages, std::vector<Message>{c.message})
            << c.start << " | " << c.end << " | " << c.interval << " | " << c.count;
        EXPECT_TRUE(w.plan->log.empty()) << "connected for " << c.start << " | " << c.end;
    }
    EXPECT_EQ(column1(12).back(), "12");
    EXPECT_EQ(lastRow(w), 12);
}

TEST_P(InsertBlankRowsTest, AStartBoxOfLettersReadsZeroAndIsNotBlank)
{
    run("abc", "10", "3", "1");
    EXPECT_EQ(rowsRequested(), (std::vector<std::string>{"Rows(3)", "Rows(7)", "Rows(11)"}));
    EXPECT_EQ(w.desktop.messages, std::vector<Message>{kDone});
}

TEST_P(InsertBlankRowsTest, ACountBelowOneConnectsInsertsNothingAndStillCompletes)
{
    for (const char* count : {"0", "0.5", "-3", "abc"}) {
        w.desktop.messages.clear();
        w.desktop.activations.clear();
        run("1", "1e9", "1", count); // a huge range costs nothing when nothing is inserted
        EXPECT_EQ(w.desktop.messages, std::vector<Message>{kDone}) << count;
        EXPECT_EQ(w.desktop.activations, (std::vector<std::string>{w.caption(), "Tessavo"}));
    }
    EXPECT_TRUE(rowsRequested().empty());
    EXPECT_EQ(lastRow(w), 12);
}

TEST_P(InsertBlankRowsTest, ARefusedInsertionEndsTheClickWithItsReasonAndKeepsTheRowsInserted)
{
    w.set(1048570, 1, "keep me");

    run("1", "10", "3", "4"); // the seventh insertion would push "keep me" off the sheet

    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_EQ(w.desktop.messages[0].title, "提示");
    EXPECT_EQ(w.desktop.messages[0].style, 64);
    EXPECT_NE(w.desktop.messages[0].text.find("已插入 6 行"), std::string::npos) << w.desktop.messages[0].text;
    EXPECT_NE(w.desktop.messages[0].text.find("非空单元格"), std::string::npos) << w.desktop.messages[0].text;
    EXPECT_EQ(w.activeSheet().cell(1048576, 1), Value("keep me"));
    EXPECT_EQ(column1(5), (std::vector<std::string>{"1", "2", "3", "", ""}));
    // No completion, and the main window is not brought back over the message.
    EXPECT_EQ(w.desktop.activations, std::vector<std::string>{w.caption()});
}

TEST_P(InsertBlankRowsTest, PositionsOutsideTheSheetAreReportedNotInserted)
{
    run("-10", "10", "5", "1"); // the first position is row -5
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_NE(w.desktop.messages[0].text.find("超出工作表范围"), std::string::npos) << w.desktop.messages[0].text;
    EXPECT_EQ(lastRow(w), 12);
}

TEST_P(InsertBlankRowsTest, WithoutASpreadsheetBothFailuresAreShownAndTheProgramGoesOn)
{
    w.closeApplication();
    w.plan->failing = {"CreateObject"};
    w.plan->error = automation::errors::cannotCreateObject();

    run("1", "10", "3", "1");

    ASSERT_EQ(w.desktop.messages.size(), 2u);
    EXPECT_EQ(w.desktop.messages[0], (Message{"ActiveX 部件不能创建对象", "Tessavo", 0}));
    EXPECT_NE(w.desktop.messages[1].text.find("对象变量或 With 块变量未设置"), std::string::npos);
}

// Each automation call of one click fails in turn: a message is shown each time, the program goes on, and the
// sheet holds the user's rows in their order with only blank rows added.
TEST_P(InsertBlankRowsTest, EveryFailingCallIsReportedAndLosesNothing)
{
    run("1", "10", "3", "2");
    const int total = w.plan->calls;
    ASSERT_GT(total, 10);
    for (int failAt = 1; failAt <= total; ++failAt) {
        SpreadsheetWorld fresh{{.faults = true, .application = GetParam()}};
        numberRows(fresh);
        fresh.plan->failAt = failAt;
        objectmodel::SheetDocument& sheet = fresh.activeSheet();

        ASSERT_NO_THROW(operations::insertBlankRows(fresh.module, fresh.desktop, {"1", "10", "3", "2"}));

        ASSERT_FALSE(fresh.desktop.messages.empty()) << failAt;
        std::vector<double> values;
        for (int r = 1; r <= 30; ++r)
            if (const automation::Value v = sheet.cell(r, 1); v.ifDouble())
                values.push_back(*v.ifDouble());
        EXPECT_EQ(values, (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})) << failAt;
        EXPECT_EQ(fresh.cells().size(), 12u);
    }
}

INSTANTIATE_TEST_SUITE_P(Applications, InsertBlankRowsTest, testing::ValuesIn(testsupport::applicationsUnderTest()),
                         [](const auto& test) { return std::string(testsupport::nameOf(test.param)); });

} // namespace
