#include "sheet/files/XmlScanner.h"

#include "text/Utf8.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sheet::xlsx {

namespace {

// Beyond these, far beyond any worksheet, expat reads the part as it always has.
constexpr std::size_t kMaxDepth = 256;
constexpr std::size_t kMaxName = 1024; // a name or a namespace's URI
constexpr std::size_t kMaxBindings = 256;
// A longer tag (or declaration) is expat's, which applies the reader's own bound: the scanner's memory stays small.
constexpr std::size_t kMaxToken = std::size_t{1} << 20;
constexpr std::size_t kPadding = 16; // after the '\0' that ends the bytes, so that 16 can be read at once anywhere

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

template <class F> constexpr std::array<bool, 256> byteTable(F f)
{
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = f(static_cast<unsigned char>(c));
    return table;
}

constexpr auto kNameStart =
    byteTable([](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; });
constexpr auto kNameChar = byteTable([](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
});
// Bytes that stand for themselves and end nothing.
constexpr auto kTextPlain =
    byteTable([](unsigned char c) { return (c >= 0x20 && c < 0x80 && c != '<' && c != '&' && c != ']') || c == '\t'; });
constexpr auto kValuePlain =
    byteTable([](unsigned char c) { return c >= 0x20 && c < 0x80 && c != '<' && c != '&' && c != '"' && c != '\''; });

inline unsigned char byteAt(const char* p)
{
    return static_cast<unsigned char>(*p);
}

// The first byte from `p` on that is not plain in an attribute's value, or in text: 16 at a step where the
// processor can. The '\0' after the bytes read stops both.
#if defined(__SSE2__)
template <char Special> inline char* skipPlain(char* p, const std::array<bool, 256>&)
{
    // Below ' ' as signed bytes: control characters, and all of UTF-8 but ASCII.
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i special = _mm_set1_epi8(Special);
    for (;; p += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(x, space), _mm_cmpeq_epi8(x, lt)),
                                         _mm_or_si128(_mm_cmpeq_epi8(x, amp), _mm_cmpeq_epi8(x, special)));
        if (const int mask = _mm_movemask_epi8(hit))
            return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
}
#else
template <char Special> inline char* skipPlain(char* p, const std::array<bool, 256>& plain)
{
    while (plain[byteAt(p)])
        ++p;
    return p;
}
#endif

// Whether the `length` bytes at `p`, led by a byte of a sequence that long, are a character expat takes: UTF-8
// without surrogates, overlong forms or U+FFFE and U+FFFF.
inline bool isCharacter(const unsigned char* p, std::size_t length)
{
    const auto trail = [&](std::size_t i) { return (p[i] & 0xC0) == 0x80; };
    if (length == 2)
        return trail(1);
    if (length == 3)
        return trail(1) && trail(2) && (p[0] != 0xE0 || p[1] >= 0xA0) && (p[0] != 0xED || p[1] < 0xA0) &&
               (p[0] != 0xEF || p[1] != 0xBF || p[2] < 0xBE);
    return trail(1) && trail(2) && trail(3) && (p[0] != 0xF0 || p[1] >= 0x90) && (p[0] != 0xF4 || p[1] < 0x90);
}

inline bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

[[noreturn]] void unsure()
{
    throw XmlUnsure{};
}

bool startsWith(const char* p, const char* end, std::string_view s)
{
    return static_cast<std::size_t>(end - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
}

// Whatever lies between "<?xml" and "?>": a version 1.0, UTF-8 if an encoding is named, a standalone yes or no.
bool isPlainDeclaration(std::string_view s)
{
    static constexpr std::string_view kNames[] = {"version", "encoding", "standalone"};
    std::size_t i = 0;
    const auto skipSpace = [&] {
        const std::size_t from = i;
        while (i < s.size() && isSpace(s[i]))
            ++i;
        return i > from;
    };
    std::size_t next = 0; // of kNames
    while (skipSpace() && i < s.size()) {
        const std::size_t nameEnd = s.find_first_of(" \t\r\n=", i);
        if (nameEnd == std::string_view::npos)
            return false;
        const std::string_view name = s.substr(i, nameEnd - i);
        if (next == 0 && name != "version")
            return false;
        while (next < std::size(kNames) && kNames[next] != name)
            ++next; // in this order, each once
        if (next == std::size(kNames))
            return false;
        i = nameEnd;
        skipSpace();
        if (i >= s.size() || s[i] != '=')
            return false;
        ++i;
        skipSpace();
        if (i >= s.size() || (s[i] != '"' && s[i] != '\''))
            return false;
        const std::size_t close = s.find(s[i], i + 1);
        if (close == std::string_view::npos)
            return false;
        const std::string_view value = s.substr(i + 1, close - i - 1);
        std::string lower(value); // an encoding's name, in any letter case
        for (char& c : lower)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        const bool ok = next == 0 ? value == "1.0" : next == 1 ? lower == "utf-8" : value == "yes" || value == "no";
        if (!ok)
            return false;
        ++next;
        i = close + 1;
    }
    return next > 0 && i == s.size();
}

int digitValue(char c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Writes the character the reference at `p` (at '&') stands for at `into`, which has room for 4 bytes, and its
// length at `length`; returns the byte after the ';', or nullptr when `limit` comes before the reference ends.
const char* reference(const char* p, const char* limit, char* into, std::size_t& length)
{
    const char* q = p + 1;
    if (q < limit && *q == '#') {
        ++q;
        int base = 10;
        if (q < limit && *q == 'x') {
            base = 16;
            ++q;
        }
        const char* digits = q;
        char32_t code = 0;
        for (;; ++q) {
            if (q == limit)
                return nullptr;
            const int digit = digitValue(*q, base);
            if (digit < 0)
                break;
            code = code * static_cast<char32_t>(base) + static_cast<char32_t>(digit);
            if (code > 0x10FFFF)
                unsure();
        }
        // Characters XML does not allow: expat refuses a reference to one.
        if (q == digits || *q != ';' || (code < 0x20 && code != '\t' && code != '\n' && code != '\r') ||
            (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF)
            unsure();
        std::string utf8; // short enough to take no allocation
        text::appendUtf8(utf8, code);
        std::memcpy(into, utf8.data(), utf8.size());
        length = utf8.size();
        return q + 1;
    }
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    for (const auto& [entity, c] : kEntities) {
        const std::size_t have = std::min<std::size_t>(static_cast<std::size_t>(limit - q), entity.size());
        if (std::string_view(q, have) != entity.substr(0, have))
            continue;
        if (have < entity.size())
            return nullptr;
        into[0] = c;
        length = 1;
        return q + entity.size();
    }
    unsure(); // another entity, which only a document type could declare
}

// Replaces the references of an attribute's value in place, and tabs and line feeds by spaces; returns its new end.
char* normalised(char* value, char* end)
{
    char* out = value;
    for (const char* in = value; in < end;) {
        if (*in == '&') {
            std::size_t length = 0;
            in = reference(in, end, out, length);
            if (!in)
                unsure();
            out += length;
        } else {
            *out++ = *in == '\t' || *in == '\n' ? ' ' : *in;
            ++in;
        }
    }
    return out;
}

// Names are short: most of one byte.
inline bool sameBytes(const char* a, const char* b, std::size_t length)
{
    return length == 1 ? *a == *b : std::memcmp(a, b, length) == 0;
}

} // namespace

bool XmlScanner::sameName(const Attribute& a, const Attribute& b)
{
    return a.nameEnd - a.name == b.nameEnd - b.name &&
           sameBytes(a.name, b.name, static_cast<std::size_t>(a.nameEnd - a.name));
}

char* XmlScanner::buffer(std::size_t size)
{
    const std::size_t needed = m_size + size + 1 + kPadding;
    if (needed > m_capacity) {
        // A little more than asked, so that a token left over a little longer than the last costs no copy.
        const std::size_t capacity = needed + needed / 4;
        std::unique_ptr<char[]> grown(new char[capacity]);
        if (m_size > 0)
            std::memcpy(grown.get(), m_buffer.get(), m_size);
        m_buffer = std::move(grown);
        m_capacity = capacity;
    }
    return m_buffer.get() + m_size;
}

bool XmlScanner::parse(std::size_t size, bool last)
{
    char* p = buffer(0);
    m_end = p + size;
    *m_end = '\0';
    m_last = last;
    p = m_buffer.get();
    char* const begin = p;
    if (m_stage == Stage::Start) {
        char* const after = prolog(p);
        if (!after) {
            if (last || m_end - begin > static_cast<std::ptrdiff_t>(kMaxToken))
                unsure();
            m_size = static_cast<std::size_t>(m_end - begin);
            return false;
        }
        p = after;
        m_stage = Stage::Prolog;
    }
    for (;;) {
        if (p == m_end)
            break;
        char* const next = *p == '<' ? markup(p) : m_stage == Stage::Content ? text(p) : space(p);
        if (next == p)
            break;
        p = next;
    }
    if (last && (p != m_end || m_stage != Stage::Epilog))
        unsure(); // a document unfinished, or with no root element
    const bool read = p != begin;
    m_size = static_cast<std::size_t>(m_end - p);
    if (m_size > kMaxToken)
        unsure();
    std::memmove(begin, p, m_size);
    return read;
}

// The byte order mark and the XML declaration, if any: nullptr until there are enough bytes to tell.
char* XmlScanner::prolog(char* p)
{
    if (m_end - p < 9 && !m_last)
        return nullptr;
    if (startsWith(p, m_end, "\xEF\xBB\xBF"))
        p += 3;
    if (!startsWith(p, m_end, "<?xml") || m_end - p < 6 || !isSpace(p[5])) {
        if (startsWith(p, m_end, "<?"))
            unsure();
        return p;
    }
    const std::string_view rest(p, static_cast<std::size_t>(m_end - p));
    const std::size_t close = rest.find("?>");
    if (close == std::string_view::npos)
        return nullptr;
    if (!isPlainDeclaration(rest.substr(5, close - 5)))
        unsure();
    m_events.other();
    return p + close + 2;
}

char* XmlScanner::markup(char* p)
{
    const char c = p[1];
    if (c == '\0' && p + 1 == m_end)
        return p;
    if (c == '/')
        return endTag(p);
    // Comments, CDATA, document types and processing instructions are expat's.
    if (c == '!' || c == '?' || m_stage == Stage::Epilog)
        unsure();
    return startTag(p);
}

// The name at `p`, at most one prefix in it, in ASCII; empty when the buffer ends first.
std::string_view XmlScanner::name(char* p, char*& colon) const
{
    char* q = p;
    colon = nullptr;
    for (;;) {
        if (!kNameStart[byteAt(q)]) {
            if (q == m_end)
                return {};
            unsure();
        }
        ++q;
        while (kNameChar[byteAt(q)])
            ++q;
        if (*q != ':' || colon)
            break;
        colon = q++;
    }
    if (q == m_end)
        return {};
    if (*q == ':' || byteAt(q) >= 0x80 || static_cast<std::size_t>(q - p) > kMaxName)
        unsure();
    return {p, static_cast<std::size_t>(q - p)};
}

// Past the UTF-8 character at `p`, or `p` when the buffer ends inside it.
char* XmlScanner::character(char* p) const
{
    const unsigned char lead = byteAt(p);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0)
        unsure();
    if (static_cast<std::size_t>(m_end - p) < length)
        return p;
    if (!isCharacter(reinterpret_cast<const unsigned char*>(p), length))
        unsure();
    return p + length;
}

char* XmlScanner::startTag(char* p)
{
    char* elementColon = nullptr;
    const std::string_view qualified = name(p + 1, elementColon);
    if (qualified.empty())
        return p;
    char* q = p + 1 + qualified.size();
    m_count = 0;
    bool empty = false;
    bool qualifiedAttributes = false; // with a prefix, or declaring the default namespace
    // First the whole tag, to know it ends in this buffer; nothing in it is changed until it does.
    for (;;) {
        char* const before = q;
        while (isSpace(*q))
            ++q;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/' && q[1] == '>') {
            q += 2;
            empty = true;
            break;
        }
        if (q == m_end || (*q == '/' && q + 1 == m_end))
            return p;
        if (q == before || m_count == kMaxAttributes)
            unsure();
        Attribute& a = m_attributes[m_count++]; // in place: a copy made at the end is slow to read back
        a.name = q;
        a.rewrite = false;
        const std::string_view attributeName = name(q, a.colon);
        if (attributeName.empty())
            return p;
        q = a.nameEnd = q + attributeName.size();
        qualifiedAttributes |= a.colon || attributeName == "xmlns";
        while (isSpace(*q))
            ++q;
        if (*q != '=') {
            if (q == m_end)
                return p;
            unsure();
        }
        ++q;
        while (isSpace(*q))
            ++q;
        const char quote = *q;
        if (quote != '"' && quote != '\'') {
            if (q == m_end)
                return p;
            unsure();
        }
        a.value = ++q;
        for (;;) {
            q = quote == '"' ? skipPlain<'"'>(q, kValuePlain) : skipPlain<'\''>(q, kValuePlain);
            const unsigned char c = byteAt(q);
            if (kValuePlain[c]) {
                ++q;
            } else if (c == static_cast<unsigned char>(quote)) {
                break;
            } else if (c == '"' || c == '\'') {
                ++q;
            } else if (c == '&' || c == '\t' || c == '\n') {
                a.rewrite = true;
                ++q;
            } else if (c >= 0x80) {
                char* const next = character(q);
                if (next == q)
                    return p;
                q = next;
            } else if (c == '\0' && q == m_end) {
                return p;
            } else {
                unsure(); // '<', a control character, or a carriage return, which expat turns into a line feed
            }
        }
        a.valueEnd = q++;
    }

    // The values as expat gives them: references replaced, tabs and line feeds as spaces. None grows.
    for (std::size_t i = 0; i < m_count; ++i) {
        Attribute& a = m_attributes[i];
        for (std::size_t j = 0; j < i; ++j)
            if (sameName(m_attributes[j], a))
                unsure();
        if (a.rewrite)
            a.valueEnd = normalised(a.value, a.valueEnd);
    }

    const std::uint32_t declared = qualifiedAttributes ? declareAndReport() : 0;
    if (!qualifiedAttributes) {
        std::size_t n = 0;
        for (std::size_t i = 0; i < m_count; ++i) {
            Attribute& a = m_attributes[i];
            *a.nameEnd = '\0';
            *a.valueEnd = '\0';
            m_reported[n++] = a.name;
            m_reported[n++] = a.value;
        }
        m_reported[n] = nullptr;
    }

    XmlName element{m_default, qualified};
    if (elementColon) {
        const Binding* b = bound(std::string_view(p + 1, static_cast<std::size_t>(elementColon - p - 1)));
        if (!b)
            unsure();
        element = {b->ns, qualified.substr(static_cast<std::size_t>(elementColon - p))};
    }

    if (m_open.size() == kMaxDepth)
        unsure();
    m_stage = Stage::Content;
    if (empty) {
        m_events.start(element, m_reported.data());
        m_events.end(element);
        unbind(declared);
        if (m_open.empty())
            m_stage = Stage::Epilog;
        return q;
    }
    Open& open = m_open.emplace_back(); // in place, as the attributes are
    open.name = static_cast<std::uint32_t>(m_names.size());
    open.length = static_cast<std::uint32_t>(qualified.size());
    open.local = static_cast<std::uint32_t>(qualified.size() - element.local.size());
    open.bindings = declared;
    open.ns = element.ns;
    m_names += qualified;
    m_events.start(element, m_reported.data());
    return q;
}

char* XmlScanner::endTag(char* p)
{
    char* colon = nullptr; // the name is compared whole
    const std::string_view qualified = name(p + 2, colon);
    char* q = p + 2 + qualified.size();
    while (!qualified.empty() && isSpace(*q))
        ++q;
    if (qualified.empty() || *q != '>') {
        if (qualified.empty() || q == m_end)
            return p; // the buffer ends first
        unsure();
    }
    if (m_open.empty())
        unsure();
    const Open open = m_open.back();
    const std::string_view expected(m_names.data() + open.name, open.length);
    if (qualified.size() != expected.size() || !sameBytes(qualified.data(), expected.data(), qualified.size()))
        unsure();
    m_events.end({open.ns, expected.substr(open.local)});
    m_open.pop_back();
    m_names.resize(open.name);
    unbind(open.bindings);
    if (m_open.empty())
        m_stage = Stage::Epilog;
    return q + 1;
}

// Character data, told in pieces parted where expat parts them: at each line feed and each reference.
char* XmlScanner::text(char* p)
{
    char* run = p;
    const auto flush = [&] {
        if (p > run)
            m_events.text(std::string_view(run, static_cast<std::size_t>(p - run)));
    };
    for (;;) {
        p = skipPlain<']'>(p, kTextPlain);
        const unsigned char c = byteAt(p);
        if (kTextPlain[c]) {
            ++p;
            continue;
        }
        if (c == ']') {
            if (p[1] == ']' && p[2] == '>')
                unsure(); // not allowed in character data
            if (!m_last && (p + 1 == m_end || (p[1] == ']' && p + 2 == m_end)))
                break;
            ++p;
            continue;
        }
        if (c >= 0x80) {
            char* const next = character(p);
            if (next == p)
                break;
            p = next;
            continue;
        }
        if (c == '<' || (c == '\0' && p == m_end))
            break;
        if (c == '\n') {
            flush();
            m_events.text(std::string_view(p, 1));
            run = ++p;
            continue;
        }
        if (c == '&') {
            flush();
            char decoded[4];
            std::size_t length = 0;
            const char* const next = reference(p, m_end, decoded, length);
            if (!next)
                return p;
            m_events.text(std::string_view(decoded, length));
            run = p = const_cast<char*>(next);
            continue;
        }
        unsure(); // a control character, or a carriage return, which expat turns into a line feed
    }
    flush();
    return p;
}

// White space before or after the root element, which expat tells as one report.
char* XmlScanner::space(char* p)
{
    char* q = p;
    while (isSpace(*q))
        ++q;
    if (q == p)
        unsure(); // text outside the root element
    m_events.other();
    return q;
}

// The attributes of a tag where some have prefixes or declare namespaces: the namespaces declared, the others told
// with names in a namespace as expat gives them, "URI\1local". Returns how many namespaces it declared.
std::uint32_t XmlScanner::declareAndReport()
{
    const std::size_t before = m_bindings.size();
    for (std::size_t i = 0; i < m_count; ++i) {
        Attribute& a = m_attributes[i];
        const std::string_view name(a.name, static_cast<std::size_t>(a.nameEnd - a.name));
        a.declaration = name == "xmlns" || name.starts_with("xmlns:");
        if (a.declaration)
            declare(a);
    }
    // All names made before any is pointed to.
    m_expanded.clear();
    for (std::size_t i = 0; i < m_count; ++i) {
        const Attribute& a = m_attributes[i];
        if (a.declaration || !a.colon)
            continue;
        const std::string_view prefix(a.name, static_cast<std::size_t>(a.colon - a.name));
        const Binding* b = prefix == "xml" ? nullptr : bound(prefix);
        if (!b && prefix != "xml")
            unsure();
        m_expanded += b ? std::string_view(b->uri) : kXmlNamespace;
        m_expanded += kNamespaceSeparator;
        m_expanded.append(a.colon + 1, a.nameEnd);
        m_expanded += '\0';
    }
    std::size_t n = 0;
    std::size_t expanded = 0;
    for (std::size_t i = 0; i < m_count; ++i) {
        const Attribute& a = m_attributes[i];
        if (a.declaration)
            continue;
        if (a.colon) {
            const char* const full = m_expanded.data() + expanded;
            // Two prefixes of one namespace make the same name twice.
            for (std::size_t at = 0; at < expanded; at += std::strlen(m_expanded.data() + at) + 1)
                if (std::strcmp(m_expanded.data() + at, full) == 0)
                    unsure();
            m_reported[n++] = full;
            expanded += std::strlen(full) + 1;
        } else {
            *a.nameEnd = '\0';
            m_reported[n++] = a.name;
        }
        *a.valueEnd = '\0';
        m_reported[n++] = a.value;
    }
    m_reported[n] = nullptr;
    return static_cast<std::uint32_t>(m_bindings.size() - before);
}

const XmlScanner::Binding* XmlScanner::bound(std::string_view prefix) const
{
    for (auto b = m_bindings.rbegin(); b != m_bindings.rend(); ++b)
        if (b->prefix == prefix)
            return &*b;
    return nullptr;
}

// A namespace declared as expat allows: the prefixes and namespaces of XML itself are left to expat to judge.
void XmlScanner::declare(const Attribute& a)
{
    const std::string_view prefix =
        a.colon ? std::string_view(a.colon + 1, static_cast<std::size_t>(a.nameEnd - a.colon - 1)) : std::string_view();
    const std::string_view uri(a.value, static_cast<std::size_t>(a.valueEnd - a.value));
    if (prefix.starts_with("xml") || uri == kXmlNamespace || uri == kXmlnsNamespace || (a.colon && uri.empty()) ||
        uri.size() > kMaxName || m_bindings.size() == kMaxBindings)
        unsure();
    m_bindings.push_back({std::string(prefix), std::string(uri), uri.empty() ? Ns::None : namespaceOf(uri)});
    if (prefix.empty())
        m_default = m_bindings.back().ns;
}

void XmlScanner::unbind(std::uint32_t count)
{
    if (count == 0)
        return;
    m_bindings.resize(m_bindings.size() - count);
    const Binding* b = bound({});
    m_default = b ? b->ns : Ns::None;
}

} // namespace sheet::xlsx
