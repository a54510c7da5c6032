#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 as every part of the program reads and writes it: one rule for what is well-formed.
namespace text {

/// One character of UTF-8 text.
struct Utf8Char {
    char32_t code = 0xFFFD;
    std::size_t length = 1; // bytes it takes
    bool wellFormed = false;
};

/// The character that starts at byte `at` of `text` (at < text.size()). A surrogate's three bytes decode as one
/// character that is not well-formed; any other malformed byte (a stray continuation, an overlong form, a cut
/// sequence, a code beyond U+10FFFF) as U+FFFD of length 1.
Utf8Char decodeUtf8(std::string_view text, std::size_t at);

/// Appends `code` (at most U+10FFFF, no surrogate) as UTF-8.
void appendUtf8(std::string& out, char32_t code);

/// Whether all of `bytes` is well-formed UTF-8 (no surrogates, nothing beyond U+10FFFF, no overlong forms).
/// O(length), ASCII at a byte a step.
bool isUtf8(std::string_view bytes);

} // namespace text
