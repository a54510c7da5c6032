#include "objectmodel/Names.h"

#include <gtest/gtest.h>

namespace {

TEST(ObjectModelNames, CaseIsFoldedForAsciiLettersOnly)
{
    EXPECT_TRUE(objectmodel::sameName("Excel.Application", "EXCEL.application"));
    EXPECT_TRUE(objectmodel::sameName("Shift", "shift"));
    EXPECT_FALSE(objectmodel::sameName("Shift", "Shifts"));
    EXPECT_FALSE(objectmodel::sameName("Rows", "Row"));
    // Only A-Z: "[" and "{" are not one letter in two cases, and bytes of UTF-8 stay as they are.
    EXPECT_FALSE(objectmodel::sameName("[", "{"));
    EXPECT_FALSE(objectmodel::sameName("@", "`"));
    EXPECT_EQ(objectmodel::foldedName("ActiveSheet.ÄB"), "activesheet.Äb");
}

} // namespace
