#include "sheet/window/SheetModel.h"

#include "cellvalues/Calendar.h"
#include "cellvalues/ErrorValues.h"
#include "cellvalues/ValueText.h"
#include "objectmodel/Area.h"
#include "objectmodel/ColumnLetters.h"
#include "sheet/engine/Grid.h"
#include "sheet/window/WindowDialogs.h"
#include "text/Utf8.h"

#include <QBrush>
#include <QColor>

#include <charconv>
#include <optional>

namespace sheet {

namespace {

QString dateText(double serial)
{
    // The calendar every other reader of a date serial uses, so the window shows the day and hour they give (for a
    // negative serial too, whose fraction counts forward from its midnight). Shown to the second.
    const std::optional<cellvalues::CivilDateTime> t = cellvalues::civilFromSerial(serial);
    if (!t)
        return QStringLiteral("#####");
    QString time = QStringLiteral("%1:%2").arg(t->hour).arg(t->minute, 2, 10, QLatin1Char('0'));
    if (t->second != 0)
        time += QStringLiteral(":%1").arg(t->second, 2, 10, QLatin1Char('0'));
    // A time of day alone is a serial of day 0, whose date means nothing.
    if (t->year == 1899 && t->month == 12 && t->day == 30)
        return time;
    QString text = QStringLiteral("%1/%2/%3").arg(t->year).arg(t->month).arg(t->day);
    if (t->hour != 0 || t->minute != 0 || t->second != 0)
        text += QLatin1Char(' ') + time;
    return text;
}

// Whether `text` is what editText(cell) gives, without decoding a long text that cannot be it: one UTF-16 unit comes
// from one to four bytes of UTF-8 (a malformed sequence becomes one replacement unit).
bool isEditText(const QString& text, const CellView& cell)
{
    if (cell.kind == CellKind::Text) {
        const auto units = static_cast<std::size_t>(text.size());
        if (units > cell.text.size() || cell.text.size() > units * 4)
            return false;
    }
    return text == SheetModel::editText(cell);
}

} // namespace

SheetModel::SheetModel(QObject* parent) : QAbstractTableModel(parent) {}

SheetModel::~SheetModel() = default;

void SheetModel::setSheet(Worksheet* sheet)
{
    m_sheet = Ref<Worksheet>(sheet);
}

void SheetModel::setSelection(SelectionIndex selection)
{
    m_selection = std::move(selection);
}

int SheetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Grid::kRows;
}

int SheetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Grid::kColumns;
}

QString SheetModel::displayText(const CellView& cell)
{
    switch (cell.kind) {
    case CellKind::Empty:
        return {};
    case CellKind::Number:
        // 'G' drops trailing zeros and switches to an exponent only for very large or small numbers, as a
        // spreadsheet's general format does; -0 would otherwise show its sign.
        return cell.number == 0 ? QStringLiteral("0") : QString::number(cell.number, 'G', 15);
    case CellKind::Text:
        return QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size()));
    case CellKind::Boolean:
        return cell.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case CellKind::Date:
        return dateText(cell.number);
    case CellKind::Error:
        return QString::fromLatin1(cellvalues::errorName(cell.error));
    }
    return {};
}

QString SheetModel::shownText(const CellView& cell)
{
    // A UTF-16 unit takes at least one byte, so a text of few bytes is short enough as it is.
    if (cell.kind != CellKind::Text || cell.text.size() <= static_cast<std::size_t>(kShownLength))
        return displayText(cell);
    std::size_t end = 0;
    qsizetype units = 0;
    while (end < cell.text.size()) {
        const text::Utf8Char c = text::decodeUtf8(cell.text, end);
        const qsizetype width = c.code > 0xFFFF ? 2 : 1; // beyond the BMP, a surrogate pair
        if (units + width > kShownLength)
            break;
        units += width;
        end += c.length;
    }
    return QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(end));
}

bool SheetModel::tooLongToEdit(const CellView& cell)
{
    if (cell.kind != CellKind::Text || cell.text.size() <= static_cast<std::size_t>(kMaxEditLength))
        return false;
    // Every byte but a continuation byte starts a character; one of four bytes is a surrogate pair.
    qsizetype units = 0;
    for (const char byte : cell.text) {
        const auto b = static_cast<unsigned char>(byte);
        if ((b & 0xC0) != 0x80)
            units += b >= 0xF0 ? 2 : 1;
        if (units > kMaxEditLength)
            return true;
    }
    return false;
}

QString SheetModel::editText(const CellView& cell)
{
    if (cell.kind != CellKind::Number)
        return displayText(cell);
    // Every digit the number has, so that editing it and leaving it loses nothing.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, cell.number);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

CellView SheetModel::typedCell(const QString& text, std::string& storage)
{
    if (text.isEmpty())
        return {};
    const QString upper = text.trimmed().toUpper();
    if (upper == QLatin1String("TRUE") || upper == QLatin1String("FALSE"))
        return CellView::makeBoolean(upper == QLatin1String("TRUE"));
    if (const auto code = cellvalues::errorCode(upper.toStdString()))
        return CellView::makeError(*code);
    // Blanks of any script around it, as trimmed() takes them, are not part of a date or number typed.
    const std::string trimmed = text.trimmed().toStdString();
    if (const auto serial = cellvalues::readDate(trimmed, cellvalues::DateForm::Typed))
        return CellView::makeDate(*serial);
    if (const auto number = cellvalues::readNumber(trimmed))
        return CellView::makeNumber(*number);
    storage = text.toStdString();
    return CellView::makeText(storage);
}

QVariant SheetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::TextAlignmentRole: {
        if (!m_sheet)
            return {};
        const CellView cell = m_sheet->grid().cell(index.row() + 1, index.column() + 1);
        if (role == Qt::EditRole)
            return tooLongToEdit(cell) ? QVariant() : QVariant(editText(cell));
        if (role == Qt::DisplayRole)
            return shownText(cell);
        // Numbers line up on the right, truth values and errors in the middle, as a spreadsheet aligns them.
        switch (cell.kind) {
        case CellKind::Number:
        case CellKind::Date:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case CellKind::Boolean:
        case CellKind::Error:
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        default:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    case Qt::BackgroundRole:
        if (m_selection.contains(index.row() + 1, index.column() + 1))
            return QBrush(QColor(0xC6, 0xDB, 0xF5));
        return {};
    case SelectedRole:
        return m_selection.contains(index.row() + 1, index.column() + 1);
    default:
        return {};
    }
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return QString::fromStdString(objectmodel::columnLetters(section + 1));
    return QString::number(section + 1);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_sheet)
        f |= Qt::ItemIsEditable;
    return f;
}

bool SheetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // No value is what EditRole gives for a text too long to edit: storing it would lose that text.
    if (!index.isValid() || role != Qt::EditRole || !value.isValid() || !m_sheet || !m_sheet->connected())
        return false;
    // An editor left as it was opened changes nothing: the cell keeps its kind and every digit, and the
    // workbook is not marked modified.
    const QString text = value.toString();
    if (isEditText(text, m_sheet->grid().cell(index.row() + 1, index.column() + 1)))
        return true;
    std::string storage;
    try {
        m_sheet->setCell(index.row() + 1, index.column() + 1, typedCell(text, storage));
    } catch (const std::exception& e) { // out of memory, most likely
        // The view shows whatever the cell holds now, changed or not.
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        WindowDialogs::current().warn(nullptr, QStringLiteral("无法写入单元格: %1").arg(QString::fromUtf8(e.what())));
        return false;
    }
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

} // namespace sheet
