#pragma once

#include "sheet/files/FileError.h"
#include "sheet/files/Xlsx.h"
#include "sheet/files/XmlFeed.h"

#include <expat.h>
#include <zip.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The archive of an XLSX file and the XML streams of its parts, read within the bounds readXlsx promises.
namespace sheet::xlsx {

// What one file may cost: the machine's memory bounds what its parts inflate to and what the workbook takes; the
// file's size bounds the work of reading it and, again, what the workbook takes.
struct Limits {
    std::uint64_t inflated = 0; // the memory available
    std::uint64_t work = 0;
    std::uint64_t memory = 0;
    bool memoryByMachine = false;
};

Limits limitsFor(std::size_t fileSize, const XlsxReadOptions& options);

// Memory the workbook read so far takes, as estimated from its cells and texts, against the limit.
class MemoryBudget {
public:
    MemoryBudget(const std::string& name, const Limits& limits) : m_name(name), m_limits(limits) {}

    /// Throws FileError when `more` beyond what is settled passes the limit.
    void check(std::uint64_t more) const;
    void settle(std::uint64_t bytes) { m_settled += bytes; }

private:
    const std::string& m_name;
    const Limits& m_limits;
    std::uint64_t m_settled = 0;
};

// Expat reports a namespaced name as "URI\1local"; \1 can appear in no XML document, so in no URI.
constexpr XML_Char kNamespaceSeparator = '\x01';

enum class Ns : std::uint8_t { None, Main, Relationships, Package, ContentTypes, Other };

struct XmlName {
    Ns ns = Ns::None;
    std::string_view local;
};

/// The namespace of a namespace name (a URI): one of ours, or Other.
Ns namespaceOf(std::string_view uri);
/// The namespace and local name of a name as expat reports it.
XmlName nameOf(const XML_Char* raw);

// An element of the part's own vocabulary: in its namespace, or in none, as some producers write them.
inline bool is(const XmlName& name, Ns ns, std::string_view local)
{
    return (name.ns == ns || name.ns == Ns::None) && name.local == local;
}

inline bool isMain(const XmlName& name, std::string_view local)
{
    return is(name, Ns::Main, local);
}

const char* attribute(const char** attributes, Ns ns, std::string_view local);
/// An attribute without a namespace, as the attributes of the parts' own elements are: its name is `local` exactly.
const char* attribute(const char** attributes, std::string_view local);
/// The number an attribute's digits make, 0 for none.
int numberOrZero(const char* s);

/// A part name as the archive's entries are looked up: '/' between folders, none in front.
std::string normalPartName(std::string_view name);

// Base of the handlers: an exception raised inside a callback stops the parser and is rethrown afterwards, since
// expat is C and must not be unwound through.
struct HandlerBase {
    std::exception_ptr failure;
    XML_Parser parser = nullptr;
    std::uint64_t events = 0; // every report of the parser, so that the feed can tell it is stuck in a token
    int skipped = 0;          // depth inside an extension list, whose contents belong to later versions
    const std::string* fileName = nullptr;
    std::string part;

    void stop(std::exception_ptr e)
    {
        if (!failure)
            failure = std::move(e);
        XML_StopParser(parser, XML_FALSE);
    }
    // What a part that only needs its start tags does with the rest.
    void end(const XmlName&) {}
    void text(std::string_view) {}
};

// What a handler is told of an element or a text, by either parser: nothing inside an extension list.
template <class Handler> void reportStart(Handler& h, const XmlName& name, const char** attributes)
{
    if (h.skipped > 0 || isMain(name, "extLst"))
        ++h.skipped;
    else
        h.start(name, attributes);
}

template <class Handler, class NameOf> void reportEnd(Handler& h, const NameOf& nameOfEnded)
{
    // A handler that keeps its open elements needs no name to tell which one ends.
    if (h.skipped > 0)
        --h.skipped;
    else if constexpr (requires { h.endOfLast(); })
        h.endOfLast();
    else
        h.end(nameOfEnded());
}

template <class Handler> void reportText(Handler& h, std::string_view s)
{
    if (h.skipped == 0)
        h.text(s);
}

template <class Handler> struct Callbacks {
    // Counts the report and runs `f` on the handler unless it failed before: what it throws stops the parser.
    template <class F> static void guarded(void* data, F&& f)
    {
        Handler& h = *static_cast<Handler*>(data);
        ++h.events;
        if (h.failure)
            return;
        try {
            f(h);
        } catch (...) {
            h.stop(std::current_exception());
        }
    }

    static void start(void* data, const XML_Char* raw, const XML_Char** attributes)
    {
        guarded(data, [&](Handler& h) { reportStart(h, nameOf(raw), attributes); });
    }

    static void end(void* data, const XML_Char* raw)
    {
        guarded(data, [&](Handler& h) { reportEnd(h, [&] { return nameOf(raw); }); });
    }

    static void text(void* data, const XML_Char* s, int length)
    {
        guarded(data, [&](Handler& h) { reportText(h, std::string_view(s, static_cast<std::size_t>(length))); });
    }

    static void comment(void* data, const XML_Char*) { ++static_cast<Handler*>(data)->events; }
    static void instruction(void* data, const XML_Char*, const XML_Char*) { ++static_cast<Handler*>(data)->events; }
    static void other(void* data, const XML_Char*, int) { ++static_cast<Handler*>(data)->events; }

    // Parts of a workbook never declare a document type, which is where entities that multiply a text are declared.
    static void doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        guarded(data, [](Handler& h) {
            throw fileError(*h.fileName,
                            "部件 " + h.part + " 含有文档类型声明(DOCTYPE),工作簿的部件不会有,已拒绝打开。");
        });
    }
};

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ParserFree {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

/// The zip archive of a workbook, its parts found by the names relationships give them and streamed through expat.
class Archive {
public:
    /// Opens the archive in `bytes`, which must outlive it. Throws FileError naming `name` when it is none.
    Archive(std::string_view bytes, const std::string& name, const Limits& limits,
            const std::function<bool(double)>& progress);

    const std::string& fileName() const { return m_name; }
    const std::vector<std::string>& names() const { return m_names; }

    /// The entry holding `part`, a part name as a relationship gives it.
    std::optional<zip_uint64_t> find(std::string_view part) const;
    bool has(std::string_view part) const { return find(part).has_value(); }
    /// The entry's own name of `part`, as names() holds it.
    std::string entryName(std::string_view part) const;
    /// What the archive says `part` inflates to: a claim, which reading checks.
    std::uint64_t declaredSize(std::string_view part) const;
    /// Refuses at once a workbook whose parts say they inflate beyond the limits.
    void expect(std::uint64_t declared);
    /// Counts `events` reports of the parser against the limit of work.
    void spend(std::uint64_t events);
    /// Streams `part` through `parser`, counting every byte inflated against the limit whatever the archive
    /// claims, and reporting progress.
    void parse(const std::string& part, XML_Parser parser, HandlerBase& handler);
    /// Streams `part` into `sink` as parse() does; returns false, having stopped, at a token longer than the bound.
    bool feed(const std::string& part, XmlSink& sink);
    /// What reading has cost so far, to count a part read again from its start as read once.
    struct Spent {
        std::uint64_t inflated = 0;
        std::uint64_t events = 0;
    };
    Spent spent() const { return {m_inflated, m_events}; }
    void rewind(const Spent& spent)
    {
        m_inflated = spent.inflated;
        m_events = spent.events;
    }
    /// Tells the progress callback how far reading has come; throws FileCancelled when it says stop.
    void report() const;
    void reportDone() const;

private:
    std::uint64_t work() const;

    std::string m_name;
    Limits m_limits;
    std::function<bool(double)> m_progress;
    std::unique_ptr<zip_t, ZipCloser> m_zip;
    std::vector<std::string> m_names;
    std::unordered_map<std::string, zip_uint64_t> m_byName;
    std::unordered_map<std::string, zip_uint64_t> m_byFoldedName;
    std::uint64_t m_inflated = 0;
    std::uint64_t m_events = 0;
    std::uint64_t m_progressTotal = 0;
    std::uint64_t m_nextReport = 0;
};

// Runs one part through expat, namespaces resolved, into a handler that has start(name, attributes), end(name) and
// text(chars).
template <class Handler> void parsePart(Archive& archive, const std::string& part, Handler& handler)
{
    std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree> parser(
        XML_ParserCreateNS(nullptr, kNamespaceSeparator));
    if (!parser)
        throw fileError(archive.fileName(), "内存不足,无法读取部件 " + part + "。");
    handler.parser = parser.get();
    handler.fileName = &archive.fileName();
    handler.part = part;
    using C = Callbacks<Handler>;
    XML_SetUserData(parser.get(), &handler);
    XML_SetElementHandler(parser.get(), &C::start, &C::end);
    XML_SetCharacterDataHandler(parser.get(), &C::text);
    XML_SetCommentHandler(parser.get(), &C::comment);
    XML_SetProcessingInstructionHandler(parser.get(), &C::instruction);
    XML_SetStartDoctypeDeclHandler(parser.get(), &C::doctype);
    XML_SetDefaultHandlerExpand(parser.get(), &C::other);
    archive.parse(part, parser.get(), handler);
}

} // namespace sheet::xlsx
