#pragma once

#include "CellView.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sheet {

/// "#N/A" for 2042 and the like; "#VALUE!" for an unknown code.
std::string_view errorText(std::int32_t code);
/// The code of an error value written as text ("#DIV/0!" -> 2007), or nothing.
std::optional<std::int32_t> errorCode(std::string_view text);

/// A number written as text ("12", " -3.5 ", "1e3", "+7"), or nothing; infinities and NaN are not numbers.
std::optional<double> parseNumber(std::string_view text);
/// A field of a text file as the value it was written from, so that opening and saving again changes nothing:
/// a number only where its value is the field's exactly (no leading zeros as in "00123", no more digits than a
/// number keeps, as in an 18-digit ID; "1.50", "+7", "1e3" are numbers), TRUE and FALSE, an error value ("#N/A"),
/// or a date in the form formatDate writes. Nothing for any other field: it is text.
std::optional<CellView> valueOfField(std::string_view field);

/// The shortest text that reads back as exactly `value`.
std::string formatNumber(double value);

/// A date serial (days since 1899-12-30) as "yyyy-mm-dd", with " hh:mm:ss" when it has a time of day.
std::string formatDate(double serial);

} // namespace sheet
