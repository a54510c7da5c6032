#include "sheet/files/XlsxText.h"

#include "text/Utf8.h"

#include <cstdio>

namespace sheet::xlsx {

namespace {

int hexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void appendCodeEscape(std::string& out, unsigned code)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "_x%04X_", code);
    out += buffer;
}

} // namespace

void appendText(std::string& out, std::string_view text)
{
    const auto* const begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = begin + text.size();
    const auto* p = begin;
    const auto* run = p; // start of bytes copied as they are
    const auto flush = [&] { out.append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run)); };
    while (p < end) {
        const unsigned char c = *p;
        if (c >= 0x80) {
            const text::Utf8Char decoded = text::decodeUtf8(text, static_cast<std::size_t>(p - begin));
            const bool nonCharacter = decoded.code == 0xFFFE || decoded.code == 0xFFFF;
            if (decoded.wellFormed && !nonCharacter) {
                p += decoded.length;
                continue;
            }
            flush();
            if (nonCharacter)
                appendCodeEscape(out, decoded.code);
            else
                out += "\xEF\xBF\xBD";
            p += decoded.wellFormed ? decoded.length : 1; // each byte of a malformed sequence is replaced
            run = p;
            continue;
        }
        std::string_view replacement;
        bool escapeCode = false;
        switch (c) {
        case '&':
            replacement = "&amp;";
            break;
        case '<':
            replacement = "&lt;";
            break;
        case '>':
            replacement = "&gt;";
            break;
        case '\r':
            replacement = "&#13;";
            break;
        case '\t':
        case '\n':
            break;
        case '_':
            // Whatever follows: the next character may be an escape itself, which also begins with '_'.
            if (end - p >= 6 && p[1] == 'x' && hexValue(p[2]) >= 0 && hexValue(p[3]) >= 0 && hexValue(p[4]) >= 0 &&
                hexValue(p[5]) >= 0)
                replacement = "_x005F_";
            break;
        default:
            escapeCode = c < 0x20;
            break;
        }
        if (replacement.empty() && !escapeCode) {
            ++p;
            continue;
        }
        flush();
        if (escapeCode)
            appendCodeEscape(out, c);
        else
            out += replacement;
        run = ++p;
    }
    flush();
}

void unescapeText(std::string& text)
{
    if (text.find("_x") == std::string::npos)
        return;
    const auto codeAt = [&](std::size_t at) -> int {
        if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_')
            return -1;
        int code = 0;
        for (std::size_t i = at + 2; i < at + 6; ++i) {
            const int digit = hexValue(text[i]);
            if (digit < 0)
                return -1;
            code = code * 16 + digit;
        }
        return code;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const int code = codeAt(at);
        if (code < 0) {
            out += text[at++];
            continue;
        }
        at += 7;
        char32_t c = static_cast<char32_t>(code);
        if (c >= 0xD800 && c <= 0xDBFF) {
            const int low = codeAt(at);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
                at += 7;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        text::appendUtf8(out, c);
    }
    text = std::move(out);
}

} // namespace sheet::xlsx
