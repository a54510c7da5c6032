#include "sheet/files/XlsxSheet.h"

#include "cellvalues/ErrorValues.h"
#include "cellvalues/ValueText.h"
#include "objectmodel/ColumnLetters.h"
#include "sheet/files/XlsxText.h"
#include "sheet/files/XmlScanner.h"

#include <cmath>
#include <cstring>

namespace sheet::xlsx {

namespace {

constexpr std::uint64_t kCellBytes = 24; // a slot, a row's slack and its share of the indexes
constexpr std::size_t kFormulaKept = 16; // enough to tell the formulas of error values, which are all that is compared

// Appends `s` to `text` up to `limit` bytes, cutting at a whole UTF-8 character, and sets `cut` when it cuts. Once
// cut, a text takes nothing more: what it keeps is the same however its pieces were parted.
void appendBounded(std::string& text, bool& cut, std::string_view s, std::size_t limit)
{
    if (cut)
        return;
    if (text.size() + s.size() <= limit) {
        text += s;
        return;
    }
    std::size_t take = limit > text.size() ? limit - text.size() : 0;
    while (take > 0 && (static_cast<unsigned char>(s[take]) & 0xC0) == 0x80)
        --take;
    text += s.substr(0, take);
    cut = true;
}

struct SharedStringsHandler : HandlerBase {
    SharedStrings strings;
    std::size_t maxCount = 0;
    MemoryBudget* budget = nullptr;

    std::string current;
    bool currentCut = false;
    int depthInPhonetic = 0;
    bool inText = false;

    void start(const XmlName& name, const char**)
    {
        if (isMain(name, "si")) {
            current.clear();
            currentCut = false;
        } else if (isMain(name, "rPh")) {
            ++depthInPhonetic;
        } else if (isMain(name, "t")) {
            inText = depthInPhonetic == 0;
        }
    }
    void end(const XmlName& name)
    {
        if (isMain(name, "si")) {
            if (strings.ends.size() >= maxCount)
                throw fileError(*fileName,
                                "共享字符串多于 " + std::to_string(maxCount) +
                                    " 个,远多于工作表能引用的数量,不像是电子表格程序保存的工作簿,已拒绝打开。");
            unescapeText(current);
            if (currentCut)
                strings.cut.push_back(static_cast<std::uint32_t>(strings.ends.size()));
            strings.bytes += current;
            strings.ends.push_back(strings.bytes.size());
            budget->check(strings.memory());
        } else if (isMain(name, "rPh")) {
            --depthInPhonetic;
        } else if (isMain(name, "t")) {
            inText = false;
        }
    }
    void text(std::string_view s)
    {
        if (inText)
            appendBounded(current, currentCut, s, kMaxCellTextBytes);
    }
};

constexpr std::int64_t kSaturated = std::int64_t{1} << 40; // far beyond the sheet, and far from overflowing

// A row number as written: digits only, kSaturated for any number at least that large; nothing when it is none.
std::optional<std::int64_t> positionNumber(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    std::int64_t v = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = std::min(v * 10 + (c - '0'), kSaturated);
    }
    return v;
}

// "AB12" -> row 12, column 28, saturating beyond the sheet; false when it is no reference.
bool parseReference(std::string_view ref, std::int64_t& row, std::int64_t& column)
{
    std::size_t i = 0;
    while (i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z')))
        ++i;
    if (i == 0)
        return false;
    column = objectmodel::columnNumber(ref.substr(0, i), kSaturated);
    const auto number = positionNumber(ref.substr(i));
    if (!number)
        return false;
    row = *number;
    return true;
}

struct SheetHandler : HandlerBase {
    const SharedStrings* strings = nullptr;
    const CellFormats* styles = nullptr;
    bool date1904 = false;
    Grid* grid = nullptr;
    Losses* losses = nullptr;
    MemoryBudget* budget = nullptr;

    std::int64_t row = 0;
    std::string rowWritten; // the row's number as the file wrote it, when it is more than a number here holds
    std::int64_t column = 0;
    std::string_view reference; // the cell's reference as written, while its start is read; empty when it had none
    enum class Type : std::uint8_t { Number, Shared, Inline, FormulaText, Boolean, Error, Date, Unknown };
    Type type = Type::Number;
    int style = 0;
    bool hasFormula = false;
    std::string formula;
    std::string value;   // <v>
    std::string inline_; // the text of <is>
    bool valueCut = false;
    bool inlineCut = false;
    bool formulaCut = false;
    bool inValue = false;
    bool inFormula = false;
    bool inInline = false;
    bool inInlineText = false;
    int phonetic = 0;

    // Shared strings stored in this sheet, so that each is stored once whatever the number of cells holding it:
    // by string index, 1 + the position of its handle in `shared`. The workbook's sheets take turns with one table,
    // which each leaves as it found it: sized once, not once per sheet.
    std::vector<std::uint32_t>* sharedAt = nullptr;
    std::vector<std::pair<std::uint32_t, Grid::SharedText>> shared;

    ~SheetHandler()
    {
        for (const auto& [index, handle] : shared)
            (*sharedAt)[index] = 0;
    }

    [[noreturn]] void fail(const std::string& what) const { throw fileError(*fileName, what); }

    // The cell as the file names it.
    std::string where() const
    {
        if (!reference.empty())
            return std::string(reference);
        // Without a reference a cell is at most one column past the last, as the first such cell is refused.
        return objectmodel::columnLetters(static_cast<std::int32_t>(column)) +
               (rowWritten.empty() ? std::to_string(row) : rowWritten);
    }

    enum class Tag : std::uint8_t { Other, Row, Cell, Value, Formula, Inline, Phonetic, Text, MergeCell, Lost };
    std::vector<Tag> open; // of the elements open, the innermost last

    // Told apart by length first: a sheet is mostly c and v elements.
    static Tag tagOf(const XmlName& name)
    {
        if (name.ns != Ns::Main && name.ns != Ns::None)
            return Tag::Other;
        const std::string_view n = name.local;
        switch (n.size()) {
        case 1:
            return n[0] == 'c'   ? Tag::Cell
                   : n[0] == 'v' ? Tag::Value
                   : n[0] == 'f' ? Tag::Formula
                   : n[0] == 't' ? Tag::Text
                                 : Tag::Other;
        case 2:
            return n == "is" ? Tag::Inline : Tag::Other;
        case 3:
            return n == "row" ? Tag::Row : n == "rPh" ? Tag::Phonetic : Tag::Other;
        default: {
            if (n == "mergeCell")
                return Tag::MergeCell;
            static constexpr std::string_view kLost[] = {"drawing",    "legacyDrawing",   "picture",
                                                         "oleObjects", "controls",        "tableParts",
                                                         "hyperlinks", "dataValidations", "conditionalFormatting"};
            return std::find(std::begin(kLost), std::end(kLost), n) != std::end(kLost) ? Tag::Lost : Tag::Other;
        }
        }
    }

    static Type typeOf(const char* t)
    {
        if (!t)
            return Type::Number;
        const std::string_view s(t);
        return s == "n"           ? Type::Number
               : s == "s"         ? Type::Shared
               : s == "inlineStr" ? Type::Inline
               : s == "str"       ? Type::FormulaText
               : s == "b"         ? Type::Boolean
               : s == "e"         ? Type::Error
               : s == "d"         ? Type::Date
                                  : Type::Unknown;
    }

    void start(const XmlName& name, const char** a)
    {
        open.push_back(tagOf(name));
        switch (open.back()) {
        case Tag::Row:
            if (const char* r = attribute(a, "r")) {
                const auto number = positionNumber(r);
                if (!number)
                    fail(std::string("行号“") + r + "”无效。");
                row = *number;
                if (*number == kSaturated)
                    rowWritten.assign(r, std::min<std::size_t>(std::strlen(r), 40));
                else
                    rowWritten.clear();
            } else {
                ++row;
                rowWritten.clear();
            }
            column = 0;
            break;
        case Tag::Cell: {
            // One pass over the attributes, of which cells have little besides these.
            const char* r = nullptr;
            const char* t = nullptr;
            const char* s = nullptr;
            const char* other = nullptr;
            for (int i = 0; a[i]; i += 2)
                if (a[i][0] != '\0' && a[i][1] == '\0')
                    (a[i][0] == 'r' ? r : a[i][0] == 't' ? t : a[i][0] == 's' ? s : other) = a[i + 1];
            reference = {};
            if (r) {
                std::int64_t refRow = 0;
                if (!parseReference(r, refRow, column))
                    fail(std::string("单元格引用“") + r + "”无效。");
                row = refRow;
                rowWritten.clear();
                reference = std::string_view(r).substr(0, 40);
            } else {
                ++column;
            }
            if (row < 1 || row > Grid::kRows || column < 1 || column > Grid::kColumns)
                fail("单元格“" + where() + "”超出工作表范围(最多 " + std::to_string(Grid::kRows) + " 行、" +
                     std::to_string(Grid::kColumns) + " 列),文件太大。");
            type = typeOf(t);
            style = numberOrZero(s);
            hasFormula = false;
            formula.clear();
            value.clear();
            inline_.clear();
            valueCut = inlineCut = formulaCut = false;
            inInline = false;
            break;
        }
        case Tag::Value:
            inValue = true;
            break;
        case Tag::Formula:
            hasFormula = true;
            inFormula = true;
            break;
        case Tag::Inline:
            inInline = true;
            break;
        case Tag::Phonetic:
            ++phonetic;
            break;
        case Tag::Text:
            if (inInline)
                inInlineText = phonetic == 0;
            break;
        case Tag::MergeCell:
            losses->mergedCells = true;
            break;
        case Tag::Lost:
            losses->otherParts = true;
            break;
        case Tag::Other:
            break;
        }
    }

    // Ends the element started last, whose tag is known without its name.
    void endOfLast()
    {
        const Tag tag = open.back();
        open.pop_back();
        switch (tag) {
        case Tag::Value:
            inValue = false;
            break;
        case Tag::Formula:
            inFormula = false;
            break;
        case Tag::Inline:
            inInline = inInlineText = false;
            break;
        case Tag::Phonetic:
            --phonetic;
            break;
        case Tag::Text:
            inInlineText = false;
            break;
        case Tag::Cell:
            storeCell();
            break;
        default:
            break;
        }
    }

    void text(std::string_view s)
    {
        if (inInlineText)
            appendBounded(inline_, inlineCut, s, kMaxCellTextBytes);
        else if (inValue)
            appendBounded(value, valueCut, s, kMaxCellTextBytes);
        else if (inFormula)
            appendBounded(formula, formulaCut, s, kFormulaKept + 1);
    }

    // A cell whose value is not what its type says is left blank, and the loss told; the rest of the file is read.
    void unreadable() { losses->unreadableCells = true; }

    void storeCell()
    {
        const auto r = static_cast<std::int32_t>(row);
        const auto c = static_cast<std::int32_t>(column);
        bool keptFormula = false;
        CellView cell;
        noteStyle();
        if (type == Type::Shared) {
            if (value.empty())
                return;
            const auto index = cellvalues::readNumber(value);
            if (!index || *index < 0 || *index >= static_cast<double>(strings->size()) || *index != std::floor(*index))
                return unreadable();
            if (hasFormula)
                losses->formulas = true;
            storeShared(r, c, static_cast<std::size_t>(*index));
            return;
        }
        if (type == Type::Inline || type == Type::FormulaText) {
            std::string& text = type == Type::FormulaText ? value : inline_;
            losses->cutTexts |= valueCut || inlineCut;
            unescapeText(text);
            cell = CellView::makeText(text);
        } else if (type == Type::Boolean) {
            if (value.empty())
                return;
            if (value != "0" && value != "1" && value != "true" && value != "false")
                return unreadable();
            cell = CellView::makeBoolean(value == "1" || value == "true");
        } else if (type == Type::Error) {
            if (value.empty())
                return;
            cell = CellView::makeError(cellvalues::errorCode(value).value_or(2015));
            keptFormula = hasFormula && formulaFor(cell.error) == formula;
        } else if (type == Type::Date) {
            if (value.empty())
                return;
            const auto serial = cellvalues::readDate(value, cellvalues::DateForm::Iso);
            if (!serial)
                return unreadable();
            cell = CellView::makeDate(*serial);
        } else if (type == Type::Number) {
            if (value.empty()) {
                if (hasFormula)
                    losses->formulas = true;
                return;
            }
            const auto v = cellvalues::readNumber(value);
            if (!v)
                return unreadable();
            const bool date = style >= 0 && static_cast<std::size_t>(style) < styles->xfs.size() &&
                              styles->xfs[static_cast<std::size_t>(style)].date;
            cell = date ? CellView::makeDate(date1904 ? *v + 1462 : *v) : CellView::makeNumber(*v);
        } else {
            return unreadable();
        }
        if (hasFormula && !keptFormula)
            losses->formulas = true;
        if (cell.kind == CellKind::Text && cell.text.empty())
            return;
        grid->setCell(r, c, cell);
        budget->check(memory());
    }

    void storeShared(std::int32_t r, std::int32_t c, std::size_t index)
    {
        const std::string_view text = strings->at(index);
        if (text.empty())
            return;
        losses->cutTexts |= strings->wasCut(index);
        if (sharedAt->empty()) {
            sharedAt->assign(strings->size(), 0);
            budget->settle(sharedAt->capacity() * sizeof(std::uint32_t));
        }
        std::uint32_t& at = (*sharedAt)[index];
        if (at == 0) {
            shared.emplace_back(static_cast<std::uint32_t>(index), grid->shareText(text));
            at = static_cast<std::uint32_t>(shared.size());
        }
        grid->setCell(r, c, shared[at - 1].second);
        budget->check(memory());
    }

    // What the sheet takes so far, as the budget counts it.
    std::uint64_t memory() const
    {
        return grid->cellCount() * kCellBytes + grid->longTextBytes() +
               shared.capacity() * sizeof(std::pair<std::uint32_t, Grid::SharedText>);
    }

    void noteStyle()
    {
        if (style > 0 && static_cast<std::size_t>(style) < styles->xfs.size() &&
            styles->xfs[static_cast<std::size_t>(style)].styled)
            losses->styles = true;
    }

    // The formula a spreadsheet program writes for a cell of error value `code`, one that cellvalues names.
    static std::string_view formulaFor(std::int32_t code)
    {
        return code == 2007 ? "1/0" : code == 2042 ? "NA()" : cellvalues::errorName(code);
    }
};

} // namespace

SharedStrings readSharedStrings(Archive& archive, const std::string& part, std::size_t maxCount, MemoryBudget& budget)
{
    SharedStringsHandler handler;
    handler.budget = &budget;
    handler.maxCount = maxCount;
    parsePart(archive, part, handler);
    return std::move(handler.strings);
}

void readSheet(Archive& archive, const std::string& part, SheetContext& context, Grid& grid)
{
    const auto read = [&](auto parse) {
        SheetHandler sheet;
        sheet.sharedAt = &context.sharedAt;
        sheet.strings = &context.strings;
        sheet.styles = &context.formats;
        sheet.date1904 = context.date1904;
        sheet.grid = &grid;
        sheet.losses = &context.losses;
        sheet.budget = &context.budget;
        parse(archive, part, sheet);
    };
    const Archive::Spent before = archive.spent();
    try {
        read(scanPart<SheetHandler>);
    } catch (const XmlUnsure&) {
        // Expat reads the part again from its start, as if it were the first time: it reads what the scanner does
        // not, and says what is wrong with a malformed part. The losses told so far expat tells again.
        archive.rewind(before);
        grid = Grid();
        read(parsePart<SheetHandler>);
    }
    context.budget.settle(grid.cellCount() * kCellBytes + grid.longTextBytes());
}

} // namespace sheet::xlsx
