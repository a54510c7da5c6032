// The worksheet scanner against expat: what it reads it reads as expat does, in chunks ending anywhere; what it does
// not know for certain, malformed XML first of all, it leaves to expat.
#include "sheet/files/XmlScanner.h"
#include "sheet/files/FileError.h"
#include "sheet/files/Xlsx.h"
#include "tests/files/XlsxFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace sheet::xlsx;

// What a handler hears, texts between tags joined: how a text is parted differs between parsers.
struct Recorder : HandlerBase {
    std::string log;
    std::string pending;

    void flush()
    {
        if (!pending.empty())
            log += "[" + pending + "]";
        pending.clear();
    }
    void start(const XmlName& name, const char** a)
    {
        flush();
        log += "<" + std::to_string(static_cast<int>(name.ns)) + ":" + std::string(name.local);
        for (int i = 0; a[i]; i += 2) {
            std::string attribute = a[i];
            std::replace(attribute.begin(), attribute.end(), kNamespaceSeparator, '|');
            log += " " + attribute + "=\"" + a[i + 1] + "\"";
        }
        log += ">";
    }
    void end(const XmlName& name)
    {
        flush();
        log += "</" + std::to_string(static_cast<int>(name.ns)) + ":" + std::string(name.local) + ">";
    }
    void text(std::string_view s) { pending += s; }
};

struct Part {
    std::string bytes;
    Limits limits;
    std::string name = "t.xlsx";
    Archive archive;
    explicit Part(const std::string& xml)
        : bytes(zipOf({{"p.xml", xml}})), limits(limitsFor(bytes.size(), {})), archive(bytes, name, limits, {})
    {}
};

// Expat's reading of `xml`, or "refused".
Recorder expatReading(const std::string& xml)
{
    Part part(xml);
    Recorder r;
    try {
        parsePart(part.archive, "p.xml", r);
    } catch (const sheet::FileError&) {
        r.log = "refused";
        r.pending.clear();
    }
    r.flush();
    return r;
}

// The scanner's reading of `xml` given `chunk` bytes at a time, or "unsure".
Recorder scannerReading(const std::string& xml, std::size_t chunk)
{
    Part part(xml);
    Recorder r;
    try {
        ScannedPart<Recorder> sink(part.archive, r);
        for (std::size_t at = 0; at < xml.size(); at += chunk) {
            const std::size_t n = std::min(chunk, xml.size() - at);
            std::memcpy(sink.buffer(chunk), xml.data() + at, n);
            sink.parse(n, false);
        }
        sink.buffer(0);
        sink.parse(0, true);
    } catch (const XmlUnsure&) {
        r.log = "unsure";
        r.pending.clear();
    }
    r.flush();
    return r;
}

constexpr std::size_t kChunks[] = {1, 2, 3, 5, 7, 16, 64, 1 << 20};

const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

struct XmlCase {
    const char* name;
    std::string xml;
};

class ScannerReadsAsExpat : public testing::TestWithParam<XmlCase> {};

TEST_P(ScannerReadsAsExpat, InChunksOfAnySize)
{
    const Recorder expat = expatReading(GetParam().xml);
    ASSERT_NE(expat.log, "refused");
    for (const std::size_t chunk : kChunks)
        EXPECT_EQ(scannerReading(GetParam().xml, chunk).log, expat.log) << "chunk " << chunk;
    // Given at once, a text comes in the pieces expat parts it into: the same work is counted.
    EXPECT_EQ(scannerReading(GetParam().xml, 1 << 20).events, expat.events);
}

const XmlCase kReadCases[] = {
    {"AsSpreadsheetProgramsWrite",
     "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<worksheet xmlns=\"" + kMain +
         "\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
         "xmlns:x14ac=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac\"><sheetData>"
         "<row r=\"1\" x14ac:dyDescent=\"0.25\"><c r=\"A1\" s=\"1\"><v>45000</v></c><c r=\"B1\" t=\"s\"><v>0</v></c>"
         "<c r=\"C1\" t=\"inlineStr\"><is><r><t xml:space=\"preserve\"> 富 </t></r><r><t>文本😀</t></r></is></c>"
         "<c r=\"D1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c><c r=\"E1\" t=\"b\"><v>1</v></c><c r=\"F1\"/></row>"
         "</sheetData><extLst><ext uri=\"{x}\"><x14:c xmlns:x14=\"urn:x14\"/></ext></extLst></worksheet>\n"},
    {"Prefixed", "<x:worksheet xmlns:x=\"" + kMain +
                     "\"><x:sheetData><x:row r=\"2\"><x:c r=\"B2\"><x:v>7</x:v></x:c></x:row></x:sheetData>"
                     "</x:worksheet>"},
    {"NamespacesRedeclaredAndUndeclared",
     "<worksheet xmlns=\"" + kMain + "\"><a xmlns=\"urn:other\" xmlns:m=\"" + kMain +
         "\"><c/><m:c o:r=\"1\" xmlns:o=\"urn:o\"/></a><b xmlns=\"\"><c/></b><c/></worksheet>"},
    {"EntitiesAndReferences", "<c a=\"&amp;&lt;&gt;&quot;&apos;&#65;&#x4e2D;&#x1F600;&#10;&#9;\" b='\"' c=\"'\">"
                              "&amp;&lt;&gt;&quot;&apos;&#65;&#0065;&#x4E2D;&#x1F600;&#13;&#10;&#9;&#x7F;</c>"},
    {"WhiteSpaceWhereXmlAllowsIt",
     "\n <worksheet >\n  <row\n r = \"1\"\t>\n\t<c r='A1' a=\"x\ty\nz\"><v> 1 </v></c >\n  </row>\n</worksheet\n>\n\n"},
    {"DeclarationInOtherWords", "<?xml version='1.0' encoding='utf-8' standalone='no' ?><a/>"},
    {"BracketsThatEndNothing", "<t>a]b]]c]] ]>d]</t>"},
    {"LongText", "<t>" + std::string(70'000, 'x') + "中\n" + std::string(1000, 'y') + "</t>"},
};

INSTANTIATE_TEST_SUITE_P(Documents, ScannerReadsAsExpat, testing::ValuesIn(kReadCases),
                         [](const testing::TestParamInfo<XmlCase>& param) { return std::string(param.param.name); });

// Each is left to expat, whichever chunk it falls in; the malformed ones expat refuses as it always has.
struct UnsureCase {
    const char* name;
    std::string xml;
    bool refused; // by expat
};

class ScannerLeavesToExpat : public testing::TestWithParam<UnsureCase> {};

TEST_P(ScannerLeavesToExpat, InChunksOfAnySize)
{
    for (const std::size_t chunk : kChunks)
        EXPECT_EQ(scannerReading(GetParam().xml, chunk).log, "unsure") << "chunk " << chunk;
    EXPECT_EQ(expatReading(GetParam().xml).log == "refused", GetParam().refused);
}

const UnsureCase kUnsureCases[] = {
    // Well-formed, but not what worksheets hold.
    {"Comment", "<a><!-- x --></a>", false},
    {"ProcessingInstruction", "<?xml-stylesheet href=\"x\"?><a/>", false},
    {"Cdata", "<a><![CDATA[<x>]]></a>", false},
    {"AnotherEncoding", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>", false},
    {"CarriageReturnInText", "<a>x\ry</a>", false},
    {"CarriageReturnInValue", "<a b=\"x\ry\"/>", false},
    {"NameInAnotherScript", "<数据/>", false},
    {"ElementOfTheXmlPrefix", "<xml:a/>", false},
    // Malformed.
    {"DocumentType", "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", true},
    {"UnclosedElement", "<a><b></a>", true},
    {"MismatchedEnd", "<a><b></c></a>", true},
    {"Truncated", "<a><b>text", true},
    {"TruncatedInTag", "<a><b c=\"1", true},
    {"UnknownEntity", "<a>&nbsp;</a>", true},
    {"EntityWithoutSemicolon", "<a>&amp</a>", true},
    {"BadCharacterReference", "<a>&#xZZ;</a>", true},
    {"ReferenceToNul", "<a>&#0;</a>", true},
    {"ReferenceToSurrogate", "<a b=\"&#xD800;\"/>", true},
    {"ReferenceBeyondUnicode", "<a>&#1114112;</a>", true},
    {"UnquotedValue", "<a b=1/>", true},
    {"NoEquals", "<a b \"1\"/>", true},
    {"NoSpaceBetweenAttributes", "<a b=\"1\"c=\"2\"/>", true},
    {"DuplicateAttribute", "<a b=\"1\" b=\"2\"/>", true},
    {"DuplicateInOneNamespace", "<a xmlns:p=\"u\" xmlns:q=\"u\" p:x=\"1\" q:x=\"2\"/>", true},
    {"UnboundElementPrefix", "<p:a/>", true},
    {"UnboundAttributePrefix", "<a p:b=\"1\"/>", true},
    {"EmptyPrefixedNamespace", "<a xmlns:p=\"\"/>", true},
    {"LessThanInValue", "<a b=\"<\"/>", true},
    {"CdataEndInText", "<a>]]></a>", true},
    {"OverlongUtf8", "<a>\xC0\x80</a>", true},
    {"SurrogateInUtf8", "<a>\xED\xA0\x80</a>", true},
    {"NonCharacterInUtf8", "<a>\xEF\xBF\xBE</a>", true},
    {"StrayContinuationByte", "<a b=\"\x80\"/>", true},
    {"Utf8CutAtTheEnd", "<a>\xE4\xB8", true},
    {"ControlCharacter", "<a>\x01</a>", true},
    {"Nul", std::string("<a>\0</a>", 8), true},
    {"TextAfterTheRoot", "<a/>x", true},
    {"TwoRoots", "<a/><b/>", true},
    {"Empty", "", true},
    {"OnlySpace", " \n", true},
    {"DeclarationWithoutVersion", "<?xml encoding=\"UTF-8\"?><a/>", true},
    {"DeclarationOutOfOrder", "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?><a/>", true},
    {"DeclarationNotFirst", " <?xml version=\"1.0\"?><a/>", true},
};

INSTANTIATE_TEST_SUITE_P(Documents, ScannerLeavesToExpat, testing::ValuesIn(kUnsureCases),
                         [](const testing::TestParamInfo<UnsureCase>& param) { return std::string(param.param.name); });

// A tag too long for the scanner to hold is expat's, which reads it within its own bound.
TEST(ScannedTags, ALongerThanAMebibyteIsExpats)
{
    const std::string xml = "<a b=\"" + std::string(2 << 20, 'x') + "\"/>";
    EXPECT_TRUE(scannerReading(xml, 1 << 16).log == "unsure");
    const auto parts = minimalParts("<row><c r=\"A1\" z=\"" + std::string(2 << 20, 'z') + "\"><v>1</v></c></row>");
    EXPECT_EQ(sheet::readXlsx(zipOf(parts), "t.xlsx").sheets[0].grid.cell(1, 1), sheet::CellView::makeNumber(1));
}

// ---- Workbooks -------------------------------------------------------------------------------------------------

using Cells = std::vector<std::tuple<int, int, sheet::CellView>>;

Cells cellsOf(const sheet::Grid& grid)
{
    Cells cells;
    grid.forEachCell([&](int r, int c, const sheet::CellView& v) { cells.emplace_back(r, c, v); });
    return cells;
}

// The workbook as expat alone reads it: a comment after the root element, which the scanner leaves to expat once it
// has read all the rest.
std::map<std::string, std::string> forExpat(std::map<std::string, std::string> parts)
{
    parts["xl/worksheets/sheet1.xml"] += "<!-- for expat -->";
    return parts;
}

TEST(ScannedWorkbooks, ReadAsExpatReadsThem)
{
    // The bound falls inside 中: the text is cut before it, and nothing after it is kept, "\n" included.
    const std::string x(sheet::kMaxCellTextBytes - 1 - std::string("_x000D_\n").size(), 'x');
    const std::string rows =
        "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>45000.5</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
        "<c r=\"C1\" t=\"inlineStr\"><is><r><t>富</t></r><r><rPh><t>ふ</t></rPh><t>&amp;文本</t></r></is></c>"
        "<c r=\"D1\" t=\"e\"><f>NA()</f><v>#N/A</v></c><c r=\"E1\" t=\"b\"><v>true</v></c>"
        "<c r=\"F1\" t=\"str\"><f>A1&amp;\"x\"</f><v>45000.5x</v></c><c r=\"G1\" t=\"d\"><v>2023-03-15</v></c>"
        "<c r=\"H1\" t=\"zz\"><v>1</v></c><c t=\"s\"><v>0</v></c></row>\n"
        "<row><c><v>1e3</v></c><c r=\"C2\" t=\"inlineStr\"><is><t>_x000D_&#10;" +
        x + "中\nyz</t></is></c></row><row r=\"9\" spans=\"1:2\"><c r=\"B9\" s=\"2\"><v>-0.25</v></c></row>";
    const std::string xfs = "<xf numFmtId=\"0\"/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/><xf numFmtId=\"0\" "
                            "fontId=\"1\" applyFont=\"1\"/>";
    for (const auto& parts : {excelParts(rows, "<si><t>x</t></si><si><t>共享</t></si>", "date1904=\"1\"", xfs),
                              minimalParts(rows, "<si><t>x</t></si><si><t>共享</t></si>")}) {
        const sheet::Book scanned = sheet::readXlsx(zipOf(parts), "t.xlsx");
        const sheet::Book expat = sheet::readXlsx(zipOf(forExpat(parts)), "t.xlsx");
        const Cells cells = cellsOf(scanned.sheets[0].grid);
        EXPECT_EQ(cells.size(), 11u);
        EXPECT_EQ(cells, cellsOf(expat.sheets[0].grid));
        EXPECT_EQ(scanned.losses.describe(), expat.losses.describe());
        EXPECT_TRUE(scanned.losses.cutTexts && scanned.losses.unreadableCells && scanned.losses.formulas);
    }
    EXPECT_EQ(sheet::readXlsx(zipOf(minimalParts(rows)), "t.xlsx").sheets[0].grid.cell(2, 3).text, "\r\n" + x);
}

// The files the fuzzer starts from, as they are and with their worksheets read by expat alone.
TEST(ScannedWorkbooks, TheFuzzSeedsReadAsExpatReadsThem)
{
    int files = 0;
    for (const char* folder : {"/fuzz/corpus/xlsx", "/fuzz/regressions"})
        for (const auto& entry : std::filesystem::directory_iterator(std::string(TESSAVO_SOURCE_DIR) + folder)) {
            if (entry.path().extension() != ".xlsx")
                continue; // a worksheet's XML alone, which the fuzzer also reads
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::map<std::string, std::string> parts;
            zip_t* z = zip_open_from_source(zip_source_buffer_create(bytes.data(), bytes.size(), 0, nullptr),
                                            ZIP_RDONLY, nullptr);
            ASSERT_NE(z, nullptr) << entry.path();
            for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
                zip_stat_t st;
                zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
                std::string content(st.size, '\0');
                zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
                zip_fread(f, content.data(), st.size);
                zip_fclose(f);
                parts[st.name] = std::string(st.name).find("worksheets/") != std::string::npos
                                     ? content + "<!-- for expat -->"
                                     : content;
            }
            zip_discard(z);
            const auto outcome = [](const std::string& file) {
                try {
                    const sheet::Book book = sheet::readXlsx(file, "t.xlsx");
                    std::string all = book.losses.describe();
                    for (const auto& sheet : book.sheets)
                        for (const auto& [r, c, v] : cellsOf(sheet.grid))
                            all += " " + std::to_string(r) + "," + std::to_string(c) + "=" + std::string(v.text) +
                                   std::to_string(v.number);
                    return all;
                } catch (const sheet::FileError& e) {
                    return std::string(e.what());
                }
            };
            EXPECT_EQ(outcome(bytes), outcome(zipOf(parts))) << entry.path();
            ++files;
        }
    EXPECT_GE(files, 4);
}

TEST(ScannedWorkbooks, MalformedSheetsAreRefusedAsBefore)
{
    for (const std::string rows : {"<row><c><v>1</v></row>", "<row><c r=\"A1\" t=s><v>1</v></c></row>",
                                   "<row><c><v>&bad;</v></c></row>", "<row><c><v>1</v></c></row></sheetData>"}) {
        try {
            sheet::readXlsx(zipOf(minimalParts(rows)), "bad.xlsx");
            ADD_FAILURE() << rows;
        } catch (const sheet::FileError& e) {
            EXPECT_NE(std::string(e.what()).find("不是有效的 XML(第 1 行"), std::string::npos) << e.what();
        }
    }
}

// A sheet read again by expat costs what it costs read once: its bounds are not halved.
TEST(ScannedWorkbooks, ASheetReadAgainIsCountedOnce)
{
    std::string rows;
    for (int r = 1; r <= 2000; ++r)
        rows += "<row><c><v>" + std::to_string(r) + "</v></c><c t=\"inlineStr\"><is><t>t</t></is></c></row>";
    const std::string scanned = zipOf(minimalParts(rows));
    const auto fits = [](const std::string& bytes, std::uint64_t work) {
        sheet::XlsxReadOptions options;
        options.workLimit = work;
        try {
            return sheet::readXlsx(bytes, "t.xlsx", options).sheets[0].grid.cellCount() == 4000;
        } catch (const sheet::FileError&) {
            return false;
        }
    };
    std::uint64_t low = 1; // the least work the scanned sheet takes
    std::uint64_t high = 64 << 20;
    while (low < high) {
        const std::uint64_t middle = (low + high) / 2;
        if (fits(scanned, middle))
            high = middle;
        else
            low = middle + 1;
    }
    EXPECT_TRUE(fits(zipOf(forExpat(minimalParts(rows))), low + 200));
}

} // namespace
