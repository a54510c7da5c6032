#include "objectmodel/ColumnLetters.h"

#include <gtest/gtest.h>

namespace {

TEST(ColumnLetters, NumbersAndLettersGoBothWays)
{
    const struct {
        std::int32_t column;
        const char* letters;
    } cases[] = {{1, "A"},   {26, "Z"},   {27, "AA"},   {28, "AB"},    {52, "AZ"},
                 {53, "BA"}, {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
    for (const auto& c : cases) {
        EXPECT_EQ(objectmodel::columnLetters(c.column), c.letters);
        EXPECT_EQ(objectmodel::columnNumber(c.letters, 1'000'000), c.column) << c.letters;
    }
    for (std::int32_t column = 1; column <= 16384; ++column)
        ASSERT_EQ(objectmodel::columnNumber(objectmodel::columnLetters(column), 1'000'000), column);
    EXPECT_EQ(objectmodel::columnNumber("xfd", 1'000'000), 16384);
    EXPECT_EQ(objectmodel::columnNumber("", 1'000'000), 0);
    // Far beyond the sheet a number stops growing rather than overflowing.
    EXPECT_EQ(objectmodel::columnNumber(std::string(40, 'Z'), 1'000'000), 1'000'000);
}

} // namespace
