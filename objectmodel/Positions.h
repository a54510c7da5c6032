#pragma once

#include "link/Automation.h"

#include <cstdint>

namespace objectmodel {

/// Row and column numbers as the object model takes them: numbers coerced to the nearest whole number (halves to
/// even); columns also by letters ("C", "AB"). Outside the sheet: error 1004 naming the position.
std::int32_t rowNumber(const automation::Value& value);
std::int32_t columnNumber(const automation::Value& value);

} // namespace objectmodel
