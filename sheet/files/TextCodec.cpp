#include "sheet/files/TextCodec.h"

#include "sheet/files/FileError.h"
#include "text/Utf8.h"

#include <algorithm>

namespace sheet {

namespace {

using Byte = unsigned char;

Byte byteAt(std::string_view s, std::size_t i)
{
    return static_cast<Byte>(s[i]);
}

// What Windows-1252 puts at 0x80-0x9F; its five undefined bytes are the control characters of the same number.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendWindows1252(std::string& out, Byte b)
{
    if (b < 0x80)
        out += static_cast<char>(b);
    else
        text::appendUtf8(out, b < 0xA0 ? kWindows1252High[b - 0x80] : char32_t(b));
}

// The length of the GB18030 character at `i`: 1, 2 or 4, or 0 where the bytes form none. A lone 0x80 counts as a
// character: it is CP936's €.
std::size_t chineseLength(std::string_view s, std::size_t i)
{
    const Byte lead = byteAt(s, i);
    if (lead <= 0x80)
        return 1;
    if (lead == 0xFF || i + 1 >= s.size())
        return 0;
    const Byte trail = byteAt(s, i + 1);
    if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFE))
        return 2;
    const auto inRange = [&](std::size_t k, Byte low, Byte high) {
        return k < s.size() && byteAt(s, k) >= low && byteAt(s, k) <= high;
    };
    if (trail >= 0x30 && trail <= 0x39 && inRange(i + 2, 0x81, 0xFE) && inRange(i + 3, 0x30, 0x39))
        return 4;
    return 0;
}

// How plausible each character is, in points on one scale for every reading: positive where text in that encoding
// is full of such characters, negative where they are rare there and typical of some other encoding read wrongly.
// One common Chinese character (two bytes) earns what two accented letters inside Latin words earn.

bool isAsciiLetter(Byte b)
{
    return (b | 0x20) >= 'a' && (b | 0x20) <= 'z';
}

// A plain letter at `k` that belongs to plain text: not one alone between two bytes beyond ASCII, which is how the
// second bytes of Chinese characters look when read one byte at a time.
bool plainLetterAt(std::string_view s, std::size_t k)
{
    if (k >= s.size() || !isAsciiLetter(byteAt(s, k)))
        return false;
    const bool wideBefore = k > 0 && byteAt(s, k - 1) >= 0x80;
    const bool wideAfter = k + 1 < s.size() && byteAt(s, k + 1) >= 0x80;
    return !(wideBefore && wideAfter);
}

// The byte at `i`, beyond ASCII, read as Windows-1252.
double latinPoints(std::string_view s, std::size_t i)
{
    const Byte b = byteAt(s, i);
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) // undefined in the code page
        return -5;
    const bool asciiBefore = i == 0 || byteAt(s, i - 1) < 0x80;
    const bool asciiAfter = i + 1 >= s.size() || byteAt(s, i + 1) < 0x80;
    const bool letter = b >= 0xC0
                            ? b != 0xD7 && b != 0xF7
                            : b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C || b == 0x9E || b == 0x9F;
    if (letter) {
        // A word goes on in its own case: "éT" is no word, but the two bytes of a Chinese character.
        const bool lower = b >= 0xDF || b == 0x9A || b == 0x9C || b == 0x9E;
        const bool after = plainLetterAt(s, i + 1) && !(lower && byteAt(s, i + 1) < 'a');
        if ((i > 0 && plainLetterAt(s, i - 1)) || after) // é in café, ç and õ in informações
            return 1.5;
        const bool letterBeside =
            (i > 0 && isAsciiLetter(byteAt(s, i - 1))) || (i + 1 < s.size() && isAsciiLetter(byteAt(s, i + 1)));
        if (asciiBefore && asciiAfter && !letterBeside) // à on its own
            return 0.5;
        // Accented letters in a run with no plain letter beside them: what the bytes of a Chinese text look like.
        return -1;
    }
    // Signs and punctuation (° £ « » “ ” – …) stand beside plain text.
    return asciiBefore || asciiAfter ? 0.5 : -1;
}

// The GB18030 character of `length` bytes at `i`.
double chinesePoints(std::string_view s, std::size_t i, std::size_t length)
{
    if (length == 4) // beyond GBK: rare ideographs and other scripts
        return -2;
    const Byte lead = byteAt(s, i);
    if (length == 1) // ASCII, or CP936's €, which is Windows-1252's too
        return 0;
    const Byte trail = byteAt(s, i + 1);
    // GBK's additions around GB2312's grid of A1-FE by A1-FE: rare and traditional characters, and what Latin text
    // decodes as (è followed by r).
    if (trail < 0xA1)
        return -0.5;
    if (lead >= 0xB0 && lead <= 0xD7) // GB2312's first level: the 3,755 commonest characters
        return 3;
    if (lead >= 0xD8 && lead <= 0xF7) // its second level
        return 1.5;
    switch (lead) {
    case 0xA1: // 、。“”《》【】
        return 3;
    case 0xA3: // full-width ，（）：
        return 2.5;
    case 0xA2: // ① ⅰ ⑴
        return 1;
    case 0xA4: // kana, Greek, Cyrillic, pinyin
    case 0xA5:
    case 0xA6:
    case 0xA7:
    case 0xA8:
        return 0;
    case 0xA9: // box drawing
        return -1;
    default: // the user-defined areas: private use
        return -3;
    }
}

struct Guess {
    TextReading reading;
    double pointsPerByte = 0; // of the bytes scored: those beyond ASCII and the control characters
};

// Well-formed UTF-8 characters beyond ASCII and stray bytes, the text being UTF-8 but for those.
struct MixedUtf8 {
    double points = 0;
    std::size_t wellFormed = 0; // bytes of well-formed characters beyond ASCII
    std::size_t stray = 0;
};

MixedUtf8 scoreMixedUtf8(std::string_view s)
{
    MixedUtf8 score;
    bool wideBefore = false; // a well-formed character beyond ASCII just before
    for (std::size_t i = 0; i < s.size();) {
        if (byteAt(s, i) < 0x80) {
            wideBefore = false;
            ++i;
            continue;
        }
        const text::Utf8Char c = text::decodeUtf8(s, i);
        if (!c.wellFormed) {
            ++score.stray;
            score.points += latinPoints(s, i);
            wideBefore = false;
            ++i;
            continue;
        }
        score.wellFormed += c.length;
        const std::size_t next = i + c.length;
        // By chance, other encodings rarely form UTF-8 of three or four bytes. Two-byte characters (Latin, Greek,
        // Cyrillic...) they often do, but then between stray bytes: these count where real text has them, beside
        // plain letters, in a run of such characters, or as a sign beside plain text.
        bool likely = c.length > 2;
        if (!likely) {
            const bool wideAfter = next < s.size() && byteAt(s, next) >= 0x80 && text::decodeUtf8(s, next).wellFormed;
            const bool sign = (c.code >= 0xA0 && c.code < 0xC0) || c.code == 0xD7 || c.code == 0xF7;
            const bool asciiBeside = (i == 0 || byteAt(s, i - 1) < 0x80) || next >= s.size() || byteAt(s, next) < 0x80;
            likely = (i > 0 && plainLetterAt(s, i - 1)) || plainLetterAt(s, next) || wideBefore || wideAfter ||
                     (sign && asciiBeside);
        }
        if (likely)
            score.points += 1.5 * static_cast<double>(c.length);
        wideBefore = true;
        i = next;
    }
    return score;
}

// The eight-bit readings scored against each other; GB18030 only when `chineseAllowed`.
Guess guessEightBit(std::string_view s, bool chineseAllowed)
{
    const std::size_t n = s.size();
    // Control characters other than tab and line breaks are no text in any reading: binary files are full of them.
    std::size_t controls = 0;
    std::size_t beyondAscii = 0;
    double latin = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Byte b = byteAt(s, i);
        if (b >= 0x80) {
            ++beyondAscii;
            latin += latinPoints(s, i);
        } else {
            controls += b < 0x20 && b != '\t' && b != '\n' && b != '\r';
        }
    }
    const MixedUtf8 mixed = scoreMixedUtf8(s);

    double chinese = 0;
    bool chineseDecodes = chineseAllowed;
    for (std::size_t i = 0; chineseDecodes && i < n;) {
        const std::size_t length = chineseLength(s, i);
        chineseDecodes = length > 0;
        if (chineseDecodes)
            chinese += chinesePoints(s, i, length);
        i += length;
    }

    TextReading best{TextEncoding::Windows1252, true, 0};
    double points = latin;
    // Mostly UTF-8: more bytes in its characters than stray bytes, else the few characters are likelier chance.
    if (mixed.wellFormed > 0 && mixed.wellFormed >= mixed.stray && mixed.points > points) {
        best = {TextEncoding::Utf8, true, mixed.stray};
        points = mixed.points;
    }
    if (chineseDecodes && chinese >= points) {
        best = {TextEncoding::Gb18030, true, 0};
        points = chinese;
    }
    const std::size_t scored = beyondAscii + controls;
    const double perByte = scored == 0 ? 0 : (points - 10.0 * static_cast<double>(controls)) / scored;
    return {best, perByte};
}

// UTF-16 or UTF-32 of `unit` bytes a code unit: appended to `out` when given, else only checked.
bool decodeWide(std::string_view s, std::size_t unit, bool bigEndian, std::string* out)
{
    if (s.size() % unit != 0)
        return false;
    const auto unitAt = [&](std::size_t i) {
        char32_t value = 0;
        for (std::size_t k = 0; k < unit; ++k)
            value |= char32_t(byteAt(s, i + k)) << (8 * (bigEndian ? unit - 1 - k : k));
        return value;
    };
    for (std::size_t i = 0; i < s.size(); i += unit) {
        char32_t code = unitAt(i);
        if (unit == 2 && code >= 0xD800 && code <= 0xDBFF && i + 2 < s.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        if (out)
            text::appendUtf8(*out, code);
    }
    return true;
}

// UTF-16 without its byte-order mark: the zero bytes of Latin and ASCII text on one side of every code unit.
std::optional<TextEncoding> utf16WithoutMark(std::string_view s)
{
    if (s.size() < 2 || s.size() % 2 != 0 || s.find('\0') == std::string_view::npos)
        return std::nullopt;
    std::size_t evenZeros = 0;
    std::size_t oddZeros = 0;
    for (std::size_t i = 0; i < s.size(); i += 2) {
        evenZeros += s[i] == '\0';
        oddZeros += s[i + 1] == '\0';
    }
    const std::size_t units = s.size() / 2;
    if (oddZeros * 4 >= units && evenZeros * 20 <= oddZeros && decodeWide(s, 2, false, nullptr))
        return TextEncoding::Utf16Le;
    if (evenZeros * 4 >= units && oddZeros * 20 <= evenZeros && decodeWide(s, 2, true, nullptr))
        return TextEncoding::Utf16Be;
    return std::nullopt;
}

struct Mark {
    TextEncoding encoding;
    std::string_view bytes;
};

// The byte-order marks, UTF-32's before UTF-16's, whose mark begins the same.
constexpr Mark kMarks[] = {
    {TextEncoding::Utf8, std::string_view("\xEF\xBB\xBF", 3)},
    {TextEncoding::Utf32Le, std::string_view("\xFF\xFE\0\0", 4)},
    {TextEncoding::Utf32Be, std::string_view("\0\0\xFE\xFF", 4)},
    {TextEncoding::Utf16Le, std::string_view("\xFF\xFE", 2)},
    {TextEncoding::Utf16Be, std::string_view("\xFE\xFF", 2)},
};

} // namespace

std::optional<std::string> chineseToUtf8(std::string_view bytes)
{
    std::string amended;
    bool euro = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = chineseLength(bytes, i);
        if (length == 0)
            return std::nullopt;
        if (byteAt(bytes, i) == 0x80) {
            if (!euro)
                amended.assign(bytes.substr(0, i));
            euro = true;
            amended += "\xA2\xE3"; // € in GB18030
        } else if (euro) {
            amended.append(bytes.substr(i, length));
        }
        i += length;
    }
    return gb18030ToUtf8(euro ? std::string_view(amended) : bytes);
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes)
        appendWindows1252(out, static_cast<Byte>(c));
    return out;
}

std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    if (!decodeWide(bytes, 2, bigEndian, &out))
        return std::nullopt;
    return out;
}

std::optional<std::string> utf32ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size() / 2);
    if (!decodeWide(bytes, 4, bigEndian, &out))
        return std::nullopt;
    return out;
}

std::string utf8WithStrayBytesToUtf8(std::string_view bytes, std::size_t& strayBytes)
{
    strayBytes = 0;
    std::string out;
    out.reserve(bytes.size() + 16);
    for (std::size_t i = 0; i < bytes.size();) {
        const text::Utf8Char c = text::decodeUtf8(bytes, i);
        if (c.wellFormed) {
            out.append(bytes.substr(i, c.length));
            i += c.length;
        } else {
            appendWindows1252(out, byteAt(bytes, i));
            ++strayBytes;
            ++i;
        }
    }
    return out;
}

TextReading guessEncoding(std::string_view bytes)
{
    if (const auto wide = utf16WithoutMark(bytes))
        return {*wide, true, 0};
    return guessEightBit(bytes, true).reading;
}

std::string_view decodeText(std::string_view bytes, const std::string& name, TextEncoding encoding,
                            std::string& storage, TextReading& reading)
{
    const bool chosen = encoding != TextEncoding::Auto;
    if (!chosen) {
        for (const Mark& mark : kMarks) {
            if (bytes.starts_with(mark.bytes)) {
                encoding = mark.encoding;
                break;
            }
        }
        // UTF-16's mark before a zero character begins as UTF-32's does.
        if (encoding == TextEncoding::Utf32Le && !decodeWide(bytes.substr(4), 4, false, nullptr))
            encoding = TextEncoding::Utf16Le;
    }
    for (const Mark& mark : kMarks) {
        if (mark.encoding == encoding && bytes.starts_with(mark.bytes)) {
            bytes.remove_prefix(mark.bytes.size());
            break;
        }
    }
    reading = {encoding, false, 0};
    if (encoding == TextEncoding::Auto || (encoding == TextEncoding::Utf8 && !chosen && !text::isUtf8(bytes))) {
        // Nothing but the text itself tells the encoding (a UTF-8 mark before bytes that are not is no help).
        // UTF-16's zero bytes are valid UTF-8 too: looked for first.
        if (const auto wide = utf16WithoutMark(bytes)) {
            reading = {*wide, true, 0};
            storage = *utf16ToUtf8(bytes, *wide == TextEncoding::Utf16Be);
            return storage;
        }
        if (text::isUtf8(bytes)) {
            reading.encoding = TextEncoding::Utf8;
            return bytes;
        }
        Guess guess = guessEightBit(bytes, true);
        if (guess.reading.encoding == TextEncoding::Gb18030) {
            if (auto text = chineseToUtf8(bytes)) {
                reading = guess.reading;
                storage = std::move(*text);
                return storage;
            }
            // Well-formed but for codes the platform's converter does not know: the next likeliest reading.
            guess = guessEightBit(bytes, false);
        }
        // Binary data, not text: every reading is mostly control characters, undefined bytes and unlikely runs.
        if (guess.pointsPerByte < -2)
            throw fileError(name, "无法识别文字编码: 按 UTF-8、GB18030 或 Windows-1252 读都不像文本(也许不是 CSV "
                                  "文件?)。如果知道它的编码，请在“打开”对话框中选择该编码。");
        reading = guess.reading;
        if (reading.encoding == TextEncoding::Utf8)
            storage = utf8WithStrayBytesToUtf8(bytes, reading.strayBytes);
        else
            storage = windows1252ToUtf8(bytes);
        return storage;
    }

    const std::string encodingText(encodingName(encoding));
    const auto notValid = [&] {
        return fileError(name, chosen ? "不是有效的 " + encodingText + " 文本。请换一种编码打开。"
                                      : "开头标明是 " + encodingText + " 文本，但内容不是有效的 " + encodingText +
                                            "(文件可能不完整)。");
    };
    std::optional<std::string> text;
    switch (encoding) {
    case TextEncoding::Auto:
    case TextEncoding::Utf8:
        if (!text::isUtf8(bytes))
            throw notValid();
        return bytes;
    case TextEncoding::Gb18030:
        text = chineseToUtf8(bytes);
        break;
    case TextEncoding::Windows1252:
        text = windows1252ToUtf8(bytes);
        break;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
        text = utf16ToUtf8(bytes, encoding == TextEncoding::Utf16Be);
        break;
    case TextEncoding::Utf32Le:
    case TextEncoding::Utf32Be:
        text = utf32ToUtf8(bytes, encoding == TextEncoding::Utf32Be);
        break;
    }
    if (!text)
        throw notValid();
    storage = std::move(*text);
    return storage;
}

} // namespace sheet
