#include "cellvalues/Calendar.h"

#include <cmath>

namespace cellvalues {

namespace {

// Days between 1970-01-01 and serial 0, 1899-12-30.
constexpr long long kEpochShift = 25569;

// Howard Hinnant's algorithms between civil dates and days since 1970-01-01.
void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

} // namespace

std::optional<CivilDateTime> civilFromSerial(double serial)
{
    if (!std::isfinite(serial) || std::fabs(serial) > 3e6)
        return std::nullopt;
    // The fraction counts forward from midnight, also for negative serials, as the automation date format has it.
    const double whole = std::trunc(serial);
    long long seconds = std::llround(std::fabs(serial - whole) * 86400.0);
    const long long days = static_cast<long long>(whole) + seconds / 86400;
    seconds %= 86400;
    CivilDateTime t;
    civilFromDays(days - kEpochShift, t.year, t.month, t.day);
    t.hour = static_cast<unsigned>(seconds / 3600);
    t.minute = static_cast<unsigned>(seconds / 60 % 60);
    t.second = static_cast<unsigned>(seconds % 60);
    return t;
}

double serialFromCivil(const CivilDateTime& t)
{
    const double day = static_cast<double>(daysFromCivil(t.year, t.month, t.day) + kEpochShift);
    const double time = (t.hour * 3600.0 + t.minute * 60.0 + t.second) / 86400.0;
    // Before serial 0 too the fraction counts forward from midnight, as civilFromSerial reads it.
    return day < 0 ? day - time : day + time;
}

} // namespace cellvalues
