#pragma once

#include <string>
#include <string_view>

namespace automation::com {

/// UTF-8 to UTF-16 and back, as the program's texts meet the system's. Malformed input becomes U+FFFD rather than
/// failing: a text from a user or a server is shown, never refused. Cost: two passes over the text.
std::wstring toUtf16(std::string_view utf8);
std::string toUtf8(std::wstring_view utf16);

} // namespace automation::com
