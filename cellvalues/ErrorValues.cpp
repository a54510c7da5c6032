#include "cellvalues/ErrorValues.h"

#include <array>
#include <utility>

namespace cellvalues {

namespace {

constexpr std::array<std::pair<std::int32_t, std::string_view>, 7> kErrors{{
    {2000, "#NULL!"},
    {2007, "#DIV/0!"},
    {2015, "#VALUE!"},
    {2023, "#REF!"},
    {2029, "#NAME?"},
    {2036, "#NUM!"},
    {2042, "#N/A"},
}};

} // namespace

std::string_view errorName(std::int32_t code)
{
    for (const auto& [c, name] : kErrors)
        if (c == code)
            return name;
    return "#VALUE!";
}

std::optional<std::int32_t> errorCode(std::string_view name)
{
    for (const auto& [c, n] : kErrors)
        if (n == name)
            return c;
    return std::nullopt;
}

} // namespace cellvalues
