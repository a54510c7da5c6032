// Reading workbooks as other programs write them, and as hostile files are made.
#include "sheet/files/FileError.h"
#include "sheet/files/Xlsx.h"
#include "tests/files/XlsxFixture.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using sheet::CellView;
using sheet::Grid;

const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

std::string failureOf(const std::string& bytes, const sheet::XlsxReadOptions& options = {})
{
    try {
        sheet::readXlsx(bytes, "bad.xlsx", options);
    } catch (const sheet::FileError& e) {
        return e.what();
    }
    return "(no failure)";
}

// ---- Namespaces ----------------------------------------------------------------------------------------------------

// Excel 2010 and later write a workbookPr of their own in the workbook's extension list; it says nothing of dates.
TEST(XlsxNamespaces, The1904DateSystemIsTheMainWorkbookPrsAlone)
{
    const auto serialOf = [](std::map<std::string, std::string> parts) {
        const sheet::Book book = sheet::readXlsx(zipOf(parts), "t.xlsx");
        return book.sheets[0].grid.cell(1, 1);
    };
    const std::string cell = "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>43000</v></c></row>";
    const std::string xfs = "<xf numFmtId=\"0\"/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/>";
    EXPECT_EQ(serialOf(excelParts(cell, {}, "date1904=\"1\"", xfs)), CellView::makeDate(44462));
    EXPECT_EQ(serialOf(excelParts(cell, {}, "", xfs)), CellView::makeDate(43000));

    // Another namespace's workbookPr outside any extension list changes nothing either.
    auto parts = excelParts(cell, {}, "date1904=\"1\"", xfs);
    auto& workbook = parts["xl/workbook.xml"];
    workbook.insert(workbook.find("<bookViews>"),
                    "<x14:workbookPr xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\"/>");
    EXPECT_EQ(serialOf(parts), CellView::makeDate(44462));
}

// Elements named as ours in another namespace are not ours; ours are found under any prefix, in the strict form
// of the namespaces and in none.
TEST(XlsxNamespaces, ElementsAreOursByNamespaceAndName)
{
    auto parts = excelParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c>"
                            "<o:c xmlns:o=\"urn:other\" r=\"B1\"><o:v>2</o:v></o:c>"
                            "<c r=\"C1\" t=\"s\"><v>0</v><o:v xmlns:o=\"urn:other\">9</o:v></c></row>",
                            "<si><t>kept</t><o:t xmlns:o=\"urn:other\">, not this</o:t></si>");
    auto& workbook = parts["xl/workbook.xml"];
    workbook.insert(workbook.find("</sheets>"), "<o:sheet xmlns:o=\"urn:other\" name=\"not a sheet\" r:id=\"rId1\"/>");
    const sheet::Book book = sheet::readXlsx(zipOf(parts), "t.xlsx");
    ASSERT_EQ(book.sheets.size(), 1u);
    const Grid& g = book.sheets[0].grid;
    EXPECT_EQ(g.cell(1, 1), CellView::makeNumber(1));
    EXPECT_TRUE(g.cell(1, 2).isEmpty());
    EXPECT_EQ(g.cell(1, 3), CellView::makeText("kept"));
    EXPECT_FALSE(book.losses.any()) << book.losses.describe();

    // The strict form, with prefixes everywhere.
    const auto strict = [](std::string part) {
        for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
                 {"http://schemas.openxmlformats.org/spreadsheetml/2006/main",
                  "http://purl.oclc.org/ooxml/spreadsheetml/main"},
                 {"http://schemas.openxmlformats.org/officeDocument/2006/relationships",
                  "http://purl.oclc.org/ooxml/officeDocument/relationships"}})
            for (std::size_t at = part.find(from); at != std::string::npos; at = part.find(from, at))
                part.replace(at, from.size(), to);
        return part;
    };
    std::map<std::string, std::string> strictParts;
    for (const auto& [name, content] : excelParts("<row r=\"2\"><c r=\"B2\"><v>7</v></c></row>"))
        strictParts[name] = strict(content);
    strictParts["xl/worksheets/sheet1.xml"] = "<x:worksheet xmlns:x=\"http://purl.oclc.org/ooxml/spreadsheetml/main\">"
                                              "<x:sheetData><x:row r=\"2\"><x:c r=\"B2\"><x:v>7</x:v></x:c></x:row>"
                                              "</x:sheetData></x:worksheet>";
    EXPECT_EQ(sheet::readXlsx(zipOf(strictParts), "t.xlsx").sheets[0].grid.cell(2, 2), CellView::makeNumber(7));
}

// ---- Cells ---------------------------------------------------------------------------------------------------------

TEST(XlsxCells, AnInlineStringIsTheTextOfItsIsAlone)
{
    const std::string rows =
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><v>1.0</v><is><t>1.</t></is></c>"
        "<c r=\"B1\" t=\"inlineStr\"><is><r><t>富</t></r><r><t>文本</t></r></is><v>x</v></c></row>";
    const sheet::Book book = sheet::readXlsx(zipOf(minimalParts(rows)), "t.xlsx");
    const Grid& g = book.sheets[0].grid;
    EXPECT_EQ(g.cell(1, 1), CellView::makeText("1."));
    EXPECT_EQ(g.cell(1, 2), CellView::makeText("富文本"));
}

// One cell that cannot be read leaves that cell blank and says so; the rest of the file is read.
struct CellCase {
    const char* name;
    std::string cell;  // the cell A1
    CellView expected; // what A1 holds then
    bool unreadable;   // whether Losses::unreadableCells is set
};

class XlsxCellTest : public testing::TestWithParam<CellCase> {};

TEST_P(XlsxCellTest, ReadsWhatCanBeReadAndReportsTheRest)
{
    const std::string rows =
        "<row r=\"1\">" + GetParam().cell + "<c r=\"B1\"><v>2</v></c></row><row r=\"2\"><c r=\"A2\"><v>3</v></c></row>";
    const sheet::Book book = sheet::readXlsx(zipOf(minimalParts(rows, "<si><t>x</t></si>")), "t.xlsx");
    const Grid& g = book.sheets[0].grid;
    EXPECT_EQ(g.cell(1, 1), GetParam().expected);
    EXPECT_EQ(g.cell(1, 2), CellView::makeNumber(2));
    EXPECT_EQ(g.cell(2, 1), CellView::makeNumber(3));
    EXPECT_EQ(book.losses.unreadableCells, GetParam().unreadable);
    if (GetParam().unreadable) {
        EXPECT_NE(book.losses.describe().find("无法读取的单元格"), std::string::npos);
    }
}

const CellCase kCellCases[] = {
    {"TimeAlone", "<c r=\"A1\" t=\"d\"><v>23:44:51.894</v></c>",
     CellView::makeDate((23 * 3600.0 + 44 * 60.0 + 51.894) / 86400.0), false},
    {"WholeSecondsAlone", "<c r=\"A1\" t=\"d\"><v>10:10:10</v></c>",
     CellView::makeDate((10 * 3600.0 + 10 * 60.0 + 10) / 86400.0), false},
    {"DateAndTimeWithAFraction", "<c r=\"A1\" t=\"d\"><v>2023-03-15T12:30:00.25</v></c>",
     CellView::makeDate(45000 + (12 * 3600.0 + 30 * 60.0 + 0.25) / 86400.0), false},
    {"DateAlone", "<c r=\"A1\" t=\"d\"><v>2023-03-15</v></c>", CellView::makeDate(45000), false},
    {"DateInUtc", "<c r=\"A1\" t=\"d\"><v>2023-03-15T06:00:00Z</v></c>", CellView::makeDate(45000.25), false},
    {"EmptyTruthValue", "<c r=\"A1\" t=\"b\"/>", CellView{}, false},
    {"EmptyTruthValueWithV", "<c r=\"A1\" t=\"b\"><v></v></c>", CellView{}, false},
    {"TruthValueAsWord", "<c r=\"A1\" t=\"b\"><v>true</v></c>", CellView::makeBoolean(true), false},
    {"EmptyError", "<c r=\"A1\" t=\"e\"/>", CellView{}, false},
    {"DateThatIsNone", "<c r=\"A1\" t=\"d\"><v>yesterday</v></c>", CellView{}, true},
    {"FebruaryThirtieth", "<c r=\"A1\" t=\"d\"><v>2023-02-30</v></c>", CellView{}, true},
    {"NumberThatIsNone", "<c r=\"A1\"><v>abc</v></c>", CellView{}, true},
    {"TruthValueThatIsNone", "<c r=\"A1\" t=\"b\"><v>2</v></c>", CellView{}, true},
    {"SharedStringMissing", "<c r=\"A1\" t=\"s\"><v>3</v></c>", CellView{}, true},
    {"UnknownType", "<c r=\"A1\" t=\"zz\"><v>1</v></c>", CellView{}, true},
};

INSTANTIATE_TEST_SUITE_P(Cells, XlsxCellTest, testing::ValuesIn(kCellCases),
                         [](const testing::TestParamInfo<CellCase>& param) { return std::string(param.param.name); });

// A row number beyond the sheet, written as digits more than any number holds, is named as written.
TEST(XlsxCells, ACellBeyondTheSheetIsNamedAsWritten)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<row r=\"1048577\"><c><v>1</v></c></row>", "“A1048577”"},
        {"<row r=\"99999999999999999999\"><c><v>1</v></c></row>", "“A99999999999999999999”"},
        {"<row r=\"1048576\"><c/><c r=\"XFD1048576\"/><c/></row>", "“XFE1048576”"},
        {"<row><c r=\"B99999999999999999999\"><v>1</v></c></row>", "“B99999999999999999999”"},
    };
    for (const auto& [rows, named] : cases) {
        const std::string failure = failureOf(zipOf(minimalParts(rows)));
        EXPECT_NE(failure.find(named), std::string::npos) << failure;
        EXPECT_NE(failure.find("超出"), std::string::npos) << failure;
    }
    EXPECT_NE(failureOf(zipOf(minimalParts("<row r=\"x1\"><c><v>1</v></c></row>"))).find("“x1”"), std::string::npos);
}

// ---- Packages ------------------------------------------------------------------------------------------------------

TEST(XlsxPackages, TheWorkbookIsFoundThroughThePackageRelationships)
{
    auto parts = excelParts("<row r=\"1\"><c r=\"A1\"><v>5</v></c></row>");
    std::map<std::string, std::string> moved;
    for (auto& [name, content] : parts) {
        std::string to = name;
        if (name.rfind("xl/", 0) == 0)
            to = "book/" + name.substr(3);
        if (to == "book/workbook.xml")
            to = "book/main.xml";
        if (to == "book/_rels/workbook.xml.rels")
            to = "book/_rels/main.xml.rels";
        std::replace(to.begin(), to.end(), '/', '\\'); // as some programs write entry names
        moved[to] = content;
    }
    auto& rels = moved["_rels\\.rels"];
    rels.replace(rels.find("xl/workbook.xml"), 15, "book/main.xml");
    const sheet::Book book = sheet::readXlsx(zipOf(moved), "t.xlsx");
    EXPECT_EQ(book.sheets[0].grid.cell(1, 1), CellView::makeNumber(5));
    EXPECT_FALSE(book.losses.any()) << book.losses.describe();
}

struct KindCase {
    const char* name;
    std::string contentType;
    bool vbaProject;
    bool macros;
    bool templateKind;
    std::string words;
};

class XlsxKindTest : public testing::TestWithParam<KindCase> {};

TEST_P(XlsxKindTest, MacroEnabledAndTemplateWorkbooksOpenWithWhatSavingLoses)
{
    auto parts =
        excelParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>", {}, {},
                   "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>", GetParam().contentType);
    if (GetParam().vbaProject) {
        parts["xl/vbaProject.bin"] = std::string("\xD0\xCF\x11\xE0 macros", 11);
        parts["xl/vbaProjectSignature.bin"] = "signed";
        parts["xl/_rels/vbaProject.bin.rels"] = "<Relationships/>";
        auto& rels = parts["xl/_rels/workbook.xml.rels"];
        rels.insert(rels.find("</Relationships>"),
                    "<Relationship Id=\"rId9\" Type=\"http://schemas.microsoft.com/office/2006/relationships/"
                    "vbaProject\" Target=\"vbaProject.bin\"/>");
    }
    const sheet::Book book = sheet::readXlsx(zipOf(parts), "t.xlsm");
    EXPECT_EQ(book.sheets[0].grid.cell(1, 1), CellView::makeNumber(1));
    EXPECT_EQ(book.losses.macros, GetParam().macros);
    EXPECT_EQ(book.losses.templateKind, GetParam().templateKind);
    EXPECT_FALSE(book.losses.otherParts);
    EXPECT_EQ(book.losses.describe(), GetParam().words);
}

const KindCase kKindCases[] = {
    {"Xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml", false, false, false, ""},
    {"Xlsm", "application/vnd.ms-excel.sheet.macroEnabled.main+xml", true, true, false, "宏"},
    {"Xltx", "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml", false, false, true,
     "模板"},
    {"Xltm", "application/vnd.ms-excel.template.macroEnabled.main+xml", true, true, true, "宏、模板"},
};

INSTANTIATE_TEST_SUITE_P(Kinds, XlsxKindTest, testing::ValuesIn(kKindCases),
                         [](const testing::TestParamInfo<KindCase>& param) { return std::string(param.param.name); });

// ---- Hostile files
// ---------------------------------------------------------------------------------------------------

TEST(XlsxHostile, OneLongSharedStringInManyCellsIsHeldOnce)
{
    std::string rows;
    for (int r = 1; r <= 2000; ++r)
        rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\" t=\"s\"><v>0</v></c></row>";
    const std::string text(65'536, 'x');
    const sheet::Book book = sheet::readXlsx(zipOf(minimalParts(rows, "<si><t>" + text + "</t></si>")), "t.xlsx");
    const Grid& g = book.sheets[0].grid;
    EXPECT_EQ(g.cellCount(), 2000u);
    EXPECT_EQ(g.cell(2000, 1).text, text);
    EXPECT_EQ(g.longTextBytes(), text.size());
}

TEST(XlsxHostile, ATextLongerThanACellKeepsIsCutAtAWholeCharacter)
{
    // Three-byte characters after one ASCII byte: the limit falls inside a character.
    std::string text = "a";
    while (text.size() < sheet::kMaxCellTextBytes + 100)
        text += "中";
    const std::string rows = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>" + text +
                             "</t></is></c><c r=\"B1\" t=\"s\"><v>0</v></c><c r=\"C1\" t=\"s\"><v>1</v></c></row>";
    const sheet::Book book =
        sheet::readXlsx(zipOf(minimalParts(rows, "<si><t>" + text + "</t></si><si><t>short</t></si>")), "t.xlsx");
    const Grid& g = book.sheets[0].grid;
    const std::size_t kept = (sheet::kMaxCellTextBytes - 1) / 3 * 3 + 1;
    for (int column = 1; column <= 2; ++column) {
        const std::string_view cut = g.cell(1, column).text;
        EXPECT_EQ(cut.size(), kept) << column;
        EXPECT_EQ(cut, std::string_view(text).substr(0, kept)) << column;
    }
    EXPECT_EQ(g.cell(1, 3), CellView::makeText("short"));
    EXPECT_TRUE(book.losses.cutTexts);
    EXPECT_NE(book.losses.describe().find("超长文本"), std::string::npos);
}

TEST(XlsxHostile, FilesBeyondTheirBoundsAreRefusedSayingWhy)
{
    // More inflated than the machine has memory for, whatever the archive claims.
    std::string rows;
    for (int r = 1; r <= 20'000; ++r)
        rows += "<row><c><v>" + std::to_string(r) + "</v></c></row>";
    sheet::XlsxReadOptions small;
    small.memoryAvailable = 256 << 10;
    EXPECT_NE(failureOf(zipOf(minimalParts(rows)), small).find("本机可用内存"), std::string::npos);

    // A sheet that would take more memory than there is, though it inflates to less.
    std::string cells = "<row>";
    for (int c = 1; c <= 16'384; ++c)
        cells += "<c><v>1</v></c>";
    cells += "</row>";
    std::string dense;
    for (int r = 0; r < 12; ++r)
        dense += cells;
    sheet::XlsxReadOptions some;
    some.memoryAvailable = 4 << 20; // 3 MiB for the workbook, 4 MiB inflated
    const std::string failure = failureOf(zipOf(minimalParts(dense)), some);
    EXPECT_NE(failure.find("需要的内存超过本机可用内存"), std::string::npos) << failure;

    // More work than the file's size allows: by what the archive declares, and by what the parts turn out to hold
    // (here little text in many elements).
    sheet::XlsxReadOptions tight;
    tight.workLimit = 1 << 20;
    EXPECT_NE(failureOf(zipOf(minimalParts(std::string(2 << 20, ' '))), tight).find("远多于"), std::string::npos);
    std::string empty;
    for (int r = 0; r < 10; ++r) {
        empty += "<row>";
        for (int c = 0; c < 10'000; ++c)
            empty += "<c/>";
        empty += "</row>";
    }
    EXPECT_LT(empty.size(), std::size_t{1} << 20);
    EXPECT_NE(failureOf(zipOf(minimalParts(empty)), tight).find("远多于"), std::string::npos);

    // Far more shared strings than the sheets could refer to.
    std::string strings;
    for (int i = 0; i < 70'000; ++i)
        strings += "<si><t>s</t></si>";
    EXPECT_NE(failureOf(zipOf(minimalParts("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>", strings)))
                  .find("共享字符串多于"),
              std::string::npos);

    // A comment or tag longer than any a spreadsheet writes.
    auto parts = minimalParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    parts["xl/worksheets/sheet1.xml"].insert(0, "<!--" + std::string(17 << 20, 'x') + "-->");
    EXPECT_NE(failureOf(zipOf(parts)).find("XML 标记"), std::string::npos) << failureOf(zipOf(parts));
    parts = minimalParts("<row r=\"1\"><c r=\"A1\" z=\"" + std::string(17 << 20, 'z') + "\"><v>1</v></c></row>");
    EXPECT_NE(failureOf(zipOf(parts)).find("XML 标记"), std::string::npos) << failureOf(zipOf(parts));

    // Entities declared in a document type.
    parts = minimalParts("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&a;&a;</t></is></c></row>");
    parts["xl/worksheets/sheet1.xml"].insert(0, "<!DOCTYPE worksheet [<!ENTITY a \"aaaaaaaaaa\">]>");
    EXPECT_NE(failureOf(zipOf(parts)).find("DOCTYPE"), std::string::npos);
}

// The size an entry claims is checked against what it inflates to.
TEST(XlsxHostile, AnEntryClaimingLessThanItHoldsIsStoppedAtTheBound)
{
    std::string rows;
    for (int r = 1; r <= 20'000; ++r)
        rows += "<row><c><v>" + std::to_string(r) + "</v></c></row>";
    const auto parts = minimalParts(rows);
    std::string bytes = zipOf(parts);
    // Every header that gives the sheet's uncompressed size now says 100 bytes.
    const std::string sheet = "xl/worksheets/sheet1.xml";
    const std::uint32_t real = static_cast<std::uint32_t>(parts.at(sheet).size());
    int patched = 0;
    for (std::size_t at = bytes.find(sheet); at != std::string::npos; at = bytes.find(sheet, at + 1)) {
        const bool central = bytes.compare(at - 46, 4, "PK\x01\x02") == 0;
        const bool local = bytes.compare(at - 30, 4, "PK\x03\x04") == 0;
        if (!central && !local)
            continue;
        const std::size_t field = at - (central ? 46 : 30) + (central ? 24 : 22);
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + field, 4);
        ASSERT_EQ(size, real);
        const std::uint32_t lie = 100;
        std::memcpy(bytes.data() + field, &lie, 4);
        ++patched;
    }
    ASSERT_EQ(patched, 2);
    sheet::XlsxReadOptions small;
    small.memoryAvailable = 256 << 10;
    const std::string failure = failureOf(bytes, small);
    EXPECT_NE(failure.find("本机可用内存"), std::string::npos) << failure;
}

TEST(XlsxHostile, ProgressIsReportedAndStopsReadingWhenAsked)
{
    std::string rows;
    for (int r = 1; r <= 200'000; ++r)
        rows += "<row><c><v>" + std::to_string(r) + "</v></c></row>"; // about 6 MB inflated
    const std::string bytes = zipOf(minimalParts(rows));

    std::vector<double> fractions;
    sheet::XlsxReadOptions watched;
    watched.progress = [&](double fraction) {
        fractions.push_back(fraction);
        return true;
    };
    EXPECT_EQ(sheet::readXlsx(bytes, "t.xlsx", watched).sheets[0].grid.cellCount(), 200'000u);
    ASSERT_GE(fractions.size(), 2u);
    EXPECT_GT(fractions.front(), 0.0);
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_EQ(fractions.back(), 1.0);

    sheet::XlsxReadOptions cancelled;
    cancelled.progress = [](double) { return false; };
    EXPECT_THROW(sheet::readXlsx(bytes, "t.xlsx", cancelled), sheet::FileCancelled);
}

} // namespace
