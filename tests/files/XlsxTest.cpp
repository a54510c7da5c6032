#include "sheet/files/Xlsx.h"
#include "sheet/files/FileError.h"
#include "tests/files/XlsxFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using sheet::CellKind;
using sheet::CellView;
using sheet::Grid;

std::string failureOf(const std::string& bytes)
{
    try {
        sheet::readXlsx(bytes, "bad.xlsx");
    } catch (const sheet::FileError& e) {
        return e.what();
    }
    return "(no failure)";
}

class XlsxFiles : public testing::Test {
protected:
    XlsxFiles() { std::filesystem::create_directories(m_dir); }
    ~XlsxFiles() override { std::filesystem::remove_all(m_dir); }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    // One folder per run, so that builds tested side by side do not share it.
    std::filesystem::path m_dir =
        std::filesystem::temp_directory_path() / ("tessavo-xlsx-test-" + std::to_string(std::random_device()()));
};

TEST_F(XlsxFiles, RoundTripEveryValueKindOnSeveralSheets)
{
    sheet::BookSheet first{"第一页", Grid()};
    Grid& g = first.grid;
    g.setCell(1, 2, CellView::makeText("中文 text"));
    g.setCell(1, 4, CellView::makeNumber(0.1));
    g.setCell(2, 1, CellView::makeNumber(-1e300));
    g.setCell(2, 3, CellView::makeBoolean(true));
    g.setCell(2, 5, CellView::makeBoolean(false));
    g.setCell(3, 1, CellView::makeDate(45000));
    g.setCell(3, 2, CellView::makeDate(45000.75));
    // Early 1900, a time alone, and dates before 1900.
    const double edges[] = {2, 32.5, 60, 61, 0.25, 1, 1.5, -5};
    for (int i = 0; i < 8; ++i)
        g.setCell(6, i + 1, CellView::makeDate(edges[i]));
    g.setCell(4, 1, CellView::makeError(2042));
    g.setCell(4, 2, CellView::makeError(2007));
    g.setCell(5, 1, CellView::makeText(std::string(300, 'x')));
    g.setCell(1'048'576, 16'384, CellView::makeText("corner"));
    sheet::BookSheet second{"Sheet2", Grid()};
    second.grid.setCell(1, 1, CellView::makeNumber(42));

    sheet::writeXlsxFile(path("all.xlsx"), {first, second});
    const sheet::Book back = sheet::readXlsxFile(path("all.xlsx"));

    ASSERT_EQ(back.sheets.size(), 2u);
    EXPECT_EQ(back.sheets[0].name, "第一页");
    EXPECT_EQ(back.sheets[1].name, "Sheet2");
    const Grid& b = back.sheets[0].grid;
    g.forEachCell([&](int r, int c, const CellView& v) { EXPECT_EQ(b.cell(r, c), v) << r << "," << c; });
    EXPECT_EQ(b.cellCount(), g.cellCount());
    EXPECT_EQ(back.sheets[1].grid.cell(1, 1), CellView::makeNumber(42));
    // Our own error values and dates are nothing lost.
    EXPECT_FALSE(back.losses.any()) << back.losses.describe();
}

TEST_F(XlsxFiles, TextsComeBackExactlyWhateverCharactersTheyHold)
{
    const std::vector<std::string> texts = {"a & b <c> \"d\" 'e'",
                                            " leading",
                                            "trailing ",
                                            "\tboth\n",
                                            "line\r\nbreak\rand\nmore",
                                            "tab\tinside",
                                            std::string("nul\0and\x01\x1f", 10),
                                            "_x0041_ stays as typed",
                                            "_x0041\x01 and _x0041\xEF\xBF\xBE", // the next character escaped too
                                            "_x00",
                                            "U+FFFE \xEF\xBF\xBE, U+FFFF \xEF\xBF\xBF",
                                            "emoji \xF0\x9F\x98\x80 and 中文",
                                            "]]>"};
    sheet::BookSheet sheet{"Sheet1", Grid()};
    for (std::size_t i = 0; i < texts.size(); ++i)
        sheet.grid.setCell(static_cast<std::int32_t>(i + 1), 1, CellView::makeText(texts[i]));
    // Malformed UTF-8 cannot go into a well-formed file: each bad byte becomes U+FFFD.
    sheet.grid.setCell(1, 2, CellView::makeText("bad \xFF\xC0\xAF end \xE4\xB8"));

    sheet::writeXlsxFile(path("texts.xlsx"), {sheet});
    const sheet::Book back = sheet::readXlsxFile(path("texts.xlsx"));
    const Grid& g = back.sheets[0].grid;
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(g.cell(static_cast<std::int32_t>(i + 1), 1), CellView::makeText(texts[i])) << i;
    EXPECT_EQ(g.cell(1, 2),
              CellView::makeText("bad \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD end \xEF\xBF\xBD\xEF\xBF\xBD"));

    // The same escapes as other programs write them, in shared and inline strings alike.
    const std::string rows = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"inlineStr\"><is>"
                             "<t>_x005F_x0041_ _xD83D__xDE00_ _xD800_</t></is></c></row>";
    const sheet::Book other =
        sheet::readXlsx(zipOf(minimalParts(rows, "<si><t>a_x000D__x000A_b_x0001_ _x00zz_</t></si>")), "t.xlsx");
    EXPECT_EQ(other.sheets[0].grid.cell(1, 1), CellView::makeText("a\r\nb\x01 _x00zz_"));
    EXPECT_EQ(other.sheets[0].grid.cell(1, 2), CellView::makeText("_x0041_ \xF0\x9F\x98\x80 \xEF\xBF\xBD"));
}

// Random texts built from the characters that need care, as UTF-8, each read back exactly.
TEST_F(XlsxFiles, RandomTextsRoundTrip)
{
    const std::vector<std::string> pieces = {
        "_",        "x",    "X",    "0",   "f",  "_x",           "&",
        "<",        ">",    "\"",   "'",   " ",  "\t",           "\n",
        "\r",       "\x01", "\x1f", "]]>", "中", "\xEF\xBF\xBE", "\xF0\x9F\x98\x80",
        "\xC2\x80", "\x7f", "A"};
    std::mt19937 random(20261209);
    sheet::BookSheet sheet{"Sheet1", Grid()};
    std::vector<std::string> texts;
    for (int i = 0; i < 2000; ++i) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 12);
        for (int k = 0; k < length; ++k)
            text += pieces[random() % pieces.size()];
        texts.push_back(text);
        sheet.grid.setCell(i + 1, 1 + i % 3, CellView::makeText(text));
    }
    sheet::writeXlsxFile(path("random.xlsx"), {sheet});
    const sheet::Book back = sheet::readXlsxFile(path("random.xlsx"));
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(back.sheets[0].grid.cell(i + 1, 1 + i % 3), CellView::makeText(texts[static_cast<std::size_t>(i)]))
            << i;
}

TEST_F(XlsxFiles, SheetNamesAreSavedValidAndDistinct)
{
    std::vector<sheet::BookSheet> sheets;
    for (const char* name :
         {"报表[1]/一月", "Data", "DATA", "", "'''", "data", "a\xEF\xBF\xBE b", "bad\xFF", "\xC3\x84", "\xC3\xA4"})
        sheets.push_back({name, Grid()});
    sheet::writeXlsxFile(path("names.xlsx"), {sheets.begin(), sheets.end()});
    std::vector<std::string> names;
    for (const auto& s : sheet::readXlsxFile(path("names.xlsx")).sheets)
        names.push_back(s.name);
    EXPECT_EQ(names, (std::vector<std::string>{"报表_1__一月", "Data", "DATA (2)", "Sheet4", "Sheet5", "data (3)",
                                               "a_ b", "bad_", "\xC3\x84", "\xC3\xA4 (2)"}));
}

TEST_F(XlsxFiles, AFailedSaveLeavesNothingBehind)
{
    std::filesystem::create_directories(m_dir / "taken.xlsx"); // a folder where the file should go
    sheet::BookSheet sheet{"Sheet1", Grid()};
    sheet.grid.setCell(1, 1, CellView::makeNumber(1));
    try {
        sheet::writeXlsxFile(path("taken.xlsx"), {sheet});
        ADD_FAILURE() << "saving over a folder succeeded";
    } catch (const sheet::FileError& e) {
        EXPECT_NE(std::string(e.what()).find("taken.xlsx"), std::string::npos) << e.what();
    }
    EXPECT_THROW(sheet::writeXlsxFile(path("no/such/folder.xlsx"), {sheet}), sheet::FileError);
    try { // and opening the folder says what it is
        sheet::readXlsxFile(path("taken.xlsx"));
        ADD_FAILURE() << "a folder opened as a workbook";
    } catch (const sheet::FileError& e) {
        EXPECT_NE(std::string(e.what()).find("文件夹"), std::string::npos) << e.what();
    }

    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"taken.xlsx"});
}

TEST_F(XlsxFiles, ReadsSharedInlineFormulaAndDateCells)
{
    const std::string rows =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>内联</t></is></c>"
        "<c r=\"C1\"><f>1+1</f><v>2</v></c><c r=\"D1\" t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c>"
        "<c r=\"E1\" t=\"e\"><v>#DIV/0!</v></c><c r=\"F1\" s=\"1\"><v>45000</v></c><c r=\"G1\" s=\"2\"><v>1.5</v></c>"
        "<c r=\"H1\" t=\"b\"><v>1</v></c></row>"
        "<row><c><v>7</v></c><c t=\"s\"><v>0</v></c></row>"; // no references: positions follow on
    const std::string strings = "<si><t>first</t></si><si><r><t>富</t></r><r><t>文本</t></r><rPh><t>ふ</t></rPh></si>";
    const std::string styles =
        "<numFmts><numFmt numFmtId=\"164\" formatCode=\"[$-804]yyyy&quot;年&quot;m&quot;月&quot;\"/>"
        "</numFmts><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/>"
        "</cellXfs>";
    const sheet::Book book = sheet::readXlsx(zipOf(minimalParts(rows, strings, styles)), "t.xlsx");

    const Grid& g = book.sheets[0].grid;
    EXPECT_EQ(book.sheets[0].name, "数据");
    EXPECT_EQ(g.cell(1, 1), CellView::makeText("富文本"));
    EXPECT_EQ(g.cell(1, 2), CellView::makeText("内联"));
    EXPECT_EQ(g.cell(1, 3), CellView::makeNumber(2));
    EXPECT_EQ(g.cell(1, 4), CellView::makeText("ab"));
    EXPECT_EQ(g.cell(1, 5), CellView::makeError(2007));
    EXPECT_EQ(g.cell(1, 6), CellView::makeDate(45000));
    EXPECT_EQ(g.cell(1, 7), CellView::makeDate(1.5));
    EXPECT_EQ(g.cell(1, 8), CellView::makeBoolean(true));
    EXPECT_EQ(g.cell(2, 1), CellView::makeNumber(7));
    EXPECT_EQ(g.cell(2, 2), CellView::makeText("first"));
    EXPECT_TRUE(book.losses.formulas);
    EXPECT_FALSE(book.losses.styles);
    EXPECT_FALSE(book.losses.mergedCells);
}

TEST_F(XlsxFiles, ReportsWhatASaveWouldLose)
{
    const std::string cell = "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1</v></c></row>";
    const std::string bold = "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"0\" fontId=\"1\"/></cellXfs>";
    EXPECT_TRUE(sheet::readXlsx(zipOf(minimalParts(cell, {}, bold)), "t").losses.styles);

    const auto merged =
        sheet::readXlsx(zipOf(minimalParts("", {}, {}, "<mergeCells><mergeCell ref=\"A1:B2\"/></mergeCells>")), "t");
    EXPECT_TRUE(merged.losses.mergedCells);
    EXPECT_EQ(merged.losses.describe(), "合并单元格");

    auto parts = minimalParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    parts["xl/charts/chart1.xml"] = "<chartSpace/>";
    EXPECT_TRUE(sheet::readXlsx(zipOf(parts), "t").losses.otherParts);

    parts.erase("xl/charts/chart1.xml");
    parts["docProps/core.xml"] = "<coreProperties/>";
    parts["xl/theme/theme1.xml"] = "<theme/>";
    EXPECT_FALSE(sheet::readXlsx(zipOf(parts), "t").losses.any());
}

TEST_F(XlsxFiles, RefusesBadFilesNamingTheFileAndTheFault)
{
    EXPECT_NE(failureOf("PK\x03\x04 not really").find("zip"), std::string::npos);
    EXPECT_NE(failureOf("hello").find("bad.xlsx"), std::string::npos);

    auto parts = minimalParts("");
    parts.erase("xl/workbook.xml");
    EXPECT_NE(failureOf(zipOf(parts)).find("xl/workbook.xml"), std::string::npos);

    parts = minimalParts("");
    parts.erase("xl/worksheets/sheet1.xml");
    EXPECT_NE(failureOf(zipOf(parts)).find("缺少部件"), std::string::npos);

    EXPECT_NE(failureOf(zipOf(minimalParts("<row><c r=\"XFE1\"><v>1</v></c></row>"))).find("XFE1"), std::string::npos);
    EXPECT_NE(failureOf(zipOf(minimalParts("<row><c r=\"A1048577\"><v>1</v></c></row>"))).find("超出"),
              std::string::npos);
    // A shared string that is not there, or a number that is none, leaves its cell blank and the file is read:
    // XlsxCellTest.ReadsWhatCanBeReadAndReportsTheRest.
    EXPECT_NE(failureOf(zipOf(minimalParts("<row><c r=\"A1\"><v>1</v></row>"))).find("XML"), std::string::npos);
    EXPECT_NE(failureOf(zipOf(minimalParts("<row><c r=\"1A\"><v>1</v></c></row>"))).find("无效"), std::string::npos);

    parts = minimalParts("");
    parts["xl/workbook.xml"] = "<workbook><sheets/></workbook>";
    EXPECT_NE(failureOf(zipOf(parts)).find("没有工作表"), std::string::npos);
}

// Files made by another spreadsheet program, when one is installed.
TEST_F(XlsxFiles, AgreesWithLibreOffice)
{
    if (std::system("command -v soffice > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "LibreOffice (soffice) is not installed; files made by another program are not checked";

    sheet::BookSheet sheet1{"Sheet1", Grid()};
    sheet1.grid.setCell(1, 1, CellView::makeText("中文"));
    sheet1.grid.setCell(1, 2, CellView::makeNumber(1.5));
    sheet1.grid.setCell(2, 1, CellView::makeBoolean(true));
    sheet1.grid.setCell(3, 3, CellView::makeText("last"));
    sheet1.grid.setCell(4, 1, CellView::makeError(2042));
    sheet1.grid.setCell(4, 2, CellView::makeText(" a&b<c> "));
    sheet1.grid.setCell(4, 3, CellView::makeDate(45000));
    sheet1.grid.setCell(5, 1, CellView::makeDate(32));
    sheet::writeXlsxFile(path("ours.xlsx"), {sheet1});

    // A profile of its own, so that another LibreOffice running meanwhile does not take the conversions over.
    const std::string soffice =
        "soffice -env:UserInstallation=file://" + m_dir.string() + "/profile --headless --norestore ";

    // Our file, converted by LibreOffice to CSV, holds the same values.
    const std::string convert = "cd '" + m_dir.string() + "' && " + soffice + "--convert-to " +
                                "csv:\"Text - txt - csv (StarCalc)\":44,34,76 ours.xlsx > /dev/null 2>&1";
    ASSERT_EQ(std::system(convert.c_str()), 0);
    std::ifstream csv(path("ours.csv"), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(csv)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("中文,1.5"), std::string::npos) << text;
    EXPECT_NE(text.find("TRUE"), std::string::npos) << text;
    EXPECT_NE(text.find(",,last"), std::string::npos) << text;
    EXPECT_NE(text.find("#N/A, a&b<c> ,2023/3/15"), std::string::npos) << text;
    EXPECT_NE(text.find("1900/1/31"), std::string::npos) << text; // serials as LibreOffice counts them

    // LibreOffice's own XLSX of our CSV reads back the same.
    const std::string back = "cd '" + m_dir.string() + "' && mkdir -p lo && " + soffice +
                             "--infilter=CSV:44,34,76 --convert-to xlsx --outdir lo ours.csv > /dev/null 2>&1";
    ASSERT_EQ(std::system(back.c_str()), 0);
    const sheet::Book book = sheet::readXlsxFile(path("lo/ours.xlsx"));
    EXPECT_EQ(book.sheets[0].grid.cell(1, 1), CellView::makeText("中文"));
    EXPECT_EQ(book.sheets[0].grid.cell(1, 2), CellView::makeNumber(1.5));
    EXPECT_EQ(book.sheets[0].grid.cell(3, 3), CellView::makeText("last"));

    // And a workbook that went through LibreOffice's own format first.
    const std::string viaOds = "cd '" + m_dir.string() + "' && mkdir -p ods && " + soffice +
                               "--convert-to ods --outdir ods lo/ours.xlsx > /dev/null 2>&1 && cd ods && " + soffice +
                               "--convert-to xlsx ours.ods > /dev/null 2>&1";
    ASSERT_EQ(std::system(viaOds.c_str()), 0);
    const sheet::Book fromOds = sheet::readXlsxFile(path("ods/ours.xlsx"));
    EXPECT_EQ(fromOds.sheets[0].grid.cell(1, 1), CellView::makeText("中文"));
    EXPECT_EQ(fromOds.sheets[0].grid.cell(1, 2), CellView::makeNumber(1.5));
}

} // namespace
