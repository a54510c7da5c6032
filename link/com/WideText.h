#pragma once

#include "text/Utf16.h"

#include <string>
#include <string_view>

namespace automation::com {

/// The program's UTF-8 texts as the system's wide strings and back; see text::toUtf16.
inline std::wstring toUtf16(std::string_view utf8)
{
    return text::toUtf16<wchar_t>(utf8);
}
inline std::string toUtf8(std::wstring_view utf16)
{
    return text::toUtf8(utf16);
}

} // namespace automation::com
