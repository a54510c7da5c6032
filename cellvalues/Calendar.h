#pragma once

#include <optional>

// The calendar of date serials, as automation dates and spreadsheet cells count them: days since 1899-12-30.
namespace cellvalues {

/// A date and time of day in the proleptic Gregorian calendar.
struct CivilDateTime {
    long long year = 1899;
    unsigned month = 12;
    unsigned day = 30;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
};

/// The date and time of a date serial: days since 1899-12-30, the fraction being the time of day, rounded to the
/// second. Nothing for a serial that is not finite or lies beyond the year ±8000.
std::optional<CivilDateTime> civilFromSerial(double serial);
/// The date serial of a calendar date and time; the inverse of civilFromSerial.
double serialFromCivil(const CivilDateTime& t);

} // namespace cellvalues
