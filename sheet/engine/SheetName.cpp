#include "SheetName.h"

#include <algorithm>

namespace sheet {

namespace {

bool isForbidden(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == ':' || c == '\\' || c == '/' || c == '?' || c == '*' || c == '[' || c == ']';
}

// Byte length of the UTF-8 sequence that starts with `lead`; a stray byte counts as one.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// The longest prefix of `name` that fits in `units` UTF-16 units, ending on a character boundary.
std::string_view prefixOfUnits(std::string_view name, std::size_t units)
{
    std::size_t used = 0;
    std::size_t at = 0;
    while (at < name.size()) {
        const std::size_t length = std::min(sequenceLength(static_cast<unsigned char>(name[at])), name.size() - at);
        const std::size_t cost = length == 4 ? 2 : 1; // beyond the basic plane: a surrogate pair
        if (used + cost > units)
            break;
        used += cost;
        at += length;
    }
    return name.substr(0, at);
}

std::size_t unitsOf(std::string_view name)
{
    std::size_t units = 0;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(name[at]));
        units += length == 4 ? 2 : 1;
        at += length;
    }
    return units;
}

} // namespace

std::optional<std::string> sheetNameFault(std::string_view name)
{
    if (name.empty())
        return std::string("工作表名不能为空。");
    if (unitsOf(name) > kMaxSheetNameLength)
        return std::string("工作表名不能超过 31 个字符。");
    if (std::any_of(name.begin(), name.end(), [](char c) { return isForbidden(static_cast<unsigned char>(c)); }))
        return std::string("工作表名不能包含下列字符: : \\ / ? * [ ]");
    if (name.front() == '\'' || name.back() == '\'')
        return std::string("工作表名不能以单引号开头或结尾。");
    return std::nullopt;
}

std::string validSheetName(std::string_view name, std::string_view fallback)
{
    std::string cleaned(name);
    for (char& c : cleaned)
        if (isForbidden(static_cast<unsigned char>(c)))
            c = '_';
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
    std::string result(prefixOfUnits(name, kMaxSheetNameLength - suffix.size()));
    return result + suffix;
}

bool sameSheetName(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace sheet
