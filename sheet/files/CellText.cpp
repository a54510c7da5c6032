#include "CellText.h"

#include "DateSerial.h"

#include <cctype>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace sheet {

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

std::string_view errorText(std::int32_t code)
{
    for (const auto& [c, t] : kErrors)
        if (c == code)
            return t;
    return "#VALUE!";
}

std::optional<std::int32_t> errorCode(std::string_view text)
{
    for (const auto& [c, t] : kErrors)
        if (t == text)
            return c;
    return std::nullopt;
}

std::optional<double> parseNumber(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '-' || s.front() == '.'))
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string formatNumber(double value)
{
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, ec == std::errc() ? end : buffer);
}

std::string formatDate(double serial)
{
    const auto t = automation::civilFromSerial(serial);
    if (!t)
        return {};
    char buffer[48];
    if (t->hour == 0 && t->minute == 0 && t->second == 0)
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u", t->year, t->month, t->day);
    else
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02u:%02u:%02u", t->year, t->month, t->day, t->hour,
                      t->minute, t->second);
    return buffer;
}

} // namespace sheet
