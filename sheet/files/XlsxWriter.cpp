#include "cellvalues/ErrorValues.h"
#include "objectmodel/ColumnLetters.h"
#include "objectmodel/SheetName.h"
#include "sheet/files/FileError.h"
#include "sheet/files/FilePath.h"
#include "sheet/files/Progress.h"
#include "sheet/files/WriteReplacing.h"
#include "sheet/files/Xlsx.h"
#include "sheet/files/XlsxText.h"

#include <zip.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

namespace sheet {

namespace {

// Level 1 deflates a large sheet in under half the default level's time, for a file about a quarter larger.
constexpr int kDeflateLevel = 1;
constexpr std::size_t kFlushAt = std::size_t{1} << 20;

constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kRelationshipNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// Style indexes in styles.xml: 0 general, 1 a date, 2 a date with a time of day.
constexpr std::string_view kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"2\"><numFmt numFmtId=\"164\" formatCode=\"yyyy/m/d\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"yyyy/m/d h:mm:ss\"/></numFmts>"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"3\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"165\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

void appendAttribute(std::string& out, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
            break;
        }
    }
}

bool needsPreservedSpace(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    return !text.empty() && (isSpace(text.front()) || isSpace(text.back()));
}

void appendInteger(std::string& out, long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Column letters of every column of the sheet, computed once: "A" .. "XFD".
class ColumnNames {
public:
    ColumnNames()
    {
        for (std::int32_t column = 1; column <= Grid::kColumns; ++column) {
            const std::string letters = objectmodel::columnLetters(column);
            Name& name = m_names[static_cast<std::size_t>(column)];
            letters.copy(name.letters, sizeof name.letters);
            name.length = static_cast<char>(letters.size());
        }
    }
    std::string_view operator[](std::int32_t column) const
    {
        const Name& name = m_names[static_cast<std::size_t>(column)];
        return {name.letters, static_cast<std::size_t>(name.length)};
    }

private:
    struct Name {
        char letters[3] = {};
        char length = 0;
    };
    std::array<Name, Grid::kColumns + 1> m_names;
};

const ColumnNames& columnNames()
{
    static const ColumnNames names;
    return names;
}

// A part written to its own file as it is produced, so that a sheet of any size needs little memory.
class PartFile {
public:
    PartFile(const std::string& path, const std::string& target)
        : m_out(filePath(path), std::ios::binary | std::ios::trunc), m_target(target)
    {
        if (!m_out)
            fail();
        m_buffer.reserve(kFlushAt + 4096);
    }

    std::string& buffer() { return m_buffer; }
    void flushIfFull()
    {
        if (m_buffer.size() >= kFlushAt)
            flush();
    }
    void finish()
    {
        flush();
        m_out.close();
        if (!m_out)
            fail();
    }

private:
    void flush()
    {
        m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        if (!m_out)
            fail();
        m_buffer.clear();
    }
    [[noreturn]] void fail() const { throw fileError(m_target, "写入失败(磁盘已满或没有权限?)。"); }

    std::ofstream m_out;
    const std::string& m_target;
    std::string m_buffer;
};

void appendCell(std::string& out, std::string_view reference, const CellView& cell)
{
    out += "<c r=\"";
    out += reference;
    switch (cell.kind) {
    case CellKind::Number:
    case CellKind::Date: {
        if (!std::isfinite(cell.number)) { // no file format holds these; say so the way a sheet would
            out += "\" t=\"e\"><v>#NUM!</v></c>";
            return;
        }
        if (cell.kind == CellKind::Date)
            out += cell.number == std::floor(cell.number) ? "\" s=\"1" : "\" s=\"2";
        out += "\"><v>";
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, cell.number);
        out.append(buffer, result.ptr);
        out += "</v></c>";
        return;
    }
    case CellKind::Text:
        out += needsPreservedSpace(cell.text) ? "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                                              : "\" t=\"inlineStr\"><is><t>";
        xlsx::appendText(out, cell.text);
        out += "</t></is></c>";
        return;
    case CellKind::Boolean:
        out += cell.number != 0 ? "\" t=\"b\"><v>1</v></c>" : "\" t=\"b\"><v>0</v></c>";
        return;
    case CellKind::Error:
        out += "\" t=\"e\"><v>";
        out += cellvalues::errorName(cell.error);
        out += "</v></c>";
        return;
    case CellKind::Empty:
        break;
    }
    out += "\"/>";
}

// `steps` counts cells across all sheets; false from it stops the writing with FileCancelled.
void writeSheetPart(PartFile& part, const Grid& grid, bool selected, ProgressSteps& steps, std::size_t& done)
{
    const ColumnNames& columns = columnNames();
    std::string& out = part.buffer();
    out += kXmlDeclaration;
    out += "<worksheet xmlns=\"";
    out += kMainNamespace;
    out += "\" xmlns:r=\"";
    out += kRelationshipNamespace;
    out += "\"><dimension ref=\"A1";
    if (grid.lastRow() > 0 && (grid.lastRow() > 1 || grid.lastColumn() > 1)) {
        out += ':';
        out += columns[grid.lastColumn()];
        appendInteger(out, grid.lastRow());
    }
    out += "\"/><sheetViews><sheetView";
    if (selected)
        out += " tabSelected=\"1\"";
    out += " workbookViewId=\"0\"/></sheetViews><sheetData>";

    std::int32_t currentRow = 0;
    char rowDigits[12];
    std::size_t rowLength = 0;
    char reference[16];
    bool cancelled = false;
    grid.forEachCell([&](std::int32_t row, std::int32_t column, const CellView& cell) {
        // forEachCell cannot be left early: once cancelled, the rest is skipped.
        if (cancelled || !steps.at(++done)) {
            cancelled = true;
            return;
        }
        if (row != currentRow) {
            if (currentRow != 0)
                out += "</row>";
            currentRow = row;
            rowLength =
                static_cast<std::size_t>(std::to_chars(rowDigits, rowDigits + sizeof rowDigits, row).ptr - rowDigits);
            out += "<row r=\"";
            out.append(rowDigits, rowLength);
            out += "\">";
        }
        const std::string_view letters = columns[column];
        std::memcpy(reference, letters.data(), letters.size());
        std::memcpy(reference + letters.size(), rowDigits, rowLength);
        appendCell(out, {reference, letters.size() + rowLength}, cell);
        part.flushIfFull(); // a row of long texts can be large on its own
    });
    if (cancelled)
        throw FileCancelled("xlsx");
    if (currentRow != 0)
        out += "</row>";
    out += "</sheetData></worksheet>";
    part.finish();
}

// The zip archive being written. Entries are read from their sources only when it is closed.
class Archive {
public:
    Archive(const std::string& path, const std::string& target) : m_target(target)
    {
        int code = 0;
        m_zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        if (!m_zip) {
            zip_error_t error;
            zip_error_init_with_code(&error, code);
            const std::string what = describe(&error);
            zip_error_fini(&error);
            throw fileError(m_target, "无法保存: " + what);
        }
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    ~Archive()
    {
        if (m_zip)
            zip_discard(m_zip);
    }

    void addText(const std::string& name, std::string content)
    {
        const std::string& kept = m_texts.emplace_back(std::move(content));
        add(name, zip_source_buffer(m_zip, kept.data(), kept.size(), 0));
    }
    void addFile(const std::string& name, const std::string& path)
    {
        add(name, zip_source_file(m_zip, path.c_str(), 0, -1));
    }
    /// Compresses and writes every entry, telling `progress` how far it has come, from `from` to 1.
    void close(const Progress& progress, double from)
    {
        struct State {
            const Progress& progress;
            double from;
            bool cancelled = false;
        } state{progress, from};
        if (progress) {
            zip_register_progress_callback_with_state(
                m_zip, 0.01,
                [](zip_t*, double done, void* s) {
                    auto* st = static_cast<State*>(s);
                    st->cancelled = st->cancelled || !st->progress(st->from + (1 - st->from) * done);
                },
                nullptr, &state);
            zip_register_cancel_callback_with_state(
                m_zip, [](zip_t*, void* s) { return static_cast<State*>(s)->cancelled ? 1 : 0; }, nullptr, &state);
        }
        if (zip_close(m_zip) != 0) {
            if (state.cancelled)
                throw FileCancelled(m_target);
            fail();
        }
        m_zip = nullptr;
    }

private:
    void add(const std::string& name, zip_source_t* source)
    {
        if (!source)
            fail();
        const zip_int64_t index = zip_file_add(m_zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            fail();
        }
        if (zip_set_file_compression(m_zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kDeflateLevel) != 0)
            fail();
    }
    [[noreturn]] void fail() const { throw fileError(m_target, "无法保存: " + describe(zip_get_error(m_zip))); }

    // libzip's own words are English: the system's part of them is said in Chinese, the rest by number.
    static std::string describe(zip_error_t* error)
    {
        if (zip_error_system_type(error) == ZIP_ET_SYS && zip_error_code_system(error) != 0)
            return systemErrorText(std::error_code(zip_error_code_system(error), std::generic_category()));
        if (zip_error_code_zip(error) == ZIP_ER_MEMORY)
            return "内存不足";
        return "写入压缩包时出错(错误 " + std::to_string(zip_error_code_zip(error)) + ")";
    }

    const std::string& m_target;
    zip_t* m_zip = nullptr;
    std::deque<std::string> m_texts; // buffers the archive reads when it is closed
};

// Files that must outlive the archive's sources, removed however the save ends.
class TemporaryFiles {
public:
    TemporaryFiles() = default;
    TemporaryFiles(const TemporaryFiles&) = delete;
    TemporaryFiles& operator=(const TemporaryFiles&) = delete;
    ~TemporaryFiles()
    {
        std::error_code ignored;
        for (const std::string& path : m_paths)
            std::filesystem::remove(filePath(path), ignored);
    }
    const std::string& add(std::string path) { return m_paths.emplace_back(std::move(path)); }

private:
    std::deque<std::string> m_paths;
};

std::vector<std::string> namesOf(const std::vector<SheetToWrite>& sheets)
{
    std::vector<std::string> names;
    names.reserve(sheets.size());
    for (const SheetToWrite& sheet : sheets)
        names.emplace_back(sheet.name);
    return names;
}

std::string contentTypes(std::size_t sheetCount)
{
    std::string xml(kXmlDeclaration);
    xml += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
           "<Override PartName=\"/xl/styles.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    for (std::size_t i = 1; i <= sheetCount; ++i)
        xml += "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(i) +
               ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    xml += "</Types>";
    return xml;
}

std::string packageRelationships()
{
    std::string xml(kXmlDeclaration);
    xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
           "Target=\"xl/workbook.xml\"/></Relationships>";
    return xml;
}

std::string workbookPart(const std::vector<std::string>& names)
{
    std::string xml(kXmlDeclaration);
    xml += "<workbook xmlns=\"";
    xml += kMainNamespace;
    xml += "\" xmlns:r=\"";
    xml += kRelationshipNamespace;
    xml += "\"><bookViews><workbookView/></bookViews><sheets>";
    for (std::size_t i = 1; i <= names.size(); ++i) {
        xml += "<sheet name=\"";
        appendAttribute(xml, names[i - 1]);
        xml += "\" sheetId=\"" + std::to_string(i) + "\" r:id=\"rId" + std::to_string(i) + "\"/>";
    }
    xml += "</sheets></workbook>";
    return xml;
}

std::string workbookRelationships(std::size_t sheetCount)
{
    std::string xml(kXmlDeclaration);
    xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (std::size_t i = 1; i <= sheetCount; ++i)
        xml += "<Relationship Id=\"rId" + std::to_string(i) +
               "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
               "Target=\"worksheets/sheet" +
               std::to_string(i) + ".xml\"/>";
    xml += "<Relationship Id=\"rId" + std::to_string(sheetCount + 1) +
           "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
           "Target=\"styles.xml\"/></Relationships>";
    return xml;
}

} // namespace

std::vector<std::string> savedSheetNames(const std::vector<std::string>& names)
{
    std::vector<std::string> out;
    std::set<std::string> taken;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string base = objectmodel::validSheetName(names[i], "Sheet" + std::to_string(i + 1));
        std::string name = base;
        for (int n = 2; taken.count(objectmodel::foldedSheetName(name)) != 0; ++n)
            name = objectmodel::uniqueSheetName(base, n);
        taken.insert(objectmodel::foldedSheetName(name));
        out.push_back(std::move(name));
    }
    return out;
}

void writeXlsxFile(const std::string& path, const std::vector<SheetToWrite>& sheets, const Progress& progress)
{
    // A workbook has at least one sheet.
    const Grid blank;
    const std::vector<SheetToWrite> written = sheets.empty() ? std::vector<SheetToWrite>{{"Sheet1", blank}} : sheets;
    const std::vector<std::string> names = savedSheetNames(namesOf(written));

    // The sheets' text comes first and the compression after: they take about the same time.
    constexpr double kTextShare = 0.5;
    std::size_t cells = 0;
    for (const SheetToWrite& sheet : written)
        cells += sheet.grid.cellCount();
    const Progress textProgress =
        progress ? Progress([&](double done) { return progress(done * kTextShare); }) : Progress();
    ProgressSteps steps(textProgress, cells, 1 << 18);
    std::size_t done = 0;

    writeReplacing(path, [&](const std::string& temporary) {
        TemporaryFiles parts;
        Archive archive(temporary, path);
        archive.addText("[Content_Types].xml", contentTypes(written.size()));
        archive.addText("_rels/.rels", packageRelationships());
        archive.addText("xl/workbook.xml", workbookPart(names));
        archive.addText("xl/_rels/workbook.xml.rels", workbookRelationships(written.size()));
        archive.addText("xl/styles.xml", std::string(kXmlDeclaration) + std::string(kStyles));
        for (std::size_t i = 0; i < written.size(); ++i) {
            // Each sheet goes to a file of its own first, so the archive knows its size and memory stays flat.
            const std::string& partPath = parts.add(temporary + ".sheet" + std::to_string(i + 1));
            PartFile part(partPath, path);
            writeSheetPart(part, written[i].grid, i == 0, steps, done);
            archive.addFile("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", partPath);
        }
        archive.close(progress, kTextShare);
    });
}

} // namespace sheet
