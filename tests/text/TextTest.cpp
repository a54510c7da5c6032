#include "text/Utf16.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf16, TextsGoThereAndBack)
{
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"", u""},
        {"Tessavo", u"Tessavo"},
        {"插入空行", u"插入空行"},
        {"若工作无高效,则生活不自由.                 随喜  ", u"若工作无高效,则生活不自由.                 随喜  "},
        {"\xF0\x9F\x98\x80 €", u"\U0001F600 €"}, // beyond the 16-bit plane: a surrogate pair
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text::toUtf16(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(text::toUtf8(std::u16string_view(c.utf16)), c.utf8) << c.utf8;
    }
}

TEST(Utf16, MalformedInputBecomesReplacementCharacters)
{
    // A stray continuation byte, a cut sequence, an overlong slash, an encoded surrogate, a byte beyond U+10FFFF.
    EXPECT_EQ(text::toUtf16("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(text::toUtf16("a\xE6\x8F"), u"a\uFFFD\uFFFD");
    EXPECT_EQ(text::toUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(text::toUtf16("\xED\xA0\x80"), u"\uFFFD");
    EXPECT_EQ(text::toUtf16("\xF5\x80\x80\x80").front(), u'\uFFFD');
    // Lone surrogates in UTF-16, either half, anywhere.
    const std::u16string lone = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
    EXPECT_EQ(text::toUtf8(std::u16string_view(lone)), "a\xEF\xBF\xBD"
                                                       "b\xEF\xBF\xBD");
    const std::u16string highAtEnd = {u'x', char16_t(0xDBFF)};
    EXPECT_EQ(text::toUtf8(std::u16string_view(highAtEnd)), "x\xEF\xBF\xBD");
}

TEST(Utf8, WellFormedMeansNoSurrogatesNoOverlongFormsNothingBeyondTheLastCharacter)
{
    for (const char* good : {"", "abc", "姓名", "caf\xC3\xA9", "\xF4\x8F\xBF\xBF", "\xEF\xBB\xBFx"})
        EXPECT_TRUE(text::isUtf8(good)) << good;
    for (const char* bad :
         {"caf\xE9", "\xC0\x80", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\xA7", "\x80", "\xFF"})
        EXPECT_FALSE(text::isUtf8(bad)) << bad;
}

} // namespace
