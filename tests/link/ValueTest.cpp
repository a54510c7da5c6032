#include "link/Automation.h"

#include "testsupport/ErrorNumber.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using automation::AutomationError;
using automation::Value;

using testsupport::errorNumber;

TEST(ValueComparedAsText, OnlyNoValueOrAnEmptyTextEqualsTheEmptyText)
{
    EXPECT_TRUE(Value().equalsText(""));
    EXPECT_TRUE(Value("").equalsText(""));
    EXPECT_FALSE(Value(" ").equalsText(""));
    EXPECT_FALSE(Value(0.0).equalsText(""));
    EXPECT_FALSE(Value(false).equalsText(""));
    EXPECT_FALSE(Value(automation::Date{0}).equalsText(""));
    EXPECT_FALSE(Value(automation::Null{}).equalsText(""));
    EXPECT_TRUE(Value("待删除").equalsText("待删除"));
    EXPECT_FALSE(Value("待删除 ").equalsText("待删除"));
    EXPECT_TRUE(Value(12.0).equalsText("12"));
    // An error value cannot be compared.
    EXPECT_EQ(errorNumber([] { (void)Value(automation::ErrorValue{2042}).equalsText(""); }), 13);
}

TEST(ValueConversions, FollowTheAutomationRuntime)
{
    EXPECT_EQ(Value(0.0).toText(), "0");
    EXPECT_EQ(Value(1.5).toText(), "1.5");
    EXPECT_EQ(Value(0.1).toText(), "0.1");
    EXPECT_EQ(Value(1e20).toText(), "1E+20");
    EXPECT_EQ(Value(std::int16_t(-4121)).toText(), "-4121");
    EXPECT_EQ(Value(true).toText(), "True");
    EXPECT_EQ(Value(automation::Date{45000}).toText(), "2023/3/15");
    EXPECT_EQ(Value(automation::Date{45000.5}).toText(), "2023/3/15 12:00:00");
    EXPECT_EQ(Value(automation::Date{1}).toText(), "1899/12/31");
    EXPECT_EQ(Value(" 12 ").toDouble(), 12);
    EXPECT_EQ(Value(true).toDouble(), -1);
    EXPECT_EQ(errorNumber([] { (void)Value("12abc").toDouble(); }), 13);
    EXPECT_EQ(errorNumber([] { (void)Value(automation::Null{}).toText(); }), 94);
}

TEST(ValueConversions, ATextIsANumberInDecimalNotationWithBlanksAround)
{
    const struct {
        const char* text;
        double number; // when no error
        int error;     // 13 type mismatch, 6 overflow
    } cases[] = {
        {"12", 12, 0},    {"-3.5", -3.5, 0}, {"1e3", 1000, 0},  {"1.", 1, 0},    {".5", 0.5, 0},
        {"-.5", -0.5, 0}, {" 12 ", 12, 0},   {"\t12\t", 12, 0}, {"007", 7, 0},   {"4e-320", 4e-320, 0},
        {"+7", 7, 0},     {"+-5", 0, 13},    {"12\n", 0, 13},   {"", 0, 13},     {"1e", 0, 13},
        {".", 0, 13},     {"1,000", 0, 13},  {"5%", 0, 13},     {"0x10", 0, 13}, {"1e400", 0, 6},
        {"-1e400", 0, 6}, {"1e-400", 0, 6},  {"inf", 0, 13},    {"-inf", 0, 13}, {"infinity", 0, 13},
    };
    for (const auto& c : cases) {
        if (c.error != 0)
            EXPECT_EQ(errorNumber([&] { (void)Value(c.text).toDouble(); }), c.error) << c.text;
        else
            EXPECT_EQ(Value(c.text).toDouble(), c.number) << c.text;
    }
    EXPECT_EQ(errorNumber([] { (void)Value("nan").toDouble(); }), 13);
}

TEST(ValueConversions, ToInt32RoundsHalvesToEvenAndRefusesOverflow)
{
    const std::pair<double, std::int32_t> cases[] = {{9.5, 10},  {10.5, 10}, {2.5, 2}, {3.5, 4},      {-0.5, 0},
                                                     {-1.5, -2}, {0.49, 0},  {7.0, 7}, {1e6, 1000000}};
    for (auto [in, out] : cases)
        EXPECT_EQ(Value(in).toInt32(), out) << in;
    EXPECT_EQ(errorNumber([] { (void)Value(3e9).toInt32(); }), 6);
    EXPECT_EQ(errorNumber([] { (void)Value(std::numeric_limits<double>::quiet_NaN()).toInt32(); }), 6);
    EXPECT_EQ(errorNumber([] { (void)Value(std::numeric_limits<double>::infinity()).toInt32(); }), 6);
}

TEST(ValueCalls, WithoutAnObjectRaiseObjectErrors)
{
    // An empty variant is not an object at all; a null reference is an object variable that is not set.
    EXPECT_EQ(errorNumber([] { Value().get("Workbooks"); }), 424);
    EXPECT_EQ(errorNumber([] { Value(3.0).call("Add"); }), 424);
    EXPECT_EQ(errorNumber([] { Value(automation::Object()).get("ActiveSheet"); }), 91);
    EXPECT_EQ(errorNumber([] { automation::Object().put("Visible", true); }), 91);
}

} // namespace
