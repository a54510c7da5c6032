#include "CellText.h"

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
    if (!std::isfinite(serial))
        return {};
    // Days from 1970-01-01 to a civil date (Howard Hinnant's algorithm), serial 0 being 1899-12-30.
    const double whole = std::floor(serial);
    long long seconds = std::llround((serial - whole) * 86400.0);
    long long z = static_cast<long long>(whole) - 25569 + seconds / 86400 + 719468;
    seconds %= 86400;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
    char buffer[48];
    if (seconds == 0)
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u", y, m, d);
    else
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02lld:%02lld:%02lld", y, m, d, seconds / 3600,
                      seconds / 60 % 60, seconds % 60);
    return buffer;
}

} // namespace sheet
