#include "objectmodel/SheetName.h"

#include "text/Utf8.h"

#include <algorithm>

namespace objectmodel {

namespace {

bool isForbidden(char32_t c)
{
    return c < 0x20 || c == 0x7F || c == ':' || c == '\\' || c == '/' || c == '?' || c == '*' || c == '[' || c == ']';
}

struct Character {
    char32_t code = 0;      // U+FFFD for a malformed sequence
    std::size_t length = 1; // bytes taken
    bool valid = false;     // well-formed and a character XML can carry
};

Character characterAt(std::string_view s, std::size_t at)
{
    const text::Utf8Char c = text::decodeUtf8(s, at);
    const bool nonCharacter = c.code == 0xFFFE || c.code == 0xFFFF;
    return {c.wellFormed ? c.code : 0xFFFD, c.length, c.wellFormed && !nonCharacter};
}

// Lower case for the letters names are usually written in: Latin (ASCII, Latin-1, Latin Extended-A), Greek,
// Cyrillic and the full-width Latin letters of CJK input. Other characters stand as they are.
char32_t folded(char32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F) || (c >= 0xFF21 && c <= 0xFF3A))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c == 0x178)
        return 0xFF;
    const bool evenUpper = (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1))
        return c + 1;
    return c;
}

std::size_t unitsOf(char32_t c)
{
    return c >= 0x10000 ? 2 : 1; // beyond the basic plane: a surrogate pair
}

// The longest prefix of the valid UTF-8 `name` that fits in `units` UTF-16 units.
std::string_view prefixOfUnits(std::string_view name, std::size_t units)
{
    std::size_t used = 0;
    std::size_t at = 0;
    while (at < name.size()) {
        const Character c = characterAt(name, at);
        if (used + unitsOf(c.code) > units)
            break;
        used += unitsOf(c.code);
        at += c.length;
    }
    return name.substr(0, at);
}

} // namespace

std::optional<std::string> sheetNameFault(std::string_view name)
{
    if (name.empty())
        return std::string("工作表名不能为空。");
    std::size_t units = 0;
    for (std::size_t at = 0; at < name.size();) {
        const Character c = characterAt(name, at);
        if (!c.valid)
            return std::string("工作表名含有无效的字符。");
        if (isForbidden(c.code))
            return std::string("工作表名不能包含下列字符: : \\ / ? * [ ]");
        units += unitsOf(c.code);
        at += c.length;
    }
    if (units > kMaxSheetNameLength)
        return std::string("工作表名不能超过 31 个字符。");
    if (name.front() == '\'' || name.back() == '\'')
        return std::string("工作表名不能以单引号开头或结尾。");
    return std::nullopt;
}

std::string validSheetName(std::string_view name, std::string_view fallback)
{
    std::string cleaned;
    cleaned.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        const Character c = characterAt(name, at);
        if (!c.valid || isForbidden(c.code))
            cleaned += '_';
        else
            cleaned.append(name.substr(at, c.length));
        at += c.length;
    }
    const auto first = cleaned.find_first_not_of('\'');
    if (first == std::string::npos)
        return std::string(fallback);
    cleaned.erase(0, first);
    std::string result(prefixOfUnits(cleaned, kMaxSheetNameLength));
    while (!result.empty() && result.back() == '\'')
        result.pop_back();
    return result.empty() ? std::string(fallback) : result;
}

std::string uniqueSheetName(std::string_view name, int n)
{
    const std::string suffix = " (" + std::to_string(n) + ")";
    return std::string(prefixOfUnits(name, kMaxSheetNameLength - suffix.size())) + suffix;
}

std::string foldedSheetName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        const Character c = characterAt(name, at);
        if (c.valid)
            text::appendUtf8(out, folded(c.code));
        else
            out += name[at];
        at += c.length;
    }
    return out;
}

bool sameSheetName(std::string_view a, std::string_view b)
{
    return foldedSheetName(a) == foldedSheetName(b);
}

} // namespace objectmodel
