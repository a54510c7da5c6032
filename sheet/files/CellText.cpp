#include "CellText.h"

#include "DateSerial.h"

#include <cctype>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
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

namespace {

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<double> parseNumber(std::string_view s)
{
    s = trimBlanks(s);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s.front() == '-') // "+-5" is no number
            return std::nullopt;
    }
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '-' || s.front() == '.'))
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

namespace {

// Digits 1-9 and the zeros between and after them: what a number must keep of the field.
std::size_t significantDigits(std::string_view mantissa)
{
    std::size_t count = 0;
    bool started = false;
    for (const char c : mantissa) {
        if (c < '0' || c > '9')
            continue;
        started = started || c != '0';
        count += started ? 1 : 0;
    }
    return count;
}

std::optional<double> exactNumber(std::string_view field)
{
    const auto number = parseNumber(field);
    if (!number)
        return std::nullopt;
    const std::string_view s = trimBlanks(field);
    const std::string_view digits = s.substr(std::min(s.find_first_not_of("+-"), s.size()));
    // "007", "0123": a code, not a count.
    if (digits.size() > 1 && digits[0] == '0' && digits[1] >= '0' && digits[1] <= '9')
        return std::nullopt;
    // Up to 15 significant digits every decimal survives a double; beyond, only the shortest form of one does.
    const std::string_view mantissa = digits.substr(0, digits.find_first_of("eE"));
    // Subnormal numbers keep fewer digits still.
    const bool subnormal = *number != 0 && std::fabs(*number) < std::numeric_limits<double>::min();
    if ((significantDigits(mantissa) > 15 || subnormal) &&
        formatNumber(*number) != (s.front() == '+' ? s.substr(1) : s))
        return std::nullopt;
    return number;
}

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Exactly what formatDate writes: "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss".
std::optional<double> exactDate(std::string_view field)
{
    if (field.size() != 10 && field.size() != 19)
        return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t length) {
        unsigned value = 0;
        std::from_chars(field.data() + at, field.data() + at + length, value);
        return value;
    };
    if (!allDigits(field.substr(0, 4)) || field[4] != '-' || !allDigits(field.substr(5, 2)) || field[7] != '-' ||
        !allDigits(field.substr(8, 2)))
        return std::nullopt;
    automation::CivilDateTime t;
    t.year = number(0, 4);
    t.month = number(5, 2);
    t.day = number(8, 2);
    double time = 0;
    if (field.size() == 19) {
        if (field[10] != ' ' || !allDigits(field.substr(11, 2)) || field[13] != ':' ||
            !allDigits(field.substr(14, 2)) || field[16] != ':' || !allDigits(field.substr(17, 2)))
            return std::nullopt;
        time = (number(11, 2) * 3600.0 + number(14, 2) * 60.0 + number(17, 2)) / 86400.0;
    }
    // Before 1900 serials count time of day backwards, and files cannot hold them: such dates stay text.
    if (t.year < 1900 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31)
        return std::nullopt;
    const double serial = automation::serialFromCivil(t) + time;
    // 2023-02-30 and 25:00:00 do not come back as written: text.
    return formatDate(serial) == field ? std::optional<double>(serial) : std::nullopt;
}

} // namespace

std::optional<CellView> valueOfField(std::string_view field)
{
    if (field == "TRUE" || field == "FALSE")
        return CellView::makeBoolean(field == "TRUE");
    if (const auto code = errorCode(field))
        return CellView::makeError(*code);
    if (const auto number = exactNumber(field))
        return CellView::makeNumber(*number);
    if (const auto serial = exactDate(field))
        return CellView::makeDate(*serial);
    return std::nullopt;
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
