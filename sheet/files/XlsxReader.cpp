#include "CellText.h"
#include "DateSerial.h"
#include "FileError.h"
#include "SheetName.h"
#include "Utf8.h"
#include "WholeFile.h"
#include "Xlsx.h"

#include <expat.h>
#include <zip.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace sheet {

namespace {

// ---- The archive -------------------------------------------------------------------------------------------------

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct FileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

class Archive {
public:
    Archive(std::string_view bytes, const std::string& name) : m_name(name)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source)
            m_zip.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
        if (source && !m_zip)
            zip_source_free(source);
        zip_error_fini(&error);
        if (!m_zip)
            throw fileError(name, "不是有效的 XLSX 文件(不是 zip 压缩包,或压缩包已损坏)。");
    }

    bool has(const std::string& part) const { return zip_name_locate(m_zip.get(), part.c_str(), 0) >= 0; }

    std::vector<std::string> entries() const
    {
        std::vector<std::string> out;
        const zip_int64_t n = zip_get_num_entries(m_zip.get(), 0);
        for (zip_int64_t i = 0; i < n; ++i)
            if (const char* entry = zip_get_name(m_zip.get(), static_cast<zip_uint64_t>(i), 0))
                out.emplace_back(entry);
        return out;
    }

    /// Streams `part` through `parser`, chunk by chunk.
    void parse(const std::string& part, XML_Parser parser) const
    {
        std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen(m_zip.get(), part.c_str(), 0));
        if (!file)
            throw fileError(m_name, "缺少部件 " + part + ",文件不完整。");
        constexpr int kChunk = 1 << 17;
        for (;;) {
            // Inflated straight into the parser's own buffer: one copy of every byte fewer.
            void* buffer = XML_GetBuffer(parser, kChunk);
            if (!buffer)
                throw fileError(m_name, "内存不足,无法读取部件 " + part + "。");
            const zip_int64_t n = zip_fread(file.get(), buffer, kChunk);
            if (n < 0)
                throw fileError(m_name, "部件 " + part + " 已损坏,无法解压。");
            if (XML_ParseBuffer(parser, static_cast<int>(n), n == 0) == XML_STATUS_ERROR)
                throw fileError(m_name, "部件 " + part + " 不是有效的 XML(第 " +
                                            std::to_string(XML_GetCurrentLineNumber(parser)) +
                                            " 行: " + XML_ErrorString(XML_GetErrorCode(parser)) + ")。");
            if (n == 0)
                return;
        }
    }

private:
    std::string m_name;
    std::unique_ptr<zip_t, ZipCloser> m_zip;
};

// ---- XML helpers -------------------------------------------------------------------------------------------------

// Element names without a namespace prefix: producers may write "x:c" for "c".
std::string_view local(const char* name)
{
    std::string_view n(name);
    const auto colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

const char* attribute(const char** attributes, std::string_view wanted)
{
    for (int i = 0; attributes[i]; i += 2)
        if (local(attributes[i]) == wanted || std::string_view(attributes[i]) == wanted)
            return attributes[i + 1];
    return nullptr;
}

// Runs one part through expat with a handler object that has start(name, attributes), end(name) and text(chars).
template <class Handler> void parsePart(const Archive& archive, const std::string& part, Handler& handler)
{
    std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr),
                                                                                         &XML_ParserFree);
    XML_SetUserData(parser.get(), &handler);
    handler.parser = parser.get();
    XML_SetElementHandler(
        parser.get(),
        [](void* h, const XML_Char* name, const XML_Char** attributes) {
            static_cast<Handler*>(h)->start(local(name), attributes);
        },
        [](void* h, const XML_Char* name) { static_cast<Handler*>(h)->end(local(name)); });
    XML_SetCharacterDataHandler(parser.get(), [](void* h, const XML_Char* s, int length) {
        static_cast<Handler*>(h)->text(std::string_view(s, static_cast<std::size_t>(length)));
    });
    // Handlers throw FileError; expat is C and must not be unwound through, so errors are parked and rethrown.
    try {
        archive.parse(part, parser.get());
    } catch (...) {
        if (handler.failure)
            std::rethrow_exception(handler.failure);
        throw;
    }
    if (handler.failure)
        std::rethrow_exception(handler.failure);
}

// Base of the handlers: an exception raised inside a callback stops the parser and is rethrown afterwards.
struct HandlerBase {
    std::exception_ptr failure;
    XML_Parser parser = nullptr;
};

template <class F> void guarded(HandlerBase& h, F&& f)
{
    if (h.failure)
        return;
    try {
        f();
    } catch (...) {
        h.failure = std::current_exception();
        XML_StopParser(h.parser, XML_FALSE);
    }
}

// ---- Parts -------------------------------------------------------------------------------------------------------

struct Relationship {
    std::string type;
    std::string target; // a part name within the archive
};

// The part a relationship of `from` (e.g. "xl/workbook.xml") points to.
std::string resolve(const std::string& from, std::string target)
{
    if (!target.empty() && target.front() == '/')
        return target.substr(1);
    std::string base = from.substr(0, from.find_last_of('/') + 1);
    while (target.rfind("../", 0) == 0) {
        target.erase(0, 3);
        if (!base.empty())
            base.erase(base.find_last_of('/', base.size() - 2) + 1);
    }
    return base + target;
}

struct RelsHandler : HandlerBase {
    std::string from;
    std::map<std::string, Relationship> byId;
    void start(std::string_view name, const char** a)
    {
        if (name != "Relationship")
            return;
        const char* id = attribute(a, "Id");
        const char* type = attribute(a, "Type");
        const char* target = attribute(a, "Target");
        const char* mode = attribute(a, "TargetMode");
        if (id && type && target && !(mode && std::string_view(mode) == "External"))
            byId[id] = {type, resolve(from, target)};
    }
    void end(std::string_view) {}
    void text(std::string_view) {}
};

struct WorkbookHandler : HandlerBase {
    struct Entry {
        std::string name;
        std::string relationship;
    };
    std::vector<Entry> sheets;
    bool date1904 = false;
    bool definedNames = false;
    void start(std::string_view name, const char** a)
    {
        if (name == "sheet") {
            const char* n = attribute(a, "name");
            const char* id = attribute(a, "id"); // r:id
            sheets.push_back({n ? n : "", id ? id : ""});
        } else if (name == "workbookPr") {
            const char* d = attribute(a, "date1904");
            date1904 = d && (std::string_view(d) == "1" || std::string_view(d) == "true");
        } else if (name == "definedName") {
            definedNames = true;
        }
    }
    void end(std::string_view) {}
    void text(std::string_view) {}
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Spreadsheet files write characters XML cannot carry (control characters, U+FFFE) as _xHHHH_, and a literal
// "_x" that looks like one as _x005F_x. Decodes them in place; surrogate pairs written this way are joined.
void unescapeText(std::string& text)
{
    if (text.find("_x") == std::string::npos)
        return;
    const auto codeAt = [&](std::size_t at) -> int {
        if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_')
            return -1;
        int code = 0;
        for (std::size_t i = at + 2; i < at + 6; ++i) {
            const int digit = hexValue(text[i]);
            if (digit < 0)
                return -1;
            code = code * 16 + digit;
        }
        return code;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const int code = codeAt(at);
        if (code < 0) {
            out += text[at++];
            continue;
        }
        at += 7;
        char32_t c = static_cast<char32_t>(code);
        if (c >= 0xD800 && c <= 0xDBFF) {
            const int low = codeAt(at);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
                at += 7;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    text = std::move(out);
}

struct SharedStringsHandler : HandlerBase {
    std::vector<std::string> strings;
    std::string current;
    int depthInPhonetic = 0;
    bool inText = false;
    void start(std::string_view name, const char**)
    {
        if (name == "si")
            current.clear();
        else if (name == "rPh")
            ++depthInPhonetic;
        else if (name == "t")
            inText = depthInPhonetic == 0;
    }
    void end(std::string_view name)
    {
        if (name == "si") {
            unescapeText(current);
            strings.push_back(std::move(current));
        } else if (name == "rPh")
            --depthInPhonetic;
        else if (name == "t")
            inText = false;
    }
    void text(std::string_view s)
    {
        if (inText)
            current += s;
    }
};

bool isDateFormatCode(std::string_view code)
{
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
            continue;
        }
        if (bracket) {
            bracket = c != ']';
            continue;
        }
        switch (c) {
        case '"':
            quoted = true;
            break;
        case '[':
            bracket = true;
            break;
        case '\\':
        case '_':
        case '*':
            ++i; // the next character is literal
            break;
        case 'y':
        case 'Y':
        case 'd':
        case 'D':
        case 'h':
        case 'H':
        case 's':
        case 'S':
        case 'm':
        case 'M':
            return code != "General";
        default:
            break;
        }
    }
    return false;
}

bool isBuiltinDate(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

struct StylesHandler : HandlerBase {
    struct Xf {
        bool date = false;
        bool styled = false; // anything the sheet cannot keep
    };
    std::map<int, std::string> formats;
    std::vector<Xf> xfs;
    bool inCellXfs = false;
    static int number(const char* s)
    {
        int v = 0;
        if (s)
            std::from_chars(s, s + std::strlen(s), v);
        return v;
    }
    void start(std::string_view name, const char** a)
    {
        if (name == "numFmt") {
            const char* code = attribute(a, "formatCode");
            formats[number(attribute(a, "numFmtId"))] = code ? code : "";
        } else if (name == "cellXfs") {
            inCellXfs = true;
        } else if (name == "xf" && inCellXfs) {
            const int format = number(attribute(a, "numFmtId"));
            auto found = formats.find(format);
            Xf xf;
            xf.date = found != formats.end() ? isDateFormatCode(found->second) : isBuiltinDate(format);
            xf.styled = (format != 0 && !xf.date) || number(attribute(a, "fontId")) != 0 ||
                        number(attribute(a, "fillId")) != 0 || number(attribute(a, "borderId")) != 0;
            xfs.push_back(xf);
        }
    }
    void end(std::string_view name)
    {
        if (name == "cellXfs")
            inCellXfs = false;
    }
    void text(std::string_view) {}
};

// "AB12" -> row 12, column 28; false when it is no reference.
bool parseReference(std::string_view ref, std::int64_t& row, std::int64_t& column)
{
    std::size_t i = 0;
    column = 0;
    while (i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])) && column <= 1'000'000)
        column = column * 26 + (std::toupper(static_cast<unsigned char>(ref[i++])) - 'A' + 1);
    if (i == 0 || i == ref.size() || i > 7)
        return false;
    row = 0;
    for (; i < ref.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(ref[i])) || row > 100'000'000)
            return false;
        row = row * 10 + (ref[i] - '0');
    }
    return true;
}

// "2023-03-15T12:30:00" as a date serial.
std::optional<double> parseIsoDate(std::string_view s)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double sec = 0;
    const std::string text(s);
    const int n = std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%lf", &y, &mo, &d, &h, &mi, &sec);
    if (n < 3 || mo < 1 || mo > 12 || d < 1 || d > 31)
        return std::nullopt;
    automation::CivilDateTime t;
    t.year = y;
    t.month = static_cast<unsigned>(mo);
    t.day = static_cast<unsigned>(d);
    const double time = (h * 3600.0 + mi * 60.0 + sec) / 86400.0;
    return automation::serialFromCivil(t) + time;
}

struct SheetHandler : HandlerBase {
    const std::string* fileName = nullptr;
    const std::vector<std::string>* strings = nullptr;
    const std::vector<StylesHandler::Xf>* xfs = nullptr;
    bool date1904 = false;
    Grid* grid = nullptr;
    Losses* losses = nullptr;

    std::int64_t row = 0;
    std::int64_t column = 0;
    std::string type;
    int style = 0;
    bool hasFormula = false;
    std::string formula;
    std::string value;
    bool inValue = false;
    bool inFormula = false;
    bool inInline = false;
    bool inInlineText = false;
    int phonetic = 0;

    [[noreturn]] void fail(const std::string& what) const { throw fileError(*fileName, what); }
    std::string where() const
    {
        std::string letters;
        for (std::int64_t c = column; c > 0; c = (c - 1) / 26)
            letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
        return letters + std::to_string(row);
    }

    void start(std::string_view name, const char** a)
    {
        guarded(*this, [&] {
            if (name == "row") {
                if (const char* r = attribute(a, "r")) {
                    std::int64_t v = 0;
                    std::from_chars(r, r + std::strlen(r), v);
                    row = v;
                } else {
                    ++row;
                }
                column = 0;
            } else if (name == "c") {
                if (const char* r = attribute(a, "r")) {
                    std::int64_t refRow = 0;
                    if (!parseReference(r, refRow, column))
                        fail(std::string("单元格引用“") + r + "”无效。");
                    row = refRow;
                } else {
                    ++column;
                }
                if (row < 1 || row > Grid::kRows || column < 1 || column > Grid::kColumns)
                    fail("单元格“" + where() + "”超出工作表范围(最多 1048576 行、16384 列),文件太大。");
                const char* t = attribute(a, "t");
                type = t ? t : "n";
                const char* s = attribute(a, "s");
                style = s ? std::atoi(s) : 0;
                hasFormula = false;
                formula.clear();
                value.clear();
                inInline = false;
            } else if (name == "v") {
                inValue = true;
            } else if (name == "f") {
                hasFormula = true;
                inFormula = true;
            } else if (name == "is") {
                inInline = true;
            } else if (name == "rPh") {
                ++phonetic;
            } else if (name == "t" && inInline) {
                inInlineText = phonetic == 0;
            } else if (name == "mergeCell") {
                losses->mergedCells = true;
            } else if (name == "drawing" || name == "legacyDrawing" || name == "picture" || name == "oleObjects" ||
                       name == "controls" || name == "tableParts" || name == "hyperlinks" ||
                       name == "dataValidations" || name == "conditionalFormatting") {
                losses->otherParts = true;
            }
        });
    }

    void end(std::string_view name)
    {
        guarded(*this, [&] {
            if (name == "v")
                inValue = false;
            else if (name == "f")
                inFormula = false;
            else if (name == "rPh")
                --phonetic;
            else if (name == "t")
                inInlineText = false;
            else if (name == "c")
                storeCell();
        });
    }

    void text(std::string_view s)
    {
        if (inValue || inInlineText)
            value += s;
        else if (inFormula)
            formula += s;
    }

    double numberOf(const std::string& text) const
    {
        double v = 0;
        const char* first = text.data();
        const char* last = first + text.size();
        while (first < last && *first == ' ')
            ++first;
        const auto [end, ec] = std::from_chars(first, last, v);
        if (ec != std::errc() || end != last || !std::isfinite(v))
            fail("单元格“" + where() + "”的数值“" + text + "”无效。");
        return v;
    }

    void storeCell()
    {
        const auto r = static_cast<std::int32_t>(row);
        const auto c = static_cast<std::int32_t>(column);
        bool keptFormula = false;
        CellView cell;
        if (type == "s") {
            if (value.empty())
                return;
            const double index = numberOf(value);
            if (index < 0 || index >= static_cast<double>(strings->size()) || index != std::floor(index))
                fail("单元格“" + where() + "”引用的共享字符串 " + value + " 不存在(共有 " +
                     std::to_string(strings->size()) + " 个)。");
            cell = CellView::makeText((*strings)[static_cast<std::size_t>(index)]);
        } else if (type == "inlineStr" || type == "str") {
            unescapeText(value);
            cell = CellView::makeText(value);
        } else if (type == "b") {
            if (value != "0" && value != "1")
                fail("单元格“" + where() + "”的逻辑值“" + value + "”无效。");
            cell = CellView::makeBoolean(value == "1");
        } else if (type == "e") {
            cell = CellView::makeError(errorCode(value).value_or(2015));
            keptFormula = hasFormula && formulaFor(cell.error) == formula;
        } else if (type == "d") {
            const auto serial = parseIsoDate(value);
            if (!serial)
                fail("单元格“" + where() + "”的日期“" + value + "”无效。");
            cell = CellView::makeDate(*serial);
        } else if (type == "n") {
            if (value.empty()) {
                if (hasFormula)
                    losses->formulas = true;
                noteStyle();
                return;
            }
            const double v = numberOf(value);
            const bool date = style >= 0 && static_cast<std::size_t>(style) < xfs->size() && (*xfs)[style].date;
            cell = date ? CellView::makeDate(date1904 ? v + 1462 : v) : CellView::makeNumber(v);
        } else {
            fail("单元格“" + where() + "”的类型“" + type + "”无效。");
        }
        if (hasFormula && !keptFormula)
            losses->formulas = true;
        noteStyle();
        if (cell.kind == CellKind::Text && cell.text.empty())
            return;
        grid->setCell(r, c, cell);
    }

    void noteStyle()
    {
        if (style > 0 && static_cast<std::size_t>(style) < xfs->size() && (*xfs)[style].styled)
            losses->styles = true;
    }

    static std::string formulaFor(std::int32_t code)
    {
        switch (code) {
        case 2000:
            return "#NULL!";
        case 2007:
            return "1/0";
        case 2015:
            return "#VALUE!";
        case 2023:
            return "#REF!";
        case 2029:
            return "#NAME?";
        case 2036:
            return "#NUM!";
        case 2042:
            return "NA()";
        default:
            return {};
        }
    }
};

// Parts every workbook may hold that carry nothing the embedded spreadsheet loses.
bool isBenign(const std::string& entry)
{
    return entry == "[Content_Types].xml" || entry == "_rels/.rels" || entry.rfind("docProps/", 0) == 0 ||
           entry.rfind("xl/theme/", 0) == 0 || entry == "xl/calcChain.xml" || entry.empty() || entry.back() == '/';
}

} // namespace

Book readXlsx(std::string_view bytes, const std::string& name)
{
    const Archive archive(bytes, name);
    std::set<std::string> read = {"xl/workbook.xml", "xl/_rels/workbook.xml.rels"};

    WorkbookHandler workbook;
    parsePart(archive, "xl/workbook.xml", workbook);
    RelsHandler rels;
    rels.from = "xl/workbook.xml";
    parsePart(archive, "xl/_rels/workbook.xml.rels", rels);

    auto partOfType = [&](std::string_view suffix, const char* fallback) {
        for (const auto& [id, r] : rels.byId)
            if (r.type.size() >= suffix.size() &&
                r.type.compare(r.type.size() - suffix.size(), suffix.size(), suffix) == 0)
                return r.target;
        return std::string(fallback);
    };

    Book book;
    SharedStringsHandler strings;
    if (const std::string part = partOfType("/sharedStrings", "xl/sharedStrings.xml"); archive.has(part)) {
        parsePart(archive, part, strings);
        read.insert(part);
    }
    StylesHandler styles;
    if (const std::string part = partOfType("/styles", "xl/styles.xml"); archive.has(part)) {
        parsePart(archive, part, styles);
        read.insert(part);
    }
    book.losses.otherParts = workbook.definedNames;

    for (const auto& entry : workbook.sheets) {
        auto found = rels.byId.find(entry.relationship);
        if (found == rels.byId.end())
            throw fileError(name, "工作表“" + entry.name + "”缺少对应的部件。");
        if (found->second.type.size() < 10 ||
            found->second.type.compare(found->second.type.size() - 10, 10, "/worksheet") != 0) {
            book.losses.otherParts = true; // a chart sheet or a dialog sheet
            continue;
        }
        book.sheets.push_back({validSheetName(entry.name, "Sheet" + std::to_string(book.sheets.size() + 1)), Grid()});
        SheetHandler sheet;
        sheet.fileName = &name;
        sheet.strings = &strings.strings;
        sheet.xfs = &styles.xfs;
        sheet.date1904 = workbook.date1904;
        sheet.grid = &book.sheets.back().grid;
        sheet.losses = &book.losses;
        parsePart(archive, found->second.target, sheet);
        read.insert(found->second.target);
    }
    if (book.sheets.empty())
        throw fileError(name, "工作簿中没有工作表。");

    for (const std::string& entry : archive.entries())
        if (!read.count(entry) && !isBenign(entry))
            book.losses.otherParts = true;
    return book;
}

Book readXlsxFile(const std::string& path)
{
    return readXlsx(readWholeFile(path), path);
}

} // namespace sheet
