#include "cellvalues/ValueText.h"

#include "cellvalues/Calendar.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace cellvalues {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads a text from left to right.
struct Cursor {
    std::string_view text;
    std::size_t at = 0;

    bool done() const { return at == text.size(); }
    bool take(char c) { return !done() && text[at] == c ? (++at, true) : false; }
    /// Passes up to `most` digits; returns how many.
    std::size_t skipDigits(std::size_t most = std::string_view::npos)
    {
        const std::size_t from = at;
        while (at - from < most && !done() && isDigit(text[at]))
            ++at;
        return at - from;
    }
    /// The number `least` to `most` (at most nine) digits make, or -1 when fewer are there; `count` says how many.
    int digits(std::size_t least, std::size_t most, std::size_t* count = nullptr)
    {
        const std::size_t from = at;
        const std::size_t n = skipDigits(most);
        int value = 0;
        for (std::size_t i = from; i < at; ++i)
            value = value * 10 + (text[i] - '0');
        if (count)
            *count = n;
        return n >= least ? value : -1;
    }
    /// Passes blanks as a regular expression's \s has them; returns whether there was one.
    bool skipBlanks()
    {
        const std::size_t from = at;
        while (!done() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r')))
            ++at;
        return at > from;
    }
};

bool isDayOf(long long year, int month, int day)
{
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month >= 1 && month <= 12 && day >= 1 && day <= kDays[month - 1] && (month != 2 || day != 29 || leap);
}

// The serial of `day` and the time of day the rest of the text writes in `form` ("13:20", "9:05:07", "13:20:01.5").
std::optional<double> withTime(double day, Cursor& c, DateForm form)
{
    const bool iso = form == DateForm::Iso;
    const int hour = c.digits(iso ? 2 : 1, 2);
    const int minute = c.take(':') ? c.digits(2, 2) : -1;
    const bool seconds = c.take(':');
    const int second = seconds ? c.digits(2, 2) : 0;
    int fraction = 0;
    std::size_t digits = 0;
    if (iso && seconds && (c.take('.') || c.take(','))) {
        fraction = c.digits(1, kMaxFractionDigits, &digits);
        c.skipDigits(); // past nanoseconds: nothing finer is shown or saved
    }
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || fraction < 0)
        return std::nullopt;
    // A time zone: Z, or an offset of hours and maybe minutes.
    if (iso && !c.take('Z') && (c.take('+') || c.take('-')) &&
        (c.digits(2, 2) < 0 || (c.take(':') && c.digits(2, 2) < 0)))
        return std::nullopt;
    if (!c.done())
        return std::nullopt;
    return serialOfTime(day, (hour * 3600 + minute * 60 + second) * kPowersOfTen[digits] + fraction,
                        static_cast<int>(digits));
}

} // namespace

std::string_view withoutBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

NumberText readNumber(std::string_view text, double& value)
{
    std::string_view s = withoutBlanks(text);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s.front() == '-') // "+-5"
            return NumberText::NotANumber;
    }
    // Besides plain decimal notation the converter reads only "inf", "nan" and their like, which begin otherwise
    // or are not finite.
    if (s.empty() || !(isDigit(s.front()) || s.front() == '-' || s.front() == '.'))
        return NumberText::NotANumber;
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (end != s.data() + s.size() || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return NumberText::NotANumber;
    if (ec == std::errc::result_out_of_range)
        return NumberText::OutOfRange;
    if (!std::isfinite(v))
        return NumberText::NotANumber;
    value = v;
    return NumberText::Number;
}

std::optional<double> readNumber(std::string_view text)
{
    double value = 0;
    return readNumber(text, value) == NumberText::Number ? std::optional<double>(value) : std::nullopt;
}

std::optional<double> readDate(std::string_view text, DateForm form)
{
    const bool iso = form == DateForm::Iso;
    // Most texts are told at once to be none: a date or time begins with a digit.
    if (text.empty() || !(isDigit(text[0]) || (iso && text[0] == 'T')))
        return std::nullopt;
    Cursor c{text};
    // A date begins with a four-digit year and its separator; anything else can only be a time alone.
    const int year = c.digits(4, 4);
    if (year < 0 || c.done() || !(text[4] == '-' || (!iso && text[4] == '/'))) {
        c.at = 0;
        if (iso)
            c.take('T');
        return withTime(0, c, form);
    }
    const char separator = text[4];
    CivilDateTime t;
    t.year = year;
    c.take(separator);
    const int month = c.digits(iso ? 2 : 1, 2);
    const int day = c.take(separator) ? c.digits(iso ? 2 : 1, 2) : -1;
    if (!isDayOf(t.year, month, day) || (!iso && t.year < 1900))
        return std::nullopt;
    t.month = static_cast<unsigned>(month);
    t.day = static_cast<unsigned>(day);
    if (c.done())
        return serialFromCivil(t);
    if (iso ? !(c.take('T') || c.take(' ')) : !c.skipBlanks())
        return std::nullopt;
    return withTime(serialFromCivil(t), c, form);
}

double serialOfTime(double day, std::int64_t units, int digits)
{
    const double fraction = static_cast<double>(units) / (86'400.0 * static_cast<double>(kPowersOfTen[digits]));
    return day < 0 ? day - fraction : day + fraction;
}

} // namespace cellvalues
