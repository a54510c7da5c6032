#include "cellvalues/ValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using cellvalues::DateForm;
using cellvalues::NumberText;
using cellvalues::readDate;
using cellvalues::readNumber;

TEST(NumberText, PlainDecimalNotationWithSpacesOrTabsAroundIsANumber)
{
    const struct {
        const char* text;
        NumberText read;
        double value;
    } cases[] = {
        {"12", NumberText::Number, 12},         {"-3.5", NumberText::Number, -3.5},
        {"+7", NumberText::Number, 7},          {"1e3", NumberText::Number, 1000},
        {"2.5E-7", NumberText::Number, 2.5e-7}, {"1E+05", NumberText::Number, 1e5},
        {"1.", NumberText::Number, 1},          {".5", NumberText::Number, 0.5},
        {"-.5", NumberText::Number, -0.5},      {"+.5", NumberText::Number, 0.5},
        {"1.e2", NumberText::Number, 100},      {"007", NumberText::Number, 7},
        {"-0", NumberText::Number, -0.0},       {" 12 ", NumberText::Number, 12},
        {"\t12\t", NumberText::Number, 12},     {"4e-320", NumberText::Number, 4e-320}, // subnormal, but not zero
        {"0e-999", NumberText::Number, 0},      {"1e400", NumberText::OutOfRange, 0},
        {"-1e400", NumberText::OutOfRange, 0},  {"1e-400", NumberText::OutOfRange, 0},
        {"", NumberText::NotANumber, 0},        {" ", NumberText::NotANumber, 0},
        {"12\n", NumberText::NotANumber, 0},    {"\u300012", NumberText::NotANumber, 0},
        {"+-5", NumberText::NotANumber, 0},     {"-+5", NumberText::NotANumber, 0},
        {"--5", NumberText::NotANumber, 0},     {"- 5", NumberText::NotANumber, 0},
        {"1 000", NumberText::NotANumber, 0},   {"1,000", NumberText::NotANumber, 0},
        {"1,5", NumberText::NotANumber, 0},     {"5%", NumberText::NotANumber, 0},
        {"$5", NumberText::NotANumber, 0},      {"0x10", NumberText::NotANumber, 0},
        {"1e", NumberText::NotANumber, 0},      {"1e+", NumberText::NotANumber, 0},
        {"e5", NumberText::NotANumber, 0},      {".e5", NumberText::NotANumber, 0},
        {".", NumberText::NotANumber, 0},       {"-", NumberText::NotANumber, 0},
        {"+", NumberText::NotANumber, 0},       {"1.2.3", NumberText::NotANumber, 0},
        {"1d5", NumberText::NotANumber, 0},     {"inf", NumberText::NotANumber, 0},
        {"-inf", NumberText::NotANumber, 0},    {"infinity", NumberText::NotANumber, 0},
        {"nan", NumberText::NotANumber, 0},     {"１２", NumberText::NotANumber, 0},
    };
    for (const auto& c : cases) {
        double value = 99;
        EXPECT_EQ(readNumber(c.text, value), c.read) << c.text;
        EXPECT_EQ(value, c.read == NumberText::Number ? c.value : 99) << c.text;
        EXPECT_EQ(readNumber(c.text).has_value(), c.read == NumberText::Number) << c.text;
        if (c.read == NumberText::Number) {
            EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
        }
    }
}

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

double at(double day, double seconds)
{
    return day + seconds / 86'400;
}

TEST(DateText, FilesWriteIso8601AndPeopleTypeDatesAsShown)
{
    const struct {
        const char* text;
        double iso; // kNone: no date in that form
        double typed;
    } cases[] = {
        {"2024-01-05", 45296, 45296},
        {"2024-02-29", 45351, 45351},
        {"1900-03-01", 61, 61},
        {"1900-01-01", 2, 2},
        {"1899-12-31", 1, kNone},
        {"1899-12-30", 0, kNone},
        {"1899-12-29", -1, kNone},
        // Before serial 0 the time of day still counts forward from the day's midnight.
        {"1899-12-29T06:00:00", -1.25, kNone},
        {"0001-01-01", -693593, kNone},
        {"9999-12-31", 2958465, 2958465},
        {"2024/1/5", kNone, 45296},
        {"2024/01/05", kNone, 45296},
        {"2024-1-5", kNone, 45296},
        {"2024/1-5", kNone, kNone},
        {"2024-02-30", kNone, kNone},
        {"2023-02-29", kNone, kNone},
        {"1900-02-29", kNone, kNone},
        {"2000-02-29", 36585, 36585},
        {"2024-13-01", kNone, kNone},
        {"2024-00-01", kNone, kNone},
        {"2024-01-00", kNone, kNone},
        {"2024-001-05", kNone, kNone},
        {"20240-01-05", kNone, kNone},
        {"24-01-05", kNone, kNone},
        {"24/3/5", kNone, kNone},
        {"2024-01-05 13:20:01", at(45296, 48'001), at(45296, 48'001)},
        {"2024-01-05T13:20:01", at(45296, 48'001), kNone},
        {"2024-01-05 13:20", at(45296, 48'000), at(45296, 48'000)},
        {"2024-01-05  13:20", kNone, at(45296, 48'000)},
        {"2024-01-05\t13:20", kNone, at(45296, 48'000)},
        {"2024-01-05 9:05", kNone, at(45296, 9 * 3600 + 5 * 60)},
        {"2024-01-05 00:00:00", 45296, 45296},
        {"2024-01-05 ", kNone, kNone},
        {"2024-01-05T", kNone, kNone},
        {"2024-01-05T13:20:01.5", at(45296, 48'001.5), kNone},
        {"2024-01-05T13:20:01,5", at(45296, 48'001.5), kNone},
        {"2024-01-05T13:20:01Z", at(45296, 48'001), kNone},
        {"2024-01-05T13:20:01+08:00", at(45296, 48'001), kNone},
        {"2024-01-05T13:20:01-08", at(45296, 48'001), kNone},
        {"2024-01-05T13:20:01-0800", kNone, kNone},
        {"2024-01-05T13:20:01+8", kNone, kNone},
        {"13:20:01", at(0, 48'001), at(0, 48'001)},
        {"13:20", at(0, 48'000), at(0, 48'000)},
        {"T13:20", at(0, 48'000), kNone},
        {"9:05", kNone, at(0, 9 * 3600 + 5 * 60)},
        {"09:05", at(0, 9 * 3600 + 5 * 60), at(0, 9 * 3600 + 5 * 60)},
        {"0:00", kNone, 0},
        {"00:00", 0, 0},
        {"13:20:01.5", at(0, 48'001.5), kNone},
        {"13:20:01.", kNone, kNone},
        {"13:20:1", kNone, kNone},
        {"13:5", kNone, kNone},
        {"013:20", kNone, kNone},
        {"23:59:59", at(0, 86'399), at(0, 86'399)},
        {"24:00", kNone, kNone},
        {"24:00:00", kNone, kNone},
        {"25:00:00", kNone, kNone},
        {"13:60", kNone, kNone},
        {"13:20:60", kNone, kNone},
        {"13", kNone, kNone},
        {" 13:20", kNone, kNone},
        {"13:20 ", kNone, kNone},
        {"", kNone, kNone},
        {"yesterday", kNone, kNone},
    };
    for (const auto& c : cases) {
        for (const auto& [form, expected] : {std::pair{DateForm::Iso, c.iso}, std::pair{DateForm::Typed, c.typed}}) {
            const auto serial = readDate(c.text, form);
            if (std::isnan(expected)) {
                EXPECT_FALSE(serial) << c.text << " as " << (form == DateForm::Iso ? "ISO" : "typed");
            } else {
                ASSERT_TRUE(serial) << c.text << " as " << (form == DateForm::Iso ? "ISO" : "typed");
                EXPECT_EQ(*serial, expected) << c.text;
            }
        }
    }
}

TEST(DateText, FractionsOfASecondAreExactToTheNanosecondAndDroppedBeyond)
{
    const struct {
        const char* text;
        double serial;
    } cases[] = {
        {"00:00:00.000000001", cellvalues::serialOfTime(0, 1, 9)},
        {"12:30:00.1", cellvalues::serialOfTime(0, 450'001, 1)},
        {"12:30:00.25", cellvalues::serialOfTime(0, 4'500'025, 2)},
        {"23:44:51.894", cellvalues::serialOfTime(0, 85'491'894, 3)},
        {"23:59:59.999999999", cellvalues::serialOfTime(0, 86'399'999'999'999, 9)},
        {"23:59:59.9999999999", cellvalues::serialOfTime(0, 86'399'999'999'999, 9)},
        {"12:30:00.1234567891234", cellvalues::serialOfTime(0, 45'000'123'456'789, 9)},
        {"2024-01-05T13:20:01.123", cellvalues::serialOfTime(45296, 48'001'123, 3)},
        {"1899-12-29T12:00:00.5", cellvalues::serialOfTime(-1, 432'005, 1)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readDate(c.text, DateForm::Iso), c.serial) << c.text;
    EXPECT_EQ(cellvalues::serialOfTime(0, 43'200, 0), 0.5);
    EXPECT_EQ(cellvalues::serialOfTime(-1, 21'600, 0), -1.25);
    EXPECT_EQ(cellvalues::serialOfTime(45296, 480'015, 1), 45296 + 48'001.5 / 86'400);
}

} // namespace
