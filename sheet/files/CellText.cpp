#include "sheet/files/CellText.h"

#include "cellvalues/Calendar.h"
#include "cellvalues/ErrorValues.h"

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

// The largest serial a date text carries: 9999-12-31, the last day of four-digit years.
constexpr double kLastDay = 2958465;
constexpr int kMaxFractionDigits = 9; // nanoseconds

constexpr std::int64_t kPowersOfTen[kMaxFractionDigits + 1] = {
    1, 10, 100, 1'000, 10'000, 100'000, 1'000'000, 10'000'000, 100'000'000, 1'000'000'000,
};

// The serial of day `day` and the time of day `units` in units of 10^-digits seconds. One division of two numbers a
// double holds exactly (below 2^53), so that a text gives one serial on every platform.
double serialOf(double day, std::int64_t units, int digits)
{
    return day + static_cast<double>(units) / (86'400.0 * static_cast<double>(kPowersOfTen[digits]));
}

// "hh:mm:ss" and up to nine digits of a second after a point, as units of 10^-digits seconds since midnight.
std::optional<std::pair<std::int64_t, int>> timeOfDay(std::string_view text)
{
    if (text.size() < 8 || !allDigits(text.substr(0, 2)) || text[2] != ':' || !allDigits(text.substr(3, 2)) ||
        text[5] != ':' || !allDigits(text.substr(6, 2)))
        return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t length) {
        std::int64_t value = 0;
        std::from_chars(text.data() + at, text.data() + at + length, value);
        return value;
    };
    const std::int64_t hour = number(0, 2);
    const std::int64_t minute = number(3, 2);
    const std::int64_t second = number(6, 2);
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    int digits = 0;
    std::int64_t fraction = 0;
    if (text.size() > 8) {
        digits = static_cast<int>(text.size()) - 9;
        if (text[8] != '.' || digits < 1 || digits > kMaxFractionDigits || !allDigits(text.substr(9)))
            return std::nullopt;
        fraction = number(9, static_cast<std::size_t>(digits));
    }
    return std::pair((hour * 3600 + minute * 60 + second) * kPowersOfTen[digits] + fraction, digits);
}

// The text formatDate writes, back as its serial: nothing for any other text, however like a date it looks.
std::optional<double> exactDate(std::string_view field)
{
    double day = 0;
    std::string_view time = field;
    if (field.size() >= 10 && field[4] == '-') {
        if (!allDigits(field.substr(0, 4)) || !allDigits(field.substr(5, 2)) || field[7] != '-' ||
            !allDigits(field.substr(8, 2)) || (field.size() > 10 && field[10] != ' '))
            return std::nullopt;
        cellvalues::CivilDateTime t;
        std::from_chars(field.data(), field.data() + 4, t.year);
        std::from_chars(field.data() + 5, field.data() + 7, t.month);
        std::from_chars(field.data() + 8, field.data() + 10, t.day);
        if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31)
            return std::nullopt;
        day = cellvalues::serialFromCivil(t);
        // Before serial 0 the time of day counts backwards: no text carries those dates back.
        if (day < 0)
            return std::nullopt;
        time = field.size() > 10 ? field.substr(11) : std::string_view();
    }
    double serial = day;
    if (!time.empty()) {
        const auto units = timeOfDay(time);
        if (!units)
            return std::nullopt;
        serial = serialOf(day, units->first, units->second);
    }
    // 2023-02-30, 2024-01-05 00:00:00 and 13:20:01.50 do not come back as written: text.
    return formatDate(serial) == field ? std::optional<double>(serial) : std::nullopt;
}

} // namespace

std::optional<CellView> valueOfField(std::string_view field)
{
    if (field == "TRUE" || field == "FALSE")
        return CellView::makeBoolean(field == "TRUE");
    if (const auto code = cellvalues::errorCode(field))
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
    if (!std::isfinite(serial) || serial < 0 || serial >= kLastDay + 1)
        return {};
    const double whole = std::floor(serial);
    // The time of day in units of 10^-digits seconds, with the fewest digits that read back as this very serial.
    double day = whole;
    std::int64_t units = 0;
    int digits = 0;
    const auto readsBack = [&](int k) {
        const std::int64_t perDay = 86'400 * kPowersOfTen[k];
        const auto estimate = std::llround((serial - whole) * static_cast<double>(perDay));
        for (const std::int64_t candidate : {estimate, estimate - 1, estimate + 1}) {
            if (candidate >= 0 && candidate < perDay && serialOf(whole, candidate, k) == serial) {
                units = candidate;
                digits = k;
                return true;
            }
        }
        return false;
    };
    bool exact = false;
    for (int k = 0; k <= kMaxFractionDigits && !exact; ++k)
        exact = readsBack(k);
    if (!exact) {
        // More bits than nine digits of a second give back (a time alone, or a day before 1900-03-04, computed
        // rather than typed): the nearest nanosecond, which may be midnight of the next day.
        const std::int64_t perDay = 86'400 * kPowersOfTen[kMaxFractionDigits];
        units = std::llround((serial - whole) * static_cast<double>(perDay));
        digits = kMaxFractionDigits;
        if (units >= perDay) {
            day = whole + 1;
            units = 0;
        }
    }
    if (day > kLastDay)
        return {};
    // Trailing zeros say nothing: 13:20:01.5, not 13:20:01.500000000.
    while (digits > 0 && units % 10 == 0) {
        units /= 10;
        --digits;
    }

    char buffer[48];
    int length = 0;
    if (day > 0) {
        const auto t = cellvalues::civilFromSerial(day);
        if (!t)
            return {};
        length = std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u", t->year, t->month, t->day);
        // A date alone has no time; a time alone (day 0, 1899-12-30) no date.
        if (units == 0)
            return std::string(buffer, static_cast<std::size_t>(length));
        buffer[length++] = ' ';
    }
    const std::int64_t seconds = units / kPowersOfTen[digits];
    length += std::snprintf(buffer + length, sizeof buffer - static_cast<std::size_t>(length), "%02lld:%02lld:%02lld",
                            static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                            static_cast<long long>(seconds % 60));
    if (digits > 0)
        length += std::snprintf(buffer + length, sizeof buffer - static_cast<std::size_t>(length), ".%0*lld", digits,
                                static_cast<long long>(units % kPowersOfTen[digits]));
    return std::string(buffer, static_cast<std::size_t>(length));
}

} // namespace sheet
