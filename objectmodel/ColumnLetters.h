#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace objectmodel {

/// The column letters of a column number: 1 -> "A", 28 -> "AB", 16384 -> "XFD".
std::string columnLetters(std::int32_t column);
/// The column number of column letters in either case ("AB" and "ab" -> 28), at most `saturated`; 0 for no letters.
/// The letters are the caller's to check: anything but A-Z and a-z gives a meaningless number.
std::int64_t columnNumber(std::string_view letters, std::int64_t saturated);

} // namespace objectmodel
