#include "sheet/files/Csv.h"
#include "sheet/files/CellText.h"
#include "sheet/files/FileError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace {

using sheet::CellKind;
using sheet::CellView;
using sheet::Grid;

std::string textAt(const Grid& g, int r, int c)
{
    const CellView v = g.cell(r, c);
    return v.kind == CellKind::Text ? std::string(v.text) : std::string();
}

using Rows = std::vector<std::vector<std::string>>;

// The cells as they would be written: texts as they are, numbers in their shortest form.
Rows rowsOf(const Grid& g)
{
    Rows rows(static_cast<std::size_t>(g.lastRow()));
    g.forEachCell([&](int r, int c, const CellView& v) {
        auto& row = rows[static_cast<std::size_t>(r - 1)];
        row.resize(static_cast<std::size_t>(c));
        row.back() = v.kind == CellKind::Text ? std::string(v.text) : sheet::formatNumber(v.number);
    });
    return rows;
}

std::string failureOf(std::string_view bytes, sheet::TextEncoding e = sheet::TextEncoding::Auto)
{
    try {
        sheet::readCsv(bytes, "bad.csv", e);
    } catch (const sheet::FileError& error) {
        return error.what();
    }
    return {};
}

TEST(CsvReading, FollowsTheQuotingRules)
{
    const auto book = sheet::readCsv("a,\"b,c\",\"say \"\"hi\"\"\"\r\n\"two\nlines\",,3\n 12 ,-3.5,1e3\r\n", "t.csv");
    ASSERT_EQ(book.sheets.size(), 1u);
    const Grid& g = book.sheets[0].grid;
    EXPECT_EQ(book.sheets[0].name, "t");
    EXPECT_EQ(textAt(g, 1, 1), "a");
    EXPECT_EQ(textAt(g, 1, 2), "b,c");
    EXPECT_EQ(textAt(g, 1, 3), "say \"hi\"");
    EXPECT_EQ(textAt(g, 2, 1), "two\nlines");
    EXPECT_TRUE(g.cell(2, 2).isEmpty());
    EXPECT_EQ(g.cell(2, 3), CellView::makeNumber(3));
    EXPECT_EQ(g.cell(3, 1), CellView::makeNumber(12));
    EXPECT_EQ(g.cell(3, 2), CellView::makeNumber(-3.5));
    EXPECT_EQ(g.cell(3, 3), CellView::makeNumber(1000));
    EXPECT_EQ(g.lastRow(), 3);
    EXPECT_FALSE(book.losses.any());

    // The sheet is named after the file, as a sheet may be named: no brackets, at most 31 characters, whole ones.
    EXPECT_EQ(sheet::readCsv("1", "/data/报表[一月].csv").sheets[0].name, "报表_一月_");
    const std::string longName =
        sheet::readCsv("1", "二〇二六年十二月各部门销售情况汇总表第一版修订稿终稿最终版本副本.csv").sheets[0].name;
    EXPECT_EQ(longName, "二〇二六年十二月各部门销售情况汇总表第一版修订稿终稿最终版本副");
}

TEST(CsvReading, AQuoteOpensAQuotedFieldOnlyAtTheStartOfAField)
{
    struct Case {
        std::string_view csv;
        Rows rows;
    };
    const Case cases[] = {
        // Inch marks and seconds of arc are ordinary characters: no row swallows the next, no file is refused.
        {"1,12\" pipe,5\r\n2,3/4\" valve,7\r\n", {{"1", "12\" pipe", "5"}, {"2", "3/4\" valve", "7"}}},
        {"37°36'37.8\"N,122°22'30\"W\n", {{"37°36'37.8\"N", "122°22'30\"W"}}},
        {"a\"b\n", {{"a\"b"}}},
        {"x,a\"\"b\n", {{"x", "a\"\"b"}}},
        // Quotes inside a quoted field that close nothing are kept, whoever forgot to double them.
        {"\"He said \"hi\" to me\",5\n", {{"He said \"hi\" to me", "5"}}},
        {"\"ab\"c\",\"d\"\n", {{"ab\"c", "d"}}},
        // Text after the closing quote: the field as written, quotes and all; blanks alone are kept after the text.
        {"\"ab\"c,d\n", {{"\"ab\"c", "d"}}},
        {"\"a\"\"b\"c,z\n", {{"\"a\"\"b\"c", "z"}}},
        {"\"ab\"  ,e\n", {{"ab  ", "e"}}},
        {"\"ab\" c,e\n", {{"\"ab\" c", "e"}}},
        {"\"ab\"c,d\"\n", {{"\"ab\"c", "d\""}}},
        // A doubtful field never takes the next line, even when a quote there would close it.
        {"\"ab\"c\nd\",e\n", {{"\"ab\"c"}, {"d\"", "e"}}},
        {"\"p\"q\r\nr\"s\",t\r\n", {{"\"p\"q"}, {"r\"s\"", "t"}}},
        // Blanks before an opening quote are dropped, as from a program that writes "a", "b".
        {" \"q,r\", \"s\"\n", {{"q,r", "s"}}},
        // Proper quoting still spans lines and separators.
        {"\"x\ny\",\"1,2\"\n", {{"x\ny", "1,2"}}},
        {"\"\"\"\",\"\"\n", {{"\""}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rowsOf(sheet::readCsv(c.csv, "t.csv").sheets[0].grid), c.rows) << c.csv;

    // A line of the file is still counted right after quoted line breaks.
    const std::string bad = "\"a\nb\",1\n\"c\n";
    EXPECT_NE(failureOf(bad).find("第 3 行"), std::string::npos) << failureOf(bad);
}

TEST(CsvReading, KeepsTextThatOnlyLooksNumeric)
{
    const auto book = sheet::readCsv("inf,nan,0x10,12abc,1.2.3,-,.\n", "t.csv");
    const Grid& g = book.sheets[0].grid;
    for (int c = 1; c <= 7; ++c)
        EXPECT_EQ(g.cell(1, c).kind, CellKind::Text) << c;
}

TEST(CsvReading, DetectsTheEncoding)
{
    // 中文 in UTF-8 with a BOM, in UTF-8 without one, and in GB18030.
    const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87";
    for (const std::string& bytes : {"\xEF\xBB\xBF" + utf8, utf8, std::string("\xD6\xD0\xCE\xC4")})
        EXPECT_EQ(textAt(sheet::readCsv(bytes, "t.csv").sheets[0].grid, 1, 1), utf8);
    // The user may insist on an encoding.
    EXPECT_EQ(textAt(sheet::readCsv("\xD6\xD0\xCE\xC4", "t.csv", sheet::TextEncoding::Gb18030).sheets[0].grid, 1, 1),
              utf8);
    EXPECT_NE(failureOf("\xD6\xD0\xCE\xC4", sheet::TextEncoding::Utf8).find("UTF-8"), std::string::npos);
}

TEST(CsvReading, RefusesBadFilesWithAMessageNamingThem)
{
    EXPECT_NE(failureOf("a,\"unclosed\n").find("bad.csv"), std::string::npos);
    EXPECT_NE(failureOf("a,\"unclosed\n").find("引号"), std::string::npos);
    EXPECT_NE(failureOf("\x81\x30").find("编码"), std::string::npos); // a truncated four-byte sequence
    EXPECT_NE(failureOf(std::string(16385, ',')).find("16384"), std::string::npos);
    std::string tall(1'048'577, '\n');
    tall += "x";
    EXPECT_NE(failureOf(tall).find("1048576"), std::string::npos);
}

// Opening a file and saving it again must not change a field nobody touched.
TEST(CsvRoundTrip, FieldsThatOnlyLookLikeNumbersStayAsWritten)
{
    const std::string fields = "00123,110101199003071234,-007,0.30000000000000004,1e3,+7,1.50,-0,0,0.5,"
                               "true,TRUE,FALSE,#N/A,#DIV/0!,2024-01-05,2024-01-05 13:45:10,2023-02-30,"
                               "2024-1-5,2024-01-05 00:00:00,12345678901234567890,+-5,1.23456789012345e-320,"
                               "1899-12-29,0999-01-01";
    const sheet::Book book = sheet::readCsv(fields + "\r\n", "t.csv");
    const Grid& g = book.sheets[0].grid;

    const auto kindAt = [&](int c) { return g.cell(1, c).kind; };
    for (int c : {1, 2, 3, 11, 18, 19, 20, 21, 22, 23, 24, 25})
        EXPECT_EQ(kindAt(c), CellKind::Text) << c;
    for (int c : {4, 5, 6, 7, 8, 9, 10})
        EXPECT_EQ(kindAt(c), CellKind::Number) << c;
    EXPECT_EQ(g.cell(1, 4), CellView::makeNumber(0.30000000000000004));
    EXPECT_EQ(g.cell(1, 12), CellView::makeBoolean(true));
    EXPECT_EQ(g.cell(1, 13), CellView::makeBoolean(false));
    EXPECT_EQ(g.cell(1, 14), CellView::makeError(2042));
    EXPECT_EQ(g.cell(1, 15), CellView::makeError(2007));
    EXPECT_EQ(kindAt(16), CellKind::Date);
    EXPECT_EQ(kindAt(17), CellKind::Date);

    // Saved again, the codes, IDs and dates are the same bytes; only numbers take their shortest form.
    const std::string saved = sheet::csvText(g);
    EXPECT_EQ(saved, "\xEF\xBB\xBF"
                     "00123,110101199003071234,-007,0.30000000000000004,1000,7,1.5,-0,0,0.5,true,TRUE,"
                     "FALSE,#N/A,#DIV/0!,2024-01-05,2024-01-05 13:45:10,2023-02-30,2024-1-5,2024-01-05 00:00:00,"
                     "12345678901234567890,+-5,1.23456789012345e-320,1899-12-29,0999-01-01\r\n");
}

TEST(CsvRoundTrip, KeepsNumbersTextsAndEmptyCellsAtTheEdges)
{
    Grid g;
    g.setCell(1, 2, CellView::makeText("中文, with \"quotes\""));
    g.setCell(1, 4, CellView::makeNumber(0.1));
    g.setCell(3, 1, CellView::makeNumber(-1e300));
    g.setCell(3, 3, CellView::makeText("line\r\nbreak"));
    g.setCell(4, 1, CellView::makeText(" padded "));
    g.setCell(6, 16384, CellView::makeNumber(123456789012345678.0));
    g.setCell(6, 1, CellView::makeBoolean(true));
    g.setCell(7, 1, CellView::makeDate(45000.5));
    g.setCell(8, 1, CellView::makeError(2042));
    g.setCell(9, 1, CellView::makeDate(1e7));   // year 29278
    g.setCell(9, 2, CellView::makeDate(-10.5)); // 1899

    const std::string text = sheet::csvText(g);
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    const Grid back = std::move(sheet::readCsv(text, "t.csv").sheets[0].grid);

    // Every kind of value comes back as itself; dates no text can carry, as their serial number.
    g.forEachCell([&](int r, int c, const CellView& v) {
        if (r != 9) {
            EXPECT_EQ(back.cell(r, c), v) << r << "," << c;
        }
    });
    EXPECT_EQ(back.cell(9, 1), CellView::makeNumber(1e7));
    EXPECT_EQ(back.cell(9, 2), CellView::makeNumber(-10.5));
    EXPECT_TRUE(back.cell(1, 1).isEmpty());
    EXPECT_TRUE(back.cell(2, 1).isEmpty());
    EXPECT_EQ(back.cellCount(), g.cellCount());
}

TEST(TabSeparatedText, IsReadAndWrittenAsCsvIsWithTabsBetweenFields)
{
    // Commas are ordinary characters; quoting is CSV's, for tabs, quotes and line breaks.
    const std::string text = "a,b\t\"x\ty\"\t12\" pipe\r\n\"two\nlines\"\t\t1,5\r\n";
    const sheet::Book book = sheet::readCsv(text, "t.tsv", sheet::TextEncoding::Auto, '\t');
    EXPECT_EQ(rowsOf(book.sheets[0].grid), (Rows{{"a,b", "x\ty", "12\" pipe"}, {"two\nlines", "", "1,5"}}));
    EXPECT_EQ(sheet::csvText(book.sheets[0].grid, '\t'), "\xEF\xBB\xBF"
                                                         "a,b\t\"x\ty\"\t\"12\"\" pipe\"\r\n\"two\nlines\"\t\t1,5\r\n");
}

// The serial of a day and a time of day, as a spreadsheet computes it.
double serial(double day, double seconds)
{
    return day + seconds / 86'400;
}

TEST(DateText, EachDateAndTimeIsWrittenAsTheTextThatReadsBackAsIt)
{
    struct Case {
        double serial;
        std::string_view text;
    };
    const Case cases[] = {
        {serial(0, 48'001), "13:20:01"}, // a time of day alone
        {serial(0, 48'001.5), "13:20:01.5"},
        {serial(0, 48'001.125), "13:20:01.125"},
        {serial(0, 0.000001), "00:00:00.000001"},
        {0, "00:00:00"}, // midnight, not 1899-12-30
        {0.5, "12:00:00"},
        {1, "1899-12-31"},
        {1.25, "1899-12-31 06:00:00"},
        {60, "1900-02-28"},
        {61, "1900-03-01"},
        {serial(45'296, 48'001), "2024-01-05 13:20:01"},
        {serial(45'296, 48'001.123), "2024-01-05 13:20:01.123"},
        {serial(45'296, 86'399.999), "2024-01-05 23:59:59.999"},
        {2'958'465, "9999-12-31"},
        {serial(2'958'465, 86'399), "9999-12-31 23:59:59"},
        // Beyond what a date text carries: no text.
        {-0.5, ""},
        {-1, ""},
        {2'958'466, ""},
        {NAN, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sheet::formatDate(c.serial), c.text) << c.serial;
        if (!c.text.empty()) {
            const auto back = sheet::valueOfField(c.text);
            ASSERT_TRUE(back && back->kind == CellKind::Date) << c.text;
            EXPECT_EQ(back->number, c.serial) << c.text; // bit-exact
        }
    }
}

TEST(DateText, SerialsComeBackBitExactOrToTheNanosecond)
{
    // From 1900-03-04 on, any bits at all; before, what a text of milliseconds reads as: day + ms / 86,400,000.
    std::mt19937_64 random(20240105);
    std::uniform_real_distribution<double> anyDay(64, 2'958'466);
    std::uniform_int_distribution<std::int64_t> anyMillisecond(0, 86'400'000 - 1);
    for (int i = 0; i < 2000; ++i) {
        const double millisecond = static_cast<double>(anyMillisecond(random));
        for (const double s : {anyDay(random), static_cast<double>(i % 64) + millisecond / 86'400'000}) {
            const std::string text = sheet::formatDate(s);
            const auto back = sheet::valueOfField(text);
            ASSERT_TRUE(back && back->kind == CellKind::Date) << text;
            ASSERT_EQ(back->number, s) << text;
        }
    }
    // Computed times with more bits than nine digits give back: within a nanosecond.
    for (const double s : {0.55556712962963, 1.0 / 3, 0.1, 1e-17, 63.123456789012345, 0.99999999999999989}) {
        const std::string text = sheet::formatDate(s);
        const auto back = sheet::valueOfField(text);
        ASSERT_TRUE(back && back->kind == CellKind::Date) << text;
        EXPECT_LE(std::fabs(back->number - s) * 86'400, 1e-9) << text;
    }
    EXPECT_EQ(sheet::formatDate(0.55556712962963), "13:20:01");
    EXPECT_EQ(sheet::formatDate(0.99999999999999989), "1899-12-31"); // the nearest nanosecond is midnight
}

TEST(DateText, OnlyTheFormsWrittenAreReadAsDates)
{
    // Anything else stays the text it is, so that saving the file again changes nothing.
    for (const std::string_view text :
         {"13:20:01.50", "13:20:01.", "13:20:1", "1:20:01", "24:00:00", "13:60:00", "13:20:60", "13:20:01.1234567891",
          "13:20", "1899-12-30", "1899-12-29", "2024-01-05 00:00:00", "2024-01-05 13:20:01.50", "2024-01-05T13:20:01",
          "2024-01-05 13:20", " 13:20:01", "13:20:01 "})
        EXPECT_FALSE(sheet::valueOfField(text)) << text;
    EXPECT_EQ(sheet::valueOfField("13:20:01.123456789")->kind, CellKind::Date);
}

TEST(CsvRoundTrip, TimesFractionsOfASecondAndTheFirstDaysStayDates)
{
    Grid g;
    const double serials[] = {serial(0, 48'001),     serial(0, 48'001.5), 0, 1, 1.75, 59.5,
                              serial(45'296, 0.001), 45'296.123456789};
    for (int i = 0; i < 8; ++i)
        g.setCell(1, i + 1, CellView::makeDate(serials[i]));
    const std::string text = sheet::csvText(g);
    EXPECT_EQ(text, "\xEF\xBB\xBF"
                    "13:20:01,13:20:01.5,00:00:00,1899-12-31,1899-12-31 18:00:00,1900-02-27 12:00:00,"
                    "2024-01-05 00:00:00.001,2024-01-05 02:57:46.6665695\r\n");
    const Grid back = std::move(sheet::readCsv(text, "t.csv").sheets[0].grid);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(back.cell(1, i + 1), CellView::makeDate(serials[i])) << i;
}

TEST(CsvFiles, ASaveThatFailsLeavesTheOldFileAlone)
{
    const auto dir = std::filesystem::temp_directory_path() / "tessavo-csv-test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "keep.csv").string();
    Grid g;
    g.setCell(1, 1, CellView::makeText("old"));
    sheet::writeCsvFile(path, g);
    EXPECT_EQ(textAt(sheet::readCsvFile(path).sheets[0].grid, 1, 1), "old");

    // A file this program may not write is refused, and left as it was.
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    g.setCell(1, 1, CellView::makeText("new"));
    EXPECT_THROW(sheet::writeCsvFile(path, g), sheet::ReadOnlyFile);
    EXPECT_EQ(textAt(sheet::readCsvFile(path).sheets[0].grid, 1, 1), "old");
    std::filesystem::remove_all(dir);

    EXPECT_THROW(sheet::readCsvFile((dir / "missing.csv").string()), sheet::FileError);
}

} // namespace
