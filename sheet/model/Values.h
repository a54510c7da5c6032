#pragma once

#include "link/Automation.h"
#include "sheet/engine/CellView.h"

#include <cstdint>

namespace sheet {

/// A cell's value as the object model returns it. Texts are copied.
automation::Value toValue(const CellView& cell);
/// What a value stores in a cell; `text` is only valid while `value` lives. Objects cannot be stored (13).
CellView toCell(const automation::Value& value);

/// Row and column numbers as the object model takes them: numbers coerced to the nearest whole number (halves to
/// even); columns also by letters ("C", "AB"). Outside the sheet: error 1004 naming the position.
std::int32_t rowNumber(const automation::Value& value);
std::int32_t columnNumber(const automation::Value& value);

} // namespace sheet
