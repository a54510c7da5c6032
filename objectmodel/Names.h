#pragma once

#include <algorithm>
#include <string>
#include <string_view>

// Names of the object model (members, named arguments, class names) are ASCII and compared without regard to case,
// as automation compares them.
namespace objectmodel {

constexpr char foldCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// `name` with its ASCII capitals made small: one key for every way of writing it.
inline std::string foldedName(std::string_view name)
{
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), foldCase);
    return folded;
}

constexpr bool sameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, {}, foldCase, foldCase);
}

} // namespace objectmodel
