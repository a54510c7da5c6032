#include "sheet/files/CellText.h"

#include "cellvalues/Calendar.h"
#include "cellvalues/ErrorValues.h"
#include "cellvalues/ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace sheet {

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
    const auto number = cellvalues::readNumber(field);
    if (!number)
        return std::nullopt;
    const std::string_view s = cellvalues::withoutBlanks(field);
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

// The largest serial a date text carries: 9999-12-31, the last day of four-digit years.
constexpr double kLastDay = 2958465;

// The text formatDate writes, back as its serial: nothing for any other text, however like a date it looks.
std::optional<double> exactDate(std::string_view field)
{
    const auto serial = cellvalues::readDate(field, cellvalues::DateForm::Iso);
    // 2023-02-30, 2024-01-05 00:00:00 and 13:20:01.50 do not come back as written: text.
    return serial && formatDate(*serial) == field ? serial : std::nullopt;
}

} // namespace

std::optional<CellView> valueOfField(std::string_view field)
{
    if (field == "TRUE" || field == "FALSE")
        return CellView::makeBoolean(field == "TRUE");
    if (const auto code = cellvalues::errorCode(field))
        return CellView::makeError(*code);
    // Half the fields of a sheet are texts: what begins as no number or date can begin is one at once.
    if (field.empty() || std::string_view("0123456789+-. \t").find(field.front()) == std::string_view::npos)
        return std::nullopt;
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
        const std::int64_t perDay = 86'400 * cellvalues::kPowersOfTen[k];
        const auto estimate = std::llround((serial - whole) * static_cast<double>(perDay));
        for (const std::int64_t candidate : {estimate, estimate - 1, estimate + 1}) {
            if (candidate >= 0 && candidate < perDay && cellvalues::serialOfTime(whole, candidate, k) == serial) {
                units = candidate;
                digits = k;
                return true;
            }
        }
        return false;
    };
    bool exact = false;
    for (int k = 0; k <= cellvalues::kMaxFractionDigits && !exact; ++k)
        exact = readsBack(k);
    if (!exact) {
        // More bits than nine digits of a second give back (a time alone, or a day before 1900-03-04, computed
        // rather than typed): the nearest nanosecond, which may be midnight of the next day.
        const std::int64_t perDay = 86'400 * cellvalues::kPowersOfTen[cellvalues::kMaxFractionDigits];
        units = std::llround((serial - whole) * static_cast<double>(perDay));
        digits = cellvalues::kMaxFractionDigits;
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
    const std::int64_t seconds = units / cellvalues::kPowersOfTen[digits];
    length += std::snprintf(buffer + length, sizeof buffer - static_cast<std::size_t>(length), "%02lld:%02lld:%02lld",
                            static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                            static_cast<long long>(seconds % 60));
    if (digits > 0)
        length += std::snprintf(buffer + length, sizeof buffer - static_cast<std::size_t>(length), ".%0*lld", digits,
                                static_cast<long long>(units % cellvalues::kPowersOfTen[digits]));
    return std::string(buffer, static_cast<std::size_t>(length));
}

} // namespace sheet
