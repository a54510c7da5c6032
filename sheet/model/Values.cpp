#include "sheet/model/Values.h"

#include "sheet/engine/Grid.h"
#include "sheet/model/Errors.h"

#include <cmath>

namespace sheet {

automation::Value toValue(const CellView& cell)
{
    switch (cell.kind) {
    case CellKind::Empty:
        return {};
    case CellKind::Number:
        return automation::Value(cell.number);
    case CellKind::Text:
        return automation::Value(cell.text);
    case CellKind::Boolean:
        return automation::Value(cell.number != 0);
    case CellKind::Date:
        return automation::Value(automation::Date{cell.number});
    case CellKind::Error:
        return automation::Value(automation::ErrorValue{cell.error});
    }
    return {};
}

CellView toCell(const automation::Value& value)
{
    using Kind = automation::Value::Kind;
    switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null:
        return {};
    case Kind::Double:
    case Kind::Int16:
    case Kind::Int32:
        return CellView::makeNumber(value.toDouble());
    case Kind::Text:
        // Storing an empty text clears the cell, as it does when typed.
        return value.text().empty() ? CellView{} : CellView::makeText(value.text());
    case Kind::Boolean:
        return CellView::makeBoolean(value.boolean());
    case Kind::Date:
        return CellView::makeDate(value.date().serial);
    case Kind::Error:
        return CellView::makeError(value.errorCode());
    case Kind::Object:
        break;
    }
    throw automation::errors::typeMismatch();
}

namespace {

std::int32_t position(const automation::Value& value, std::string_view what, std::int32_t last)
{
    const double d = value.toDouble();
    const double r = std::nearbyint(d);
    if (!(r >= 1 && r <= last))
        throw positionOutOfRange(what, d, last);
    return static_cast<std::int32_t>(r);
}

} // namespace

std::int32_t rowNumber(const automation::Value& value)
{
    return position(value, "行", Grid::kRows);
}

std::int32_t columnNumber(const automation::Value& value)
{
    if (value.kind() == automation::Value::Kind::Text) {
        const std::string& s = value.text();
        std::int64_t column = 0;
        for (unsigned char c : s) {
            const int letter = c >= 'a' && c <= 'z' ? c - 'a' : c >= 'A' && c <= 'Z' ? c - 'A' : -1;
            if (letter < 0 || column > Grid::kColumns) {
                column = -1;
                break;
            }
            column = column * 26 + letter + 1;
        }
        if (column >= 1 && column <= Grid::kColumns)
            return static_cast<std::int32_t>(column);
        if (column != -1 || s.empty())
            throw applicationError("列 \"" + s + "\" 超出工作表范围(A 到 XFD)。");
    }
    return position(value, "列", Grid::kColumns);
}

} // namespace sheet
