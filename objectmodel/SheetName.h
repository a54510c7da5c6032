#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace objectmodel {

/// Worksheet names as spreadsheet files require them: 1 to 31 characters (counted in UTF-16 units, as other
/// programs count them) of well-formed UTF-8, none of : \ / ? * [ ] or a control character, and no apostrophe
/// first or last.
inline constexpr std::size_t kMaxSheetNameLength = 31;

/// Why `name` cannot name a worksheet, in words for the user; nothing when it can.
std::optional<std::string> sheetNameFault(std::string_view name);

/// `name` made valid: each forbidden character becomes '_', apostrophes at either end are dropped and the rest is
/// cut to 31 characters, never inside a character. `fallback` when nothing is left.
std::string validSheetName(std::string_view name, std::string_view fallback);

/// A valid `name` with " (n)" appended, cut first where needed so that the result is still valid.
std::string uniqueSheetName(std::string_view name, int n);

/// `name` with its letters in lower case (Latin, Greek, Cyrillic and full-width Latin letters), for comparing.
std::string foldedSheetName(std::string_view name);
/// True when the two names differ at most in letter case, the way sheets clash.
bool sameSheetName(std::string_view a, std::string_view b);

} // namespace objectmodel
