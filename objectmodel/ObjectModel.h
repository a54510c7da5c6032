#pragma once

#include <cstdint>
#include <string_view>

// The spreadsheet object model's own constants, the same for every application that serves it and every client.
namespace objectmodel {

/// The class name under which the spreadsheet application is reached.
inline constexpr std::string_view kApplicationClass = "Excel.Application";

/// Range.Insert's Shift: xlShiftDown and xlShiftToRight.
inline constexpr std::int16_t kShiftDown = -4121;
inline constexpr std::int16_t kShiftToRight = -4161;

/// A worksheet's rows and columns.
inline constexpr std::int32_t kSheetRows = 1'048'576;
inline constexpr std::int32_t kSheetColumns = 16'384;

} // namespace objectmodel
