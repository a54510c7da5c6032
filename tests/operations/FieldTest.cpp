#include "operations/Fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FieldCase {
    const char* text;
    double value;
};

class FieldReading : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldReading, ReadsTheLeadingNumber)
{
    const FieldCase& c = GetParam();
    EXPECT_EQ(operations::readField(c.text), c.value) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, FieldReading,
                         testing::Values(
                             // Nothing numeric reads 0.
                             FieldCase{"", 0}, FieldCase{"abc", 0}, FieldCase{"   ", 0}, FieldCase{"-", 0},
                             FieldCase{".", 0}, FieldCase{"C", 0}, FieldCase{"e5", 0}, FieldCase{"+-1", 0},
                             // Plain numbers, signs and fractions.
                             FieldCase{"12", 12}, FieldCase{"-7", -7}, FieldCase{"+7", 7}, FieldCase{"2.9", 2.9},
                             FieldCase{"-.5", -0.5}, FieldCase{"0.5", 0.5}, FieldCase{"007", 7},
                             // Reading stops at the first character that cannot continue.
                             FieldCase{"12abc", 12}, FieldCase{"1.2.3", 1.2}, FieldCase{"1,000", 1},
                             FieldCase{"3 行", 3}, FieldCase{"5\r\n", 5},
                             // Blanks, tabs and line feeds are skipped anywhere, also inside the number.
                             FieldCase{"1 2", 12}, FieldCase{" \t\n42", 42}, FieldCase{"- 5", -5},
                             FieldCase{"1 . 5", 1.5}, FieldCase{"1\n0", 10}, FieldCase{"1 e 2", 100},
                             // Exponents with E or D, either case; an exponent without digits is ignored.
                             FieldCase{"1e3", 1000}, FieldCase{"1E+3", 1000}, FieldCase{"15e-1", 1.5},
                             FieldCase{"1.5D2", 150}, FieldCase{"2d1", 20}, FieldCase{"1e", 1}, FieldCase{"1e+", 1},
                             FieldCase{"1e999x", std::numeric_limits<double>::infinity()},
                             // Hexadecimal and octal whole numbers.
                             FieldCase{"&H1F", 31}, FieldCase{"&hff", 255}, FieldCase{"&O17", 15}, FieldCase{"&o78", 7},
                             FieldCase{"&HFFFF", 65535}, FieldCase{"&H", 0}, FieldCase{"&X1", 0}, FieldCase{"&17", 0},
                             // Full-width forms read as their ASCII characters, the ideographic space as a blank.
                             FieldCase{"１２", 12}, FieldCase{"－３", -3}, FieldCase{"＋７", 7},
                             FieldCase{"１．５Ｅ２", 150}, FieldCase{"２ｄ１", 20}, FieldCase{"＆Ｈ１Ｆ", 31},
                             FieldCase{"＆ｏ１７", 15}, FieldCase{"１\xE3\x80\x80２", 12},
                             FieldCase{"\xE3\x80\x80９", 9}, FieldCase{"１２ａｂｃ", 12}, FieldCase{"3１", 31},
                             FieldCase{"～５", 0},
                             // Other non-ASCII characters stop the reading, also a cut full-width form; they never
                             // crash it.
                             FieldCase{"7\xE3\x80\x80", 7}, FieldCase{"\xFF\xFE", 0}, FieldCase{"4\xEF\xBC", 4},
                             FieldCase{"5\xEF\xBC\x80", 5}, FieldCase{"6\xEF\xBD\x9F", 6}, FieldCase{"１。５", 1}));

TEST(FieldReadingRange, NumbersBeyondADoubleReadAsInfinityAndTinyOnesAsZero)
{
    EXPECT_EQ(operations::readField("1e309"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(operations::readField("-1e309"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(operations::readField("1e99999999999999999999999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(operations::readField(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(operations::readField("1e-999"), 0);
    EXPECT_EQ(operations::readField("0e999999"), 0);
    EXPECT_EQ(operations::readField("1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(operations::readField("0.1"), 0.1); // exactly the double nearest to 0.1
}

TEST(BlankBox, OnlySpacesCountAsBlank)
{
    EXPECT_TRUE(operations::isBlankBox(""));
    EXPECT_TRUE(operations::isBlankBox("   "));
    EXPECT_FALSE(operations::isBlankBox("0"));
    EXPECT_FALSE(operations::isBlankBox("abc"));
    EXPECT_FALSE(operations::isBlankBox("\t"));
    EXPECT_FALSE(operations::isBlankBox(" \n "));
}

} // namespace
