#include "operations/Operations.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

namespace {

using testsupport::SpreadsheetWorld;
using Message = testsupport::FakeDesktop::Message;

// The user's spreadsheet runs with one workbook; the program reaches it through a host whose calls can fail.

class InsertBlankColumnsTest : public testing::TestWithParam<testsupport::Application> {
protected:
    InsertBlankColumnsTest()
    {
        for (int c = 1; c <= 12; ++c)
            w.set(1, c, c);
    }
    void run(std::string start, std::string end, std::string interval, std::string count)
    {
        operations::insertBlankColumns(w.module, w.desktop, {start, end, interval, count});
    }
    std::vector<std::string> row1(int columns) const
    {
        std::vector<std::string> out;
        for (int c = 1; c <= columns; ++c)
            out.push_back(w.text(1, c));
        return out;
    }
    SpreadsheetWorld w{{.faults = true, .application = GetParam()}};
};

TEST_P(InsertBlankColumnsTest, InsertsNBlankColumnsAfterEveryKColumns)
{
    run("1", "10", "3", "2");

    EXPECT_EQ(row1(18), (std::vector<std::string>{"1", "2", "3", "", "", "4", "5", "6", "", "", "7", "8", "9", "", "",
                                                  "10", "11", "12"}));
    EXPECT_EQ(w.calls("Columns("), (std::vector<std::string>{"Columns(4)", "Columns(4)", "Columns(9)", "Columns(9)",
                                                             "Columns(14)", "Columns(14)"}));
    EXPECT_EQ(w.calls("Insert(Shift:=-4161)").size(), 6u);
    EXPECT_EQ(w.desktop.messages, (std::vector<Message>{{"数据处理完成,谢谢使用!", "提示", 64}}));
    EXPECT_EQ(w.desktop.foreground, "Tessavo");
}

TEST_P(InsertBlankColumnsTest, AColumnLetterReadsZero)
{
    run("C", "10", "3", "1");
    EXPECT_EQ(w.calls("Columns("), (std::vector<std::string>{"Columns(3)", "Columns(7)", "Columns(11)"}));
    EXPECT_EQ(row1(15),
              (std::vector<std::string>{"1", "2", "", "3", "4", "5", "", "6", "7", "8", "", "9", "10", "11", "12"}));
}

TEST_P(InsertBlankColumnsTest, ChecksTheInputLikeTheRowInsertion)
{
    const Message ratio{"重新调整总行数和间隔行数！", "错误", 64};
    const Message input{"检查数据输入！", "错误", 64};
    const struct {
        const char *start, *end, *interval, *count;
        Message message;
    } cases[] = {
        {"5", "7", "3", "1", ratio},      {"4", "", "2", "1", ratio},  {"1", "10", "0", "1", ratio},
        {"", "10", "3", "1", input},      {"1", "10", "3", "", input}, {"1", "16385", "1", "2", input},
        {"1", "10", "3", "1e400", input},
    };
    for (const auto& c : cases) {
        w.desktop.messages.clear();
        w.plan->log.clear();
        run(c.start, c.end, c.interval, c.count);
        EXPECT_EQ(w.desktop.messages, std::vector<Message>{c.message}) << c.start << " " << c.end;
        EXPECT_TRUE(w.plan->log.empty());
    }
    EXPECT_EQ(row1(12).back(), "12");
}

TEST_P(InsertBlankColumnsTest, ARefusedInsertionKeepsTheLastColumnAndReportsWhy)
{
    w.set(2, 16380, "edge");
    run("1", "10", "3", "2");
    ASSERT_EQ(w.desktop.messages.size(), 1u);
    EXPECT_NE(w.desktop.messages[0].text.find("已插入 4 列"), std::string::npos) << w.desktop.messages[0].text;
    EXPECT_EQ(w.text(2, 16384), "edge");
}

INSTANTIATE_TEST_SUITE_P(Applications, InsertBlankColumnsTest, testing::ValuesIn(testsupport::applicationsUnderTest()),
                         [](const auto& test) { return std::string(testsupport::nameOf(test.param)); });

} // namespace
