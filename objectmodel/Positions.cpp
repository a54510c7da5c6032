#include "objectmodel/Positions.h"

#include "objectmodel/Errors.h"
#include "objectmodel/ObjectModel.h"

#include "objectmodel/ColumnLetters.h"

#include <algorithm>
#include <cmath>

namespace objectmodel {

namespace {

std::int32_t position(const automation::Value& value, std::string_view what, std::int32_t last)
{
    const double* number = value.ifDouble();
    const double d = number ? *number : value.toDouble();
    // A whole number inside the sheet, as nearly every caller passes, needs no rounding.
    if (d >= 1 && d <= last && static_cast<double>(static_cast<std::int32_t>(d)) == d)
        return static_cast<std::int32_t>(d);
    const double r = std::nearbyint(d);
    if (!(r >= 1 && r <= last))
        throw positionOutOfRange(what, d, last);
    return static_cast<std::int32_t>(r);
}

} // namespace

std::int32_t rowNumber(const automation::Value& value)
{
    return position(value, "行", kSheetRows);
}

std::int32_t columnNumber(const automation::Value& value)
{
    if (value.kind() == automation::Value::Kind::Text) {
        const std::string& s = value.text();
        const auto outside = [&] { return applicationError("列 \"" + s + "\" 超出工作表范围(A 到 XFD)。"); };
        if (s.empty())
            throw outside();
        if (std::all_of(s.begin(), s.end(), [](unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; })) {
            if (const auto column = columnNumber(std::string_view(s), kSheetColumns + 1); column <= kSheetColumns)
                return static_cast<std::int32_t>(column);
            // Letters past the sheet before their last one are read as a number, which they are not (13).
            if (columnNumber(std::string_view(s).substr(0, s.size() - 1), kSheetColumns + 1) <= kSheetColumns)
                throw outside();
        }
    }
    return position(value, "列", kSheetColumns);
}

} // namespace objectmodel
