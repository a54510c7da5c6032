// How the bytes of a text file become its text: byte-order marks, the user's choice, and the guess between UTF-8
// with stray bytes, GB18030 and Windows-1252, tried on files as people write them.
#include "sheet/files/TextCodec.h"
#include "sheet/files/Csv.h"
#include "sheet/files/FileError.h"
#include "sheet/files/WholeFile.h"
#include "text/Utf8.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

using sheet::TextEncoding;
using sheet::TextReading;

std::string sample(const char* name)
{
    return sheet::readWholeFile(
        (std::filesystem::path(TESSAVO_SOURCE_DIR) / "tests" / "files" / "encodings" / name).string());
}

// The file's lines, each with its line break; and its fields, each alone.
std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (;;) {
        const std::size_t end = line.find_first_of(",\r\n", at);
        fields.push_back(line.substr(at, end - at));
        if (end == std::string::npos || line[end] != ',')
            return fields;
        at = end + 1;
    }
}

struct Decoded {
    std::string text;
    TextReading reading;
};

Decoded decoded(std::string_view bytes, TextEncoding encoding = TextEncoding::Auto)
{
    std::string storage;
    TextReading reading;
    const std::string_view text = sheet::decodeText(bytes, "t.csv", encoding, storage, reading);
    return {std::string(text), reading};
}

std::string failureOf(std::string_view bytes, TextEncoding encoding = TextEncoding::Auto)
{
    try {
        decoded(bytes, encoding);
    } catch (const sheet::FileError& e) {
        return e.what();
    }
    return {};
}

bool sameReading(const TextReading& a, const TextReading& b)
{
    return a.encoding == b.encoding && a.guessed == b.guessed && a.strayBytes == b.strayBytes;
}

// Every prefix of whole lines, every line and every field of `encoded` is read as `utf8` has it, in `encoding`,
// as a guess. Texts that happen to be valid UTF-8 (all ASCII, or a lone 女, C5 AE) are UTF-8 by rule, whatever
// they were meant as: left out.
void expectGuessedEverywhere(const std::string& encoded, const std::string& utf8, TextEncoding encoding)
{
    const TextReading guess{encoding, true, 0};
    const auto lines = linesOf(encoded);
    const auto utf8Lines = linesOf(utf8);
    ASSERT_EQ(lines.size(), utf8Lines.size());
    std::string prefix;
    std::string utf8Prefix;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        prefix += lines[i];
        utf8Prefix += utf8Lines[i];
        if (!text::isUtf8(prefix)) {
            const Decoded whole = decoded(prefix);
            EXPECT_EQ(whole.text, utf8Prefix);
            EXPECT_TRUE(sameReading(whole.reading, guess)) << "first " << i + 1 << " lines";
        }
        if (!text::isUtf8(lines[i])) {
            const Decoded line = decoded(lines[i]);
            EXPECT_EQ(line.text, utf8Lines[i]);
            EXPECT_TRUE(sameReading(line.reading, guess)) << utf8Lines[i];
        }

        const auto fields = fieldsOf(lines[i]);
        const auto utf8Fields = fieldsOf(utf8Lines[i]);
        ASSERT_EQ(fields.size(), utf8Fields.size()) << utf8Lines[i];
        for (std::size_t f = 0; f < fields.size(); ++f) {
            if (text::isUtf8(fields[f]))
                continue;
            const Decoded field = decoded(fields[f]);
            EXPECT_EQ(field.text, utf8Fields[f]);
            EXPECT_TRUE(sameReading(field.reading, guess)) << utf8Fields[f];
        }
    }
}

TEST(TextEncodingGuess, ChineseTextOfEveryLengthIsReadAsGb18030)
{
    // A class list as Chinese Windows saves it (GBK, € as 0x80): common and rarer characters, full-width
    // punctuation, 〇, traditional characters, letters.
    expectGuessedEverywhere(sample("names-cp936.csv"), sample("names-utf8.csv"), TextEncoding::Gb18030);
    // The shortest Chinese texts, among them words whose bytes would also decode as Latin letters.
    for (const char* word : {"\xD6\xD0", "\xB0\xA1", "\xCB\xAD\xB5\xC4", "\xC3\xC0\xB9\xFA", "\xC4\xD0,\xC5\xAE"})
        EXPECT_EQ(decoded(word).reading.encoding, TextEncoding::Gb18030) << word;
    // Characters beyond GBK take four bytes in GB18030: 张㐀三,𠀀.
    EXPECT_EQ(decoded("\xD5\xC5\x81\x39\xEE\x39\xC8\xFD,\x95\x32\x82\x36").text, "张㐀三,𠀀");
}

TEST(TextEncodingGuess, LatinTextIsReadAsWindows1252)
{
    // French, German, Spanish, Portuguese, Danish words; curly quotes, dashes, €, °, fractions.
    expectGuessedEverywhere(sample("latin-windows1252.csv"), sample("latin-utf8.csv"), TextEncoding::Windows1252);
}

TEST(TextEncodingGuess, AUtf8TextWithAFewOtherBytesStaysUtf8)
{
    // One Latin-1 byte in a Chinese UTF-8 file: the Chinese stays Chinese, the byte is read as Windows-1252.
    const std::string names = sample("names-utf8.csv");
    const Decoded one = decoded(names + "钱七,男,初三,60,caf\xE9\r\n");
    EXPECT_EQ(one.text, names + "钱七,男,初三,60,café\r\n");
    EXPECT_TRUE(sameReading(one.reading, {TextEncoding::Utf8, true, 1}));

    // Wherever the stray bytes fall, however few UTF-8 characters surround them.
    struct Case {
        std::string bytes;
        std::string text;
        std::size_t stray;
    };
    const Case cases[] = {
        {"\xE5\xA7\x93\xE5\x90\x8D,caf\xE9", "姓名,café", 1},
        {"caf\xE9,\xE5\x8C\x97\xE4\xBA\xAC", "café,北京", 1},
        {"Ren\xE9\r\nZo\xC3\xAB\r\n", "René\r\nZoë\r\n", 1},
        {"\xE2\x80\x9Cquoted\xE2\x80\x9D,\x93quoted\x94", "“quoted”,“quoted”", 2},
        {"\xC2\xA3"
         "12,M\xFCller",
         "£12,Müller", 1},
    };
    for (const Case& c : cases) {
        const Decoded d = decoded(c.bytes);
        EXPECT_EQ(d.text, c.text);
        EXPECT_TRUE(sameReading(d.reading, {TextEncoding::Utf8, true, c.stray})) << c.text;
    }
    // Without a single UTF-8 character it is Windows-1252 text, which reads the same.
    EXPECT_TRUE(
        sameReading(decoded("Name,City\r\nJos\xE9,S\xE3o Paulo\r\n").reading, {TextEncoding::Windows1252, true, 0}));
}

TEST(TextEncodingGuess, Cp936ReadsItsByte0x80AsEuro)
{
    // 价格,€12 as Chinese Windows writes it; GB18030 itself has no byte 0x80.
    const std::string bytes = "\xBC\xDB\xB8\xF1,\x80"
                              "12\r\n";
    EXPECT_EQ(decoded(bytes).text, "价格,€12\r\n");
    EXPECT_EQ(decoded(bytes).reading.encoding, TextEncoding::Gb18030);
    EXPECT_EQ(decoded(bytes, TextEncoding::Gb18030).text, "价格,€12\r\n");
    // € as GB18030 writes it.
    EXPECT_EQ(decoded("\xBC\xDB\xB8\xF1,\xA2\xE3", TextEncoding::Gb18030).text, "价格,€");
}

TEST(TextEncodings, AByteOrderMarkSettlesTheEncoding)
{
    struct Case {
        std::string bytes;
        TextEncoding encoding;
    };
    // 姓名<tab>A<CR><LF> in each encoding, after its mark.
    const Case cases[] = {
        {std::string("\xEF\xBB\xBF\xE5\xA7\x93\xE5\x90\x8D\tA\r\n"), TextEncoding::Utf8},
        {std::string("\xFF\xFE\xD3\x59\x0D\x54\t\0A\0\r\0\n\0", 14), TextEncoding::Utf16Le},
        {std::string("\xFE\xFF\x59\xD3\x54\x0D\0\t\0A\0\r\0\n", 14), TextEncoding::Utf16Be},
        {std::string("\xFF\xFE\0\0\xD3\x59\0\0\x0D\x54\0\0\t\0\0\0A\0\0\0\r\0\0\0\n\0\0\0", 28), TextEncoding::Utf32Le},
        {std::string("\0\0\xFE\xFF\0\0\x59\xD3\0\0\x54\x0D\0\0\0\t\0\0\0A\0\0\0\r\0\0\0\n", 28), TextEncoding::Utf32Be},
    };
    for (const Case& c : cases) {
        const Decoded d = decoded(c.bytes);
        EXPECT_EQ(d.text, "姓名\tA\r\n") << sheet::encodingName(c.encoding);
        EXPECT_TRUE(sameReading(d.reading, {c.encoding, false, 0})) << sheet::encodingName(c.encoding);
        // Chosen, the encoding skips its own mark.
        EXPECT_EQ(decoded(c.bytes, c.encoding).text, "姓名\tA\r\n") << sheet::encodingName(c.encoding);
    }
    // A character beyond the first plane, as a surrogate pair.
    EXPECT_EQ(decoded(std::string("\xFF\xFE\x40\xD8\x8F\xDC", 6)).text, "\xF0\xA0\x82\x8F"); // U+2008F
    // UTF-16 without its mark: the zero bytes of its ASCII tell it, as a guess.
    const Decoded bare = decoded(std::string("a\0,\0\x2D\x4E\r\0\n\0", 10));
    EXPECT_EQ(bare.text, "a,中\r\n");
    EXPECT_TRUE(sameReading(bare.reading, {TextEncoding::Utf16Le, true, 0}));
}

TEST(TextEncodings, TheUsersChoiceIsReadAsChosenAndIsNoGuess)
{
    // 中文 in GB18030, which the user says is Windows-1252: so be it.
    const Decoded latin = decoded("\xD6\xD0\xCE\xC4", TextEncoding::Windows1252);
    EXPECT_EQ(latin.text, "ÖÐÎÄ");
    EXPECT_TRUE(sameReading(latin.reading, {TextEncoding::Windows1252, false, 0}));
    EXPECT_TRUE(
        sameReading(decoded("\xD6\xD0\xCE\xC4", TextEncoding::Gb18030).reading, {TextEncoding::Gb18030, false, 0}));
    // Valid UTF-8 is no guess either.
    EXPECT_TRUE(sameReading(decoded("\xE4\xB8\xAD").reading, {TextEncoding::Utf8, false, 0}));
    // Every byte is a character in Windows-1252, the five undefined ones too.
    EXPECT_EQ(decoded("\x80\x81\x9F\xA0\xFF", TextEncoding::Windows1252).text, "€\xC2\x81Ÿ\xC2\xA0ÿ");
}

TEST(TextEncodings, TextThatIsNotWhatItClaimsIsRefusedByName)
{
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        const char* named; // in the message
    };
    const Case cases[] = {
        {std::string("\xFF\xFE\x41\x00\x42", 5), TextEncoding::Auto, "UTF-16 LE"},     // cut short
        {std::string("\xFF\xFE\x00\xD8\x41\x00", 6), TextEncoding::Auto, "UTF-16 LE"}, // a lone surrogate
        {std::string("\0\0\xFE\xFF\0\x11\0\0", 8), TextEncoding::Auto, "UTF-32 BE"},   // beyond U+10FFFF
        {"\xD6\xD0\xFF", TextEncoding::Gb18030, "GB18030"},
        {"caf\xE9", TextEncoding::Utf8, "UTF-8"},
        {std::string("abc", 3), TextEncoding::Utf16Be, "UTF-16 BE"},
        // Bytes that are text in no reading: a zip archive's head, a lone undefined byte.
        {[] {
             static constexpr char head[] = "PK\x03\x04\x14\0\x06\0\x08\0\0\0!\0\xA2\xE3\x91\x8F\x05\x01\0\0";
             return std::string(head, sizeof head - 1);
         }(),
         TextEncoding::Auto, "编码"},
        {"\x81", TextEncoding::Auto, "编码"},
    };
    for (const Case& c : cases) {
        const std::string message = failureOf(c.bytes, c.encoding);
        EXPECT_NE(message.find("t.csv"), std::string::npos) << message;
        EXPECT_NE(message.find(c.named), std::string::npos) << message;
    }
}

TEST(TextEncodings, TheCsvReaderCarriesHowItReadTheText)
{
    const sheet::Book gb = sheet::readCsv(sample("names-cp936.csv"), "名单.csv");
    EXPECT_TRUE(sameReading(gb.reading, {TextEncoding::Gb18030, true, 0}));
    EXPECT_EQ(gb.sheets[0].grid.cell(2, 1).text, "张三");
    EXPECT_TRUE(sameReading(sheet::readCsv(sample("names-utf8.csv"), "名单.csv").reading, {}));
}

} // namespace
