#include "sheet/files/XlsxText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// What an XML parser gives for the content written: the entities appendText writes, decoded.
std::string parsed(std::string xml)
{
    for (const auto& [entity, character] :
         {std::pair<std::string, std::string>{"&lt;", "<"}, {"&gt;", ">"}, {"&#13;", "\r"}, {"&amp;", "&"}})
        for (std::size_t at = xml.find(entity); at != std::string::npos; at = xml.find(entity, at + 1))
            xml.replace(at, entity.size(), character);
    return xml;
}

TEST(XlsxText, EveryTextIsWrittenSoThatItReadsBackAsItWas)
{
    const struct {
        std::string text;
        std::string written;
        std::string back; // what reads back, when not the text itself
    } cases[] = {
        {"plain", "plain", ""},
        {"a&b<c>d", "a&amp;b&lt;c&gt;d", ""},
        {"line\r\nnext", "line&#13;\nnext", ""},
        {"tab\there", "tab\there", ""},
        {std::string("\x00", 1), "_x0000_", ""},
        {"\x01", "_x0001_", ""},
        {"\x1F", "_x001F_", ""},
        {"\x7F", "\x7F", ""},
        {"_x0041_", "_x005F_x0041_", ""},
        {"_x00e9_", "_x005F_x00e9_", ""},
        {"_x005F_", "_x005F_x005F_", ""},
        {"__x0041_", "__x005F_x0041_", ""},
        {"_x0041", "_x005F_x0041", ""},
        {"_x00", "_x00", ""},
        {"_x12G4_", "_x12G4_", ""},
        {"a_b_x", "a_b_x", ""},
        {"\xEF\xBF\xBE", "_xFFFE_", ""},
        {"\xEF\xBF\xBF", "_xFFFF_", ""},
        {"文本", "文本", ""},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", ""},
        {"\xFF", "\xEF\xBF\xBD", "\xEF\xBF\xBD"},
        {"a\xE6\x96z", "a\xEF\xBF\xBD\xEF\xBF\xBDz", "a\xEF\xBF\xBD\xEF\xBF\xBDz"},
    };
    for (const auto& c : cases) {
        std::string written;
        sheet::xlsx::appendText(written, c.text);
        EXPECT_EQ(written, c.written) << c.text;
        std::string back = parsed(written);
        sheet::xlsx::unescapeText(back);
        EXPECT_EQ(back, c.back.empty() ? c.text : c.back) << c.text;
    }
}

TEST(XlsxText, EscapesOtherProgramsWriteAreDecoded)
{
    const std::pair<std::string, std::string> cases[] = {
        {"_x000a_", "\n"},
        {"_x000D_", "\r"},
        {"a_x0009_b", "a\tb"},
        {"_x005F_", "_"},
        {"_xD83D__xDE00_", "\xF0\x9F\x98\x80"},
        {"_xD83D_", "\xEF\xBF\xBD"},
        {"_xD83D_x", "\xEF\xBF\xBDx"},
        {"_xDE00_", "\xEF\xBF\xBD"},
        {"_x4E2D_", "中"},
        {"_x", "_x"},
        {"x_", "x_"},
        {"", ""},
    };
    for (auto [text, decoded] : cases) {
        const std::string written = text;
        sheet::xlsx::unescapeText(text);
        EXPECT_EQ(text, decoded) << written;
    }
}

} // namespace
