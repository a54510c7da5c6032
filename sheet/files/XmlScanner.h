#pragma once

#include "sheet/files/XlsxArchive.h"
#include "sheet/files/XmlFeed.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A strict streaming reader for the XML of worksheets, which are most of what a large workbook inflates to and which
// expat reads several times slower than this. It reads what spreadsheet programs write there (elements, attributes,
// text, the predefined entities, character references, namespace prefixes) exactly as expat reports it, and leaves
// everything else to expat: comments, CDATA, processing instructions, a document type, other encodings, malformed
// XML.
namespace sheet::xlsx {

/// Thrown by XmlScanner at whatever it does not read for certain, malformed XML included: the part is then read
/// again by expat, which reads it or says what is wrong.
struct XmlUnsure {};

/// What XmlScanner reads, as expat reports it with namespaces resolved: attributes as name and value pairs ended by
/// nullptr, the name of one in a namespace as "URI\1local"; a text in one or more pieces, parted at least at each
/// line feed and reference as expat parts it.
class XmlEvents {
public:
    virtual ~XmlEvents() = default;
    virtual void start(const XmlName& name, const char** attributes) = 0;
    virtual void end(const XmlName& name) = 0;
    virtual void text(std::string_view s) = 0;
    /// The XML declaration, or white space outside the root element.
    virtual void other() = 0;
};

/// Reads one document as feedXml gives it, in chunks that may end anywhere, a token unfinished at the end of one
/// kept for the next: a tag longer than 1 MiB it leaves to expat. Memory is at most about that and a chunk. O(n).
class XmlScanner final : public XmlSink {
public:
    explicit XmlScanner(XmlEvents& events) : m_events(events) {}

    char* buffer(std::size_t size) override;
    /// Returns whether anything was read. Throws XmlUnsure, and whatever the events throw.
    bool parse(std::size_t size, bool last) override;

private:
    static constexpr std::size_t kMaxAttributes = 64; // beyond these, far beyond any worksheet's, expat reads it

    struct Attribute {
        char* name;
        char* nameEnd;
        char* colon; // in the name, or nullptr
        char* value;
        char* valueEnd;
        bool rewrite; // holds a reference or white space to normalise
        bool declaration;
    };
    struct Open {
        std::uint32_t name; // where its qualified name starts in m_names
        std::uint32_t length;
        std::uint32_t local; // where the local name starts within it
        std::uint32_t bindings;
        Ns ns;
    };
    struct Binding {
        std::string prefix; // empty for the default namespace
        std::string uri;
        Ns ns;
    };
    enum class Stage : std::uint8_t { Start, Prolog, Content, Epilog };

    char* prolog(char* p);
    char* markup(char* p);
    char* startTag(char* p);
    char* endTag(char* p);
    char* text(char* p);
    char* space(char* p);
    std::string_view name(char* p, char*& colon) const;
    char* character(char* p) const;
    const Binding* bound(std::string_view prefix) const;
    std::uint32_t declareAndReport();
    void declare(const Attribute& a);
    static bool sameName(const Attribute& a, const Attribute& b);
    void unbind(std::uint32_t count);

    XmlEvents& m_events;
    std::unique_ptr<char[]> m_buffer; // m_size bytes kept from before, then what parse() was given
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    char* m_end = nullptr; // of the bytes read in this parse(), where a '\0' is put: no document holds one
    bool m_last = false;
    Stage m_stage = Stage::Start;
    std::vector<Open> m_open;
    std::string m_names;
    std::vector<Binding> m_bindings;
    Ns m_default = Ns::None;
    std::array<Attribute, kMaxAttributes> m_attributes;
    std::size_t m_count = 0;
    std::array<const char*, 2 * kMaxAttributes + 1> m_reported;
    std::string m_expanded;
};

// A handler's part read by XmlScanner: the handler told what expat would tell it, its work counted as expat's is.
template <class Handler> class ScannedPart final : public XmlSink, private XmlEvents {
public:
    ScannedPart(Archive& archive, Handler& handler) : m_archive(archive), m_handler(handler), m_scanner(*this) {}

    char* buffer(std::size_t size) override { return m_scanner.buffer(size); }
    bool parse(std::size_t size, bool last) override
    {
        const std::uint64_t before = m_handler.events;
        const bool read = m_scanner.parse(size, last);
        m_archive.spend(m_handler.events - before);
        return read;
    }

private:
    void start(const XmlName& name, const char** attributes) override
    {
        ++m_handler.events;
        reportStart(m_handler, name, attributes);
    }
    void end(const XmlName& name) override
    {
        ++m_handler.events;
        reportEnd(m_handler, [&] { return name; });
    }
    void text(std::string_view s) override
    {
        ++m_handler.events;
        reportText(m_handler, s);
    }
    void other() override { ++m_handler.events; }

    Archive& m_archive;
    Handler& m_handler;
    XmlScanner m_scanner;
};

/// Reads `part` into `handler` as parsePart does. Throws XmlUnsure where the part is for expat to read, FileError
/// and whatever the handler throws.
template <class Handler> void scanPart(Archive& archive, const std::string& part, Handler& handler)
{
    handler.fileName = &archive.fileName();
    handler.part = part;
    ScannedPart<Handler> sink(archive, handler);
    if (!archive.feed(part, sink))
        throw XmlUnsure{};
}

} // namespace sheet::xlsx
