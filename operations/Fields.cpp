#include "operations/Fields.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace operations {

namespace {

// Walks the text, skipping the characters that the reading ignores wherever they stand.
class Cursor {
public:
    explicit Cursor(std::string_view text) : m_text(text) {}

    int peek()
    {
        while (m_pos < m_text.size() && isSkipped(m_text[m_pos]))
            ++m_pos;
        return m_pos < m_text.size() ? static_cast<unsigned char>(m_text[m_pos]) : -1;
    }
    void advance() { ++m_pos; }
    bool take(char c)
    {
        if (peek() != c)
            return false;
        advance();
        return true;
    }

private:
    static bool isSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

int upper(int c)
{
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

// A Chinese input method in full-width mode types "１２" for 12: its full-width forms (U+FF01 to U+FF5E, UTF-8
// EF BC 81 to EF BD 9E) and the ideographic space (U+3000, E3 80 80) become their ASCII characters. Every other
// byte is kept, so malformed UTF-8 still stops the reading where it stands.
std::string narrowFullWidth(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
        if (i + 2 < text.size()) {
            if (b(0) == 0xEF &&
                ((b(1) == 0xBC && b(2) >= 0x81 && b(2) <= 0xBF) || (b(1) == 0xBD && b(2) >= 0x80 && b(2) <= 0x9E))) {
                const unsigned codePoint = 0xF000u | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
                out.push_back(static_cast<char>(codePoint - 0xFEE0u));
                i += 2;
                continue;
            }
            if (b(0) == 0xE3 && b(1) == 0x80 && b(2) == 0x80) {
                out.push_back(' ');
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

double readRadix(Cursor& cursor, int radix)
{
    double value = 0;
    for (;;) {
        const int c = upper(cursor.peek());
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (radix == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        if (digit >= radix)
            break;
        value = value * radix + digit;
        cursor.advance();
    }
    return value;
}

} // namespace

double readField(std::string_view typed)
{
    const std::string text = narrowFullWidth(typed);
    Cursor cursor(text);

    if (cursor.take('&')) {
        const int kind = upper(cursor.peek());
        if (kind == 'H' || kind == 'O') {
            cursor.advance();
            return readRadix(cursor, kind == 'H' ? 16 : 8);
        }
        return 0;
    }

    bool negative = false;
    if (cursor.take('-'))
        negative = true;
    else
        cursor.take('+');

    // Collect the significant digits into a plain decimal form that from_chars reads exactly.
    std::string digits;
    long long pointShift = 0; // decimal places after the point
    bool anyDigit = false;
    while (cursor.peek() >= '0' && cursor.peek() <= '9') {
        digits.push_back(static_cast<char>(cursor.peek()));
        cursor.advance();
        anyDigit = true;
    }
    if (cursor.take('.')) {
        while (cursor.peek() >= '0' && cursor.peek() <= '9') {
            digits.push_back(static_cast<char>(cursor.peek()));
            cursor.advance();
            ++pointShift;
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;

    long long exponent = 0;
    const int e = upper(cursor.peek());
    if (e == 'E' || e == 'D') {
        cursor.advance();
        bool negativeExponent = false;
        if (cursor.take('-'))
            negativeExponent = true;
        else
            cursor.take('+');
        constexpr long long kCap = 1'000'000'000; // far beyond any double; keeps the sum from overflowing
        while (cursor.peek() >= '0' && cursor.peek() <= '9') {
            exponent = std::min(kCap, exponent * 10 + (cursor.peek() - '0'));
            cursor.advance();
        }
        if (negativeExponent)
            exponent = -exponent;
    }

    const auto firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return negative ? -0.0 : 0.0;
    digits.erase(0, firstNonZero);
    const long long scale = exponent - pointShift;
    // The decimal magnitude decides between the two ends of the range without asking from_chars.
    const long long magnitude = scale + static_cast<long long>(digits.size());
    double value;
    if (magnitude > 400) {
        value = std::numeric_limits<double>::infinity();
    } else if (magnitude < -400) {
        value = 0;
    } else {
        const std::string form = digits + 'e' + std::to_string(scale);
        const auto [end, ec] = std::from_chars(form.data(), form.data() + form.size(), value);
        if (ec == std::errc::result_out_of_range)
            value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

bool isBlankBox(std::string_view text)
{
    return text.find_first_not_of(' ') == std::string_view::npos;
}

} // namespace operations
