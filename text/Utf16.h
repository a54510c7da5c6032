#pragma once

#include "text/Utf8.h"

#include <string>
#include <string_view>

namespace text {

/// UTF-8 to UTF-16 and back, as the program's texts meet a system's wide strings (`wchar_t` on Windows, `char16_t`
/// anywhere). Malformed input becomes U+FFFD rather than failing: a text from a user or a server is shown, never
/// refused. O(length).
template <class Char = char16_t> std::basic_string<Char> toUtf16(std::string_view utf8)
{
    static_assert(sizeof(Char) == 2, "UTF-16 needs 16-bit units");
    std::basic_string<Char> out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Utf8Char c = decodeUtf8(utf8, i);
        i += c.length;
        const char32_t code = c.wellFormed ? c.code : 0xFFFD;
        if (code < 0x10000) {
            out += static_cast<Char>(code);
        } else {
            out += static_cast<Char>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<Char>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    return out;
}

template <class Char> std::string toUtf8(std::basic_string_view<Char> utf16)
{
    static_assert(sizeof(Char) == 2, "UTF-16 needs 16-bit units");
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t code = static_cast<char16_t>(utf16[i]);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < utf16.size()) {
            const char32_t low = static_cast<char16_t>(utf16[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        // A surrogate left alone is no character.
        appendUtf8(out, code >= 0xD800 && code <= 0xDFFF ? 0xFFFD : code);
    }
    return out;
}

} // namespace text
