#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace cellvalues {

/// An error value's name as spreadsheet applications write it: "#N/A" for 2042 and the like; "#VALUE!" for a code
/// that is none of theirs.
std::string_view errorName(std::int32_t code);
/// The code of an error value written as its name, exactly ("#DIV/0!" -> 2007), or nothing.
std::optional<std::int32_t> errorCode(std::string_view name);

} // namespace cellvalues
