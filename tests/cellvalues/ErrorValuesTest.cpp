#include "cellvalues/ErrorValues.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorValues, EachCodeHasItsNameAndBack)
{
    const struct {
        std::int32_t code;
        std::string_view name;
    } cases[] = {{2000, "#NULL!"}, {2007, "#DIV/0!"}, {2015, "#VALUE!"}, {2023, "#REF!"},
                 {2029, "#NAME?"}, {2036, "#NUM!"},   {2042, "#N/A"}};
    for (const auto& c : cases) {
        EXPECT_EQ(cellvalues::errorName(c.code), c.name);
        EXPECT_EQ(cellvalues::errorCode(c.name), c.code);
    }
}

TEST(ErrorValues, UnknownCodesAreWrittenAsValueErrorsAndOtherTextsAreNoErrors)
{
    EXPECT_EQ(cellvalues::errorName(0), "#VALUE!");
    EXPECT_EQ(cellvalues::errorName(2043), "#VALUE!");
    for (std::string_view text : {"#n/a", " #N/A", "#N/A ", "#DIV/0", "N/A", "", "#GETTING_DATA"})
        EXPECT_FALSE(cellvalues::errorCode(text)) << text;
}

} // namespace
