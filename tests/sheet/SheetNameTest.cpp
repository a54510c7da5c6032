#include "objectmodel/SheetName.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using objectmodel::sheetNameFault;
using objectmodel::uniqueSheetName;
using objectmodel::validSheetName;

TEST(SheetName, FaultsAreThoseOtherProgramsRefuse)
{
    for (const std::string& good :
         {std::string("Sheet1"), std::string("数据 2024"), std::string("a'b"), std::string(31, 'x')})
        EXPECT_FALSE(objectmodel::sheetNameFault(good)) << good;
    // 31 characters of three bytes each is still 31 characters.
    std::string chinese;
    for (int i = 0; i < 31; ++i)
        chinese += "表";
    EXPECT_FALSE(objectmodel::sheetNameFault(chinese));

    for (const std::string& bad :
         {std::string(), std::string(32, 'x'), chinese + "表", std::string("a/b"), std::string("a:b"),
          std::string("[x]"), std::string("q?"), std::string("*"), std::string("back\\slash"), std::string("'quoted"),
          std::string("quoted'"), std::string("tab\there"), std::string("bad\xFF"), std::string("a\xEF\xBF\xBE"),
          std::string("\xED\xA0\x80 surrogate")})
        EXPECT_TRUE(objectmodel::sheetNameFault(bad)) << bad;
    // Outside the basic plane a character counts twice, as a surrogate pair.
    std::string emoji;
    for (int i = 0; i < 16; ++i)
        emoji += "\xF0\x9F\x98\x80";
    EXPECT_TRUE(objectmodel::sheetNameFault(emoji));
    EXPECT_FALSE(objectmodel::sheetNameFault(emoji.substr(4)));
}

TEST(SheetName, AnyTextIsMadeValidWithoutSplittingACharacter)
{
    EXPECT_EQ(objectmodel::validSheetName("报表[2024]/一月", "Sheet1"), "报表_2024__一月");
    EXPECT_EQ(objectmodel::validSheetName("'''", "Sheet1"), "Sheet1");
    EXPECT_EQ(objectmodel::validSheetName("", "Sheet3"), "Sheet3");
    EXPECT_EQ(objectmodel::validSheetName("'name'", "Sheet1"), "name");
    EXPECT_EQ(objectmodel::validSheetName("bad\xFF\xE4\xB8 \xEF\xBF\xBF", "Sheet1"), "bad___ _");

    std::string longChinese;
    for (int i = 0; i < 40; ++i)
        longChinese += "表";
    const std::string cut = objectmodel::validSheetName(longChinese, "Sheet1");
    EXPECT_EQ(cut.size(), 31u * 3);
    EXPECT_FALSE(objectmodel::sheetNameFault(cut));

    std::string emoji;
    for (int i = 0; i < 20; ++i)
        emoji += "\xF0\x9F\x98\x80";
    EXPECT_EQ(objectmodel::validSheetName(emoji, "Sheet1"), emoji.substr(0, 15 * 4));

    // Cutting may expose an apostrophe, which may not end a name either.
    EXPECT_EQ(objectmodel::validSheetName(std::string(30, 'a') + "'b", "Sheet1"), std::string(30, 'a'));
}

TEST(SheetName, UniqueNamesStayWithinTheLimit)
{
    EXPECT_EQ(objectmodel::uniqueSheetName("数据", 2), "数据 (2)");
    const std::string unique = objectmodel::uniqueSheetName(std::string(31, 'x'), 12);
    EXPECT_EQ(unique, std::string(26, 'x') + " (12)");
    EXPECT_FALSE(objectmodel::sheetNameFault(unique));
    EXPECT_TRUE(objectmodel::sameSheetName("Sheet1", "SHEET1"));
    EXPECT_FALSE(objectmodel::sameSheetName("Sheet1", "Sheet10"));
    // Letter case beyond ASCII clashes too: Latin, Greek, Cyrillic and full-width letters.
    for (const auto& [upper, lower] : std::vector<std::pair<std::string, std::string>>{
             {"Ä", "ä"}, {"Ā", "ā"}, {"Ł", "ł"}, {"Ÿ", "ÿ"}, {"Σ", "σ"}, {"Д", "д"}, {"Ё", "ё"}, {"ＡＢ", "ａｂ"}})
        EXPECT_TRUE(objectmodel::sameSheetName(upper, lower)) << upper;
    EXPECT_FALSE(objectmodel::sameSheetName("×", "÷"));
    EXPECT_FALSE(objectmodel::sameSheetName("数据", "数据 "));
}

} // namespace
