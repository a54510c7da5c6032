#pragma once

#include <cstdint>
#include <string>

namespace sheet {

/// The column letters of a column number: 1 -> "A", 28 -> "AB", 16384 -> "XFD".
std::string columnLetters(std::int32_t column);

} // namespace sheet
