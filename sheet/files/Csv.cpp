#include "sheet/files/Csv.h"

#include "cellvalues/ErrorValues.h"
#include "objectmodel/SheetName.h"
#include "sheet/files/CellText.h"
#include "sheet/files/FileError.h"
#include "sheet/files/FilePath.h"
#include "sheet/files/TextCodec.h"
#include "sheet/files/WholeFile.h"
#include "sheet/files/WriteReplacing.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace sheet {

namespace {

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return objectmodel::validSheetName(name, "Sheet1");
}

void store(Grid& grid, std::int32_t row, std::int32_t column, std::string_view field)
{
    if (field.empty())
        return;
    // Only what comes back as written is a value; anything else stays the text it is, so saving changes nothing.
    if (const auto value = valueOfField(field))
        grid.setCell(row, column, *value);
    else
        grid.setCell(row, column, CellView::makeText(field));
}

// How a field that begins with a quote ends.
struct QuotedField {
    enum Outcome {
        Closed,   // by a quote followed by the end of the field: `end` is where the field ends
        Unquoted, // not a quoted field after all: it is read as written
        Unclosed, // by the end of the text: the file is cut short
    } outcome;
    std::size_t end = 0;
    std::size_t lineBreaks = 0; // line feeds inside the field
};

// Reads a quoted field from just after its opening quote into `out`. Inside it, two quotes stand for one, and a
// quote closes the field only where blanks at most stand between it and the separator or the end of the record;
// the blanks are kept. Any other quote is an ordinary character, so that a quoted field holding quotes nobody
// doubled (`"He said "hi" to me"`) still reads right. After such a quote the field is doubtful: unless a closing
// quote comes before the next separator or line break, the field is read as written, quotes and all (`"ab"c`), as
// other spreadsheet programs read it. So a doubtful field never takes the next line, and no stretch of the text
// is scanned more than a few times over, however the quotes fall.
QuotedField scanQuoted(std::string_view text, std::size_t from, char separator, std::string& out)
{
    out.clear();
    const std::size_t n = text.size();
    QuotedField result{QuotedField::Unclosed};
    bool doubtful = false;
    const char endChars[] = {separator, '\r', '\n'};
    const std::string_view ends(endChars, sizeof endChars);
    std::size_t p = from;
    for (;;) {
        const std::size_t quote = std::min(text.find('"', p), n);
        const std::string_view run = text.substr(p, quote - p);
        if (doubtful && run.find_first_of(ends) != std::string_view::npos)
            return {QuotedField::Unquoted};
        result.lineBreaks += static_cast<std::size_t>(std::count(run.begin(), run.end(), '\n'));
        out.append(run);
        if (quote == n)
            return doubtful ? QuotedField{QuotedField::Unquoted} : result;
        if (quote + 1 < n && text[quote + 1] == '"') {
            out += '"';
            p = quote + 2;
            continue;
        }
        std::size_t after = quote + 1;
        while (after < n && text[after] == ' ')
            ++after;
        if (after == n || text[after] == separator || text[after] == '\n' || text[after] == '\r') {
            out.append(text.substr(quote + 1, after - quote - 1));
            result.outcome = QuotedField::Closed;
            result.end = after;
            return result;
        }
        doubtful = true;
        out += '"';
        p = quote + 1;
    }
}

} // namespace

Book readCsv(std::string_view bytes, const std::string& name, TextEncoding encoding, char separator,
             const Progress& progress)
{
    std::string converted;
    Book book;
    const std::string_view text = decodeText(bytes, name, encoding, converted, book.reading);
    book.sheets.push_back({baseName(name), Grid()});
    Grid& grid = book.sheets.back().grid;

    std::int32_t row = 1;
    std::int32_t column = 1;
    std::size_t line = 1;
    std::string quotedField; // a quoted field, unquoted
    const std::size_t n = text.size();
    std::size_t i = 0;
    ProgressSteps steps(progress, n, std::size_t{4} << 20);

    while (i < n) {
        if (!steps.at(i))
            throw FileCancelled(name);
        // One field: most are plain and are taken as a view of the text; quoted ones are unquoted into a copy.
        std::string_view field;
        std::size_t j = i;
        std::size_t opening = i;
        while (opening < n && text[opening] == ' ')
            ++opening;
        bool quoted = false;
        if (opening < n && text[opening] == '"') {
            const QuotedField q = scanQuoted(text, opening + 1, separator, quotedField);
            if (q.outcome == QuotedField::Unclosed)
                throw fileError(name, "第 " + std::to_string(line) + " 行的引号没有闭合,文件不完整。");
            if (q.outcome == QuotedField::Closed) {
                quoted = true;
                field = quotedField;
                j = q.end;
                line += q.lineBreaks;
            }
        }
        if (!quoted) {
            while (j < n && text[j] != separator && text[j] != '\n' && text[j] != '\r')
                ++j;
            field = text.substr(i, j - i);
        }

        if (row > Grid::kRows)
            throw fileError(name, "行数超过工作表的 " + std::to_string(Grid::kRows) + " 行,文件太大。");
        if (column > Grid::kColumns)
            throw fileError(name, "第 " + std::to_string(row) + " 行的列数超过工作表的 " +
                                      std::to_string(Grid::kColumns) + " 列。");
        store(grid, row, column, field);

        if (j >= n)
            break;
        if (text[j] == separator) {
            ++column;
            i = j + 1;
            if (i == n) // a trailing separator ends the record with an empty field
                break;
            continue;
        }
        // The end of a record: CRLF, LF or a lone CR.
        i = j + 1 + (text[j] == '\r' && j + 1 < n && text[j + 1] == '\n');
        ++line;
        ++row;
        column = 1;
    }
    return book;
}

Book readCsvFile(const std::string& path, TextEncoding encoding, char separator, const Progress& progress)
{
    return readCsv(readWholeFile(path), path, encoding, separator, progress);
}

std::string csvText(const Grid& grid, char separator, const Progress& progress)
{
    ProgressSteps steps(progress, grid.cellCount(), 1 << 18);
    std::size_t done = 0;
    bool cancelled = false;
    std::string out = "\xEF\xBB\xBF";
    const char specialChars[] = {separator, '"', '\r', '\n'};
    const std::string_view special(specialChars, sizeof specialChars);
    std::int32_t row = 1;
    std::int32_t column = 1;
    grid.forEachCell([&](std::int32_t r, std::int32_t c, const CellView& cell) {
        // forEachCell cannot be left early: once cancelled, the rest is skipped.
        if (cancelled || !steps.at(++done)) {
            cancelled = true;
            return;
        }
        for (; row < r; ++row, column = 1)
            out += "\r\n";
        for (; column < c; ++column)
            out += separator;
        std::string text;
        switch (cell.kind) {
        case CellKind::Number:
            text = formatNumber(cell.number);
            break;
        case CellKind::Text:
            text = cell.text;
            break;
        case CellKind::Boolean:
            text = cell.number != 0 ? "TRUE" : "FALSE";
            break;
        case CellKind::Date: {
            // A date no calendar text can carry back (before 1899-12-30, beyond 9999-12-31) keeps its value as a
            // number.
            text = formatDate(cell.number);
            const auto back = valueOfField(text);
            if (!back || back->kind != CellKind::Date)
                text = formatNumber(cell.number);
            break;
        }
        case CellKind::Error:
            text = cellvalues::errorName(cell.error);
            break;
        case CellKind::Empty:
            break;
        }
        const bool quote = text.find_first_of(special) != std::string::npos ||
                           (!text.empty() && (text.front() == ' ' || text.back() == ' '));
        if (quote) {
            out += '"';
            for (char ch : text) {
                if (ch == '"')
                    out += '"';
                out += ch;
            }
            out += '"';
        } else {
            out += text;
        }
    });
    if (cancelled)
        throw FileCancelled("csv");
    if (grid.lastRow() > 0)
        out += "\r\n";
    return out;
}

void writeCsvFile(const std::string& path, const Grid& grid, char separator, const Progress& progress)
{
    const std::string text = csvText(grid, separator, progress);
    writeReplacing(path, [&](const std::string& temporary) {
        std::ofstream out(filePath(temporary), std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out)
            throw fileError(path, "写入失败(磁盘已满或没有权限?)。");
    });
}

} // namespace sheet
