#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Numbers and dates written as text, as the files, the window and the automation values read them.
namespace cellvalues {

enum class NumberText : std::uint8_t { Number, NotANumber, OutOfRange };

/// Reads a number in plain decimal notation, spaces or tabs around it allowed: a sign ("-3.5", "+7"), digits with a
/// point among, before or after them ("1.", ".5"), an exponent ("1e3", "2.5E-7"). Thousands separators, percent,
/// hexadecimal, "inf", "nan" and anything else are not numbers: people and files mean those as text. Out of range:
/// a magnitude no double holds, too large (1e400) or too small to be told from zero (1e-400). Sets `value` only
/// for a number. O(length).
NumberText readNumber(std::string_view text, double& value);
/// The number `text` is (see above), or nothing, also when it is out of range.
std::optional<double> readNumber(std::string_view text);
/// `text` without the spaces and tabs at its ends that readNumber allows.
std::string_view withoutBlanks(std::string_view text);

/// How a date or a time of day is written, which depends on who wrote it.
enum class DateForm : std::uint8_t {
    /// ISO 8601, as files hold dates: "2024-01-05", with a time of day after 'T' or a space ("2024-01-05T13:20"), or
    /// a time alone ("13:20:01", "T13:20"). Month, day, hour and minute have two digits; seconds may be left out
    /// and have any digits of a fraction after '.' or ',' (those past nanoseconds are dropped); a time zone after
    /// the time (Z, +08:00, -08) is accepted and ignored, since cells have none. Any four-digit year.
    Iso,
    /// As a person types a date into a cell: as the window shows it ("2024/1/5") or with dashes ("2024-01-05"), one
    /// kind of separator, one or two digits of month and day; a time of day "9:05" or "9:05:07" after blanks, or
    /// alone. No fraction of a second, no time zone, no year before 1900 (where a serial's fraction counts back).
    Typed,
};

/// The date serial of `text` written in `form`: days since 1899-12-30, the time of day as the fraction. Exactly
/// serialOfTime(day, units, digits) for a time of `units` of 10^-digits seconds. Nothing for a text of another form,
/// a day the calendar does not have (2023-02-29, 1900-02-29) or a time past 23:59:59. O(length).
std::optional<double> readDate(std::string_view text, DateForm form);

/// The most digits of a second a time of day has: nanoseconds.
inline constexpr int kMaxFractionDigits = 9;
/// 10^digits, for units of 10^-digits seconds.
inline constexpr std::int64_t kPowersOfTen[kMaxFractionDigits + 1] = {
    1, 10, 100, 1'000, 10'000, 100'000, 1'000'000, 10'000'000, 100'000'000, 1'000'000'000,
};

/// The serial of the whole day `day` and a time of day of `units` in units of 10^-digits seconds (digits 0 to 9):
/// one division of two numbers a double holds exactly, so that a text gives one serial on every platform. Before
/// serial 0 the time of day counts forward from midnight, as in civilFromSerial.
double serialOfTime(double day, std::int64_t units, int digits);

} // namespace cellvalues
