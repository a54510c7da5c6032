#include "cellvalues/Calendar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using cellvalues::CivilDateTime;
using cellvalues::civilFromSerial;
using cellvalues::serialFromCivil;

bool same(const CivilDateTime& a, const CivilDateTime& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
           a.second == b.second;
}

TEST(Calendar, SerialsAreDaysSince18991230WithTheTimeOfDayAsTheirFraction)
{
    const struct {
        double serial;
        CivilDateTime civil;
    } cases[] = {
        {0, {1899, 12, 30}},
        {1, {1899, 12, 31}},
        {2, {1900, 1, 1}},
        // No 29 February 1900: automation dates count the real calendar.
        {60, {1900, 2, 28}},
        {61, {1900, 3, 1}},
        {45356, {2024, 3, 5}},
        {45356.5, {2024, 3, 5, 12}},
        {2958465, {9999, 12, 31}},
        {48'001.0 / 86'400, {1899, 12, 30, 13, 20, 1}},
        // Rounded to the second, carrying into the next day.
        {45356.999999, {2024, 3, 6}},
        // Before serial 0 the fraction still counts forward from the day's midnight.
        {-1.25, {1899, 12, 29, 6}},
        {-1, {1899, 12, 29}},
        {-657434, {100, 1, 1}},
    };
    for (const auto& c : cases) {
        const auto civil = civilFromSerial(c.serial);
        ASSERT_TRUE(civil) << c.serial;
        EXPECT_TRUE(same(*civil, c.civil))
            << c.serial << " gives " << civil->year << "-" << civil->month << "-" << civil->day << " " << civil->hour
            << ":" << civil->minute << ":" << civil->second;
        if (c.serial == std::round(c.serial * 86400) / 86400) {
            EXPECT_DOUBLE_EQ(serialFromCivil(c.civil), c.serial);
        }
    }
}

TEST(Calendar, WholeDaysGoThereAndBackOverTheWholeRange)
{
    for (double serial = -693593; serial <= 2958465; serial += 997) {
        const auto civil = civilFromSerial(serial);
        ASSERT_TRUE(civil) << serial;
        EXPECT_EQ(serialFromCivil(*civil), serial);
    }
}

TEST(Calendar, NoDateForSerialsThatAreNotFiniteOrFarBeyondAnyCalendar)
{
    for (double serial : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 3.1e6, -3.1e6, 1e300})
        EXPECT_FALSE(civilFromSerial(serial)) << serial;
}

} // namespace
