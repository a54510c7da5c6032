#include "cellvalues/ErrorValues.h"
#include "cellvalues/ValueText.h"
#include "sheet/engine/ColumnLetters.h"
#include "sheet/engine/SheetName.h"
#include "sheet/files/AvailableMemory.h"
#include "sheet/files/CellText.h"
#include "sheet/files/FileError.h"
#include "sheet/files/WholeFile.h"
#include "sheet/files/Xlsx.h"
#include "sheet/files/XmlFeed.h"
#include "text/Utf8.h"

#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace sheet {

namespace {

// ---- Limits ------------------------------------------------------------------------------------------------------

constexpr std::size_t kMaxToken = std::size_t{16} << 20;
// Work is counted in inflated bytes plus kEventWork for every element start, end, text or comment reported: on this
// sort of machine a unit takes 3 to 5 ns whatever the part holds (long texts, numbers, empty cells).
constexpr std::uint64_t kEventWork = 24;
constexpr std::uint64_t kWorkFloor = std::uint64_t{640} << 20; // about 3 s, for any file of up to 10 MB
constexpr std::uint64_t kWorkRatio = 64; // per byte of a larger file; 4 million cells of numbers and texts as this
                                         // program saves them take about 36 a byte
constexpr std::uint64_t kMemoryFloor = std::uint64_t{256} << 20;
constexpr std::uint64_t kMemoryRatio = 50;
constexpr std::uint64_t kAssumedMemory = std::uint64_t{4} << 30; // where the system does not say
constexpr std::uint64_t kCellBytes = 24;                         // a slot, a row's slack and its share of the indexes
constexpr std::uint64_t kProgressStep = std::uint64_t{4} << 20;
constexpr std::size_t kStringsFloor = 65'536;
constexpr std::size_t kBytesPerReference = 20; // <c t="s"><v>0</v></c>: no shorter cell refers to a shared string
constexpr std::size_t kMaxSheets = 65'536;
constexpr std::size_t kMaxRelationships = 131'072;
constexpr std::size_t kMaxCellFormats = 1 << 20;
constexpr std::size_t kMaxNumberFormats = 65'536;
constexpr std::size_t kFormulaKept = 16; // enough to tell the formulas of error values, which are all that is compared

std::string megabytes(std::uint64_t bytes)
{
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
}

// What one file may cost: the machine's memory bounds what its parts inflate to and what the workbook takes; the
// file's size bounds the work of reading it and, again, what the workbook takes.
struct Limits {
    std::uint64_t inflated = 0; // the memory available
    std::uint64_t work = 0;
    std::uint64_t memory = 0;
    bool memoryByMachine = false;
};

Limits limitsFor(std::size_t fileSize, const XlsxReadOptions& options)
{
    const std::uint64_t available =
        options.memoryAvailable != 0 ? options.memoryAvailable : availableMemory().value_or(kAssumedMemory);
    const std::uint64_t size = fileSize;
    Limits limits;
    limits.inflated = available;
    limits.work = options.workLimit != 0 ? options.workLimit : std::max(kWorkFloor, size * kWorkRatio);
    const std::uint64_t memory = std::max(kMemoryFloor, size * kMemoryRatio);
    limits.memoryByMachine = available / 4 * 3 < memory;
    limits.memory = std::min(available / 4 * 3, memory);
    return limits;
}

FileError tooMuchInflated(const std::string& name, const Limits& limits)
{
    return fileError(name, "解压后的内容超过本机可用内存(" + megabytes(limits.inflated) +
                               "),无法打开。请关闭其他程序后再试。");
}

FileError tooMuchWork(const std::string& name)
{
    return fileError(name, "解压后的内容远多于这样大小的工作簿所能有的(超过文件大小的 " + std::to_string(kWorkRatio) +
                               " 倍),不像是电子表格程序保存的工作簿(可能是恶意构造的压缩包),已拒绝打开。");
}

// Memory the workbook read so far takes, as estimated from its cells and texts, against the limit.
class MemoryBudget {
public:
    MemoryBudget(const std::string& name, const Limits& limits) : m_name(name), m_limits(limits) {}

    void check(std::uint64_t more) const
    {
        if (m_settled + more <= m_limits.memory)
            return;
        if (m_limits.memoryByMachine)
            throw fileError(m_name, "打开它需要的内存超过本机可用内存(" + megabytes(m_limits.memory) +
                                        "),无法打开。请关闭其他程序后再试。");
        throw fileError(m_name, "打开它需要超过 " + megabytes(m_limits.memory) + " 内存(文件大小的 " +
                                    std::to_string(kMemoryRatio) +
                                    " 倍),不像是电子表格程序保存的工作簿(可能是恶意构造的),已拒绝打开。");
    }
    void settle(std::uint64_t bytes) { m_settled += bytes; }

private:
    const std::string& m_name;
    const Limits& m_limits;
    std::uint64_t m_settled = 0;
};

// ---- XML names ---------------------------------------------------------------------------------------------------

// Expat reports a namespaced name as "URI\1local"; \1 can appear in no XML document, so in no URI.
constexpr XML_Char kNamespaceSeparator = '\x01';

enum class Ns : std::uint8_t { None, Main, Relationships, Package, ContentTypes, Other };

struct XmlName {
    Ns ns = Ns::None;
    std::string_view local;
};

Ns namespaceOf(std::string_view uri)
{
    // Transitional and strict forms alike.
    static constexpr std::pair<std::string_view, Ns> kKnown[] = {
        {"http://schemas.openxmlformats.org/spreadsheetml/2006/main", Ns::Main},
        {"http://purl.oclc.org/ooxml/spreadsheetml/main", Ns::Main},
        {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", Ns::Relationships},
        {"http://purl.oclc.org/ooxml/officeDocument/relationships", Ns::Relationships},
        {"http://schemas.openxmlformats.org/package/2006/relationships", Ns::Package},
        {"http://schemas.openxmlformats.org/package/2006/content-types", Ns::ContentTypes},
    };
    for (const auto& [known, ns] : kKnown)
        if (uri == known)
            return ns;
    return Ns::Other;
}

XmlName nameOf(const XML_Char* raw)
{
    // One pass over the long part, the URI, and none over it again unless its length is one of ours.
    const char* separator = std::strchr(raw, kNamespaceSeparator);
    if (!separator)
        return {Ns::None, std::string_view(raw)};
    return {namespaceOf(std::string_view(raw, static_cast<std::size_t>(separator - raw))),
            std::string_view(separator + 1)};
}

// An element of the part's own vocabulary: in its namespace, or in none, as some producers write them.
bool is(const XmlName& name, Ns ns, std::string_view local)
{
    return (name.ns == ns || name.ns == Ns::None) && name.local == local;
}

bool isMain(const XmlName& name, std::string_view local)
{
    return is(name, Ns::Main, local);
}

const char* attribute(const char** attributes, Ns ns, std::string_view local)
{
    for (int i = 0; attributes[i]; i += 2) {
        const XmlName name = nameOf(attributes[i]);
        if (name.ns == ns && name.local == local)
            return attributes[i + 1];
    }
    return nullptr;
}

// An attribute without a namespace, as the attributes of the parts' own elements are: its name is `local` exactly.
const char* attribute(const char** attributes, std::string_view local)
{
    for (int i = 0; attributes[i]; i += 2)
        if (std::strncmp(attributes[i], local.data(), local.size()) == 0 && attributes[i][local.size()] == '\0')
            return attributes[i + 1];
    return nullptr;
}

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string folded(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A part name as the archive's entries are looked up: '/' between folders, none in front.
std::string normalPartName(std::string_view name)
{
    std::string out(name);
    std::replace(out.begin(), out.end(), '\\', '/');
    out.erase(0, out.find_first_not_of('/'));
    return out;
}

// "%20" and the like, which relationships may use in part names.
std::string percentDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int value = 0;
        if (text[i] == '%' && i + 2 < text.size() &&
            std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr == text.data() + i + 3) {
            out += static_cast<char>(value);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// ---- Handlers ------------------------------------------------------------------------------------------------------

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
};

template <class Handler> struct Callbacks {
    static Handler& of(void* data) { return *static_cast<Handler*>(data); }

    static void start(void* data, const XML_Char* raw, const XML_Char** attributes)
    {
        Handler& h = of(data);
        ++h.events;
        if (h.failure)
            return;
        const XmlName name = nameOf(raw);
        if (h.skipped > 0 || isMain(name, "extLst")) {
            ++h.skipped;
            return;
        }
        try {
            h.start(name, attributes);
        } catch (...) {
            h.stop(std::current_exception());
        }
    }

    static void end(void* data, const XML_Char* raw)
    {
        Handler& h = of(data);
        ++h.events;
        if (h.failure)
            return;
        if (h.skipped > 0) {
            --h.skipped;
            return;
        }
        try {
            h.end(nameOf(raw));
        } catch (...) {
            h.stop(std::current_exception());
        }
    }

    static void text(void* data, const XML_Char* s, int length)
    {
        Handler& h = of(data);
        ++h.events;
        if (h.failure || h.skipped > 0)
            return;
        try {
            h.text(std::string_view(s, static_cast<std::size_t>(length)));
        } catch (...) {
            h.stop(std::current_exception());
        }
    }

    static void comment(void* data, const XML_Char*) { ++of(data).events; }
    static void instruction(void* data, const XML_Char*, const XML_Char*) { ++of(data).events; }
    static void other(void* data, const XML_Char*, int) { ++of(data).events; }

    // Parts of a workbook never declare a document type, which is where entities that multiply a text are declared.
    static void doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        Handler& h = of(data);
        ++h.events;
        h.stop(std::make_exception_ptr(
            fileError(*h.fileName, "部件 " + h.part + " 含有文档类型声明(DOCTYPE),工作簿的部件不会有,已拒绝打开。")));
    }
};

// ---- The archive -------------------------------------------------------------------------------------------------

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct FileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
struct ParserFree {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

class Archive;

// Hands expat's buffer to the feed, tells it whether expat reported anything and the archive how much.
class ExpatSink final : public XmlSink {
public:
    ExpatSink(XML_Parser parser, HandlerBase& handler, Archive& archive)
        : m_parser(parser), m_handler(handler), m_archive(archive)
    {}

    char* buffer(std::size_t size) override
    {
        void* buffer = XML_GetBuffer(m_parser, static_cast<int>(size));
        if (!buffer)
            throw fileError(*m_handler.fileName, "内存不足,无法读取部件 " + m_handler.part + "。");
        return static_cast<char*>(buffer);
    }

    bool parse(std::size_t size, bool last) override;

private:
    XML_Parser m_parser;
    HandlerBase& m_handler;
    Archive& m_archive;
};

class Archive {
public:
    Archive(std::string_view bytes, const std::string& name, const Limits& limits,
            const std::function<bool(double)>& progress)
        : m_name(name), m_limits(limits), m_progress(progress)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source)
            m_zip.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
        if (source && !m_zip)
            zip_source_free(source);
        zip_error_fini(&error);
        if (!m_zip)
            throw fileError(name, "不是有效的 XLSX 文件(不是 zip 压缩包,或压缩包已损坏)。");

        const zip_int64_t n = zip_get_num_entries(m_zip.get(), 0);
        for (zip_int64_t i = 0; i < n; ++i) {
            const char* entry = zip_get_name(m_zip.get(), static_cast<zip_uint64_t>(i), 0);
            m_names.push_back(entry ? normalPartName(entry) : std::string());
            // Some programs write "xl\worksheets\sheet1.xml"; part names are compared without letter case.
            m_byName.emplace(m_names.back(), static_cast<zip_uint64_t>(i));
            m_byFoldedName.emplace(folded(m_names.back()), static_cast<zip_uint64_t>(i));
        }
    }

    const std::string& fileName() const { return m_name; }
    const std::vector<std::string>& names() const { return m_names; }

    /// The entry holding `part`, a part name as a relationship gives it.
    std::optional<zip_uint64_t> find(std::string_view part) const
    {
        const std::string name = normalPartName(part);
        if (auto it = m_byName.find(name); it != m_byName.end())
            return it->second;
        if (auto it = m_byFoldedName.find(folded(name)); it != m_byFoldedName.end())
            return it->second;
        if (name.find('%') != std::string::npos)
            if (auto it = m_byFoldedName.find(folded(percentDecoded(name))); it != m_byFoldedName.end())
                return it->second;
        return std::nullopt;
    }
    bool has(std::string_view part) const { return find(part).has_value(); }
    /// The entry's own name of `part`, as names() holds it.
    std::string entryName(std::string_view part) const
    {
        const auto index = find(part);
        return index ? m_names[*index] : normalPartName(part);
    }

    /// What the archive says `part` inflates to: a claim, which reading checks.
    std::uint64_t declaredSize(std::string_view part) const
    {
        zip_stat_t stat;
        const auto index = find(part);
        if (!index || zip_stat_index(m_zip.get(), *index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
            return 0;
        return stat.size;
    }

    /// Refuses at once a workbook whose parts say they inflate beyond the limits.
    void expect(std::uint64_t declared)
    {
        if (m_inflated + declared > m_limits.inflated)
            throw tooMuchInflated(m_name, m_limits);
        if (work() + declared > m_limits.work)
            throw tooMuchWork(m_name);
        m_progressTotal = m_inflated + declared;
    }

    /// Counts `events` reports of the parser against the limit of work.
    void spend(std::uint64_t events)
    {
        m_events += events;
        if (work() > m_limits.work)
            throw tooMuchWork(m_name);
    }

    /// Streams `part` through `parser`, counting every byte inflated against the limit whatever the archive
    /// claims, and reporting progress.
    void parse(const std::string& part, XML_Parser parser, HandlerBase& handler)
    {
        const auto index = find(part);
        if (!index)
            throw fileError(m_name, "缺少部件 " + part + ",文件不完整。");
        std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(m_zip.get(), *index, 0));
        if (!file)
            throw fileError(m_name, "部件 " + part + " 无法解压(已加密,或压缩包已损坏)。");
        const auto read = [&](char* into, std::size_t size) -> std::size_t {
            // One byte beyond a limit is enough to know it is passed.
            const std::uint64_t room =
                std::min(m_limits.inflated - m_inflated, m_limits.work - std::min(m_limits.work, work())) + 1;
            const zip_int64_t n = zip_fread(file.get(), into, std::min<std::uint64_t>(size, room));
            if (n < 0)
                throw fileError(m_name, "部件 " + part + " 已损坏,无法解压。");
            m_inflated += static_cast<std::uint64_t>(n);
            if (m_inflated > m_limits.inflated)
                throw tooMuchInflated(m_name, m_limits);
            if (work() > m_limits.work)
                throw tooMuchWork(m_name);
            if (m_progress && m_inflated >= m_nextReport) {
                m_nextReport = m_inflated + kProgressStep;
                report();
            }
            return static_cast<std::size_t>(n);
        };
        ExpatSink sink(parser, handler, *this);
        if (!feedXml(read, sink, kMaxToken))
            throw fileError(m_name, "部件 " + part + " 含有超过 " + megabytes(kMaxToken) +
                                        " 的 XML 标记(注释或标签),不像是电子表格程序保存的工作簿,已拒绝打开。");
    }

    /// Tells the progress callback how far reading has come; throws FileCancelled when it says stop.
    void report() const
    {
        if (!m_progress)
            return;
        const double fraction =
            m_progressTotal == 0
                ? 0.0
                : std::min(1.0, static_cast<double>(m_inflated) / static_cast<double>(m_progressTotal));
        if (!m_progress(fraction))
            throw FileCancelled("读取“" + m_name + "”已取消。");
    }
    std::uint64_t work() const { return m_inflated + m_events * kEventWork; }

    void reportDone() const
    {
        if (m_progress && !m_progress(1.0))
            throw FileCancelled("读取“" + m_name + "”已取消。");
    }

private:
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
    std::uint64_t m_nextReport = kProgressStep;
};

bool ExpatSink::parse(std::size_t size, bool last)
{
    const std::uint64_t before = m_handler.events;
    const bool ok = XML_ParseBuffer(m_parser, static_cast<int>(size), last) != XML_STATUS_ERROR;
    if (m_handler.failure)
        std::rethrow_exception(m_handler.failure);
    if (!ok)
        throw fileError(*m_handler.fileName, "部件 " + m_handler.part + " 不是有效的 XML(第 " +
                                                 std::to_string(XML_GetCurrentLineNumber(m_parser)) +
                                                 " 行: " + XML_ErrorString(XML_GetErrorCode(m_parser)) + ")。");
    m_archive.spend(m_handler.events - before);
    return m_handler.events != before;
}

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

// ---- Parts -------------------------------------------------------------------------------------------------------

struct Relationship {
    std::string type;
    std::string target; // a part name within the archive
};

// The part a relationship of `from` (e.g. "xl/workbook.xml", or "" for the package) points to.
std::string resolve(const std::string& from, std::string target)
{
    std::replace(target.begin(), target.end(), '\\', '/');
    if (!target.empty() && target.front() == '/')
        return target.substr(1);
    std::string base = from.substr(0, from.find_last_of('/') + 1);
    for (;;) {
        if (target.rfind("./", 0) == 0) {
            target.erase(0, 2);
        } else if (target.rfind("../", 0) == 0) {
            target.erase(0, 3);
            if (!base.empty())
                base.erase(base.find_last_of('/', base.size() - 2) + 1);
        } else {
            break;
        }
    }
    return base + target;
}

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"
std::string relationshipsOf(const std::string& part)
{
    const std::size_t slash = part.find_last_of('/') + 1;
    return part.substr(0, slash) + "_rels/" + part.substr(slash) + ".rels";
}

struct RelsHandler : HandlerBase {
    std::string from;
    std::map<std::string, Relationship> byId;
    void start(const XmlName& name, const char** a)
    {
        if (!is(name, Ns::Package, "Relationship"))
            return;
        const char* id = attribute(a, "Id");
        const char* type = attribute(a, "Type");
        const char* target = attribute(a, "Target");
        const char* mode = attribute(a, "TargetMode");
        if (!id || !type || !target || (mode && std::string_view(mode) == "External"))
            return;
        if (byId.size() >= kMaxRelationships)
            throw fileError(*fileName, "部件 " + part + " 含有超过 " + std::to_string(kMaxRelationships) +
                                           " 个关系,不像是电子表格程序保存的工作簿,已拒绝打开。");
        byId[id] = {type, resolve(from, target)};
    }
    void end(const XmlName&) {}
    void text(std::string_view) {}

    const Relationship* ofType(std::string_view suffix) const
    {
        for (const auto& [id, r] : byId)
            if (endsWith(r.type, suffix))
                return &r;
        return nullptr;
    }
};

// The content type [Content_Types].xml gives one part.
struct ContentTypesHandler : HandlerBase {
    std::string wanted; // folded part name, without the leading '/'
    std::string extension;
    std::string overridden;
    std::string byExtension;
    void start(const XmlName& name, const char** a)
    {
        const char* type = attribute(a, "ContentType");
        if (!type)
            return;
        if (is(name, Ns::ContentTypes, "Override")) {
            if (const char* partName = attribute(a, "PartName"); partName && folded(normalPartName(partName)) == wanted)
                overridden = type;
        } else if (is(name, Ns::ContentTypes, "Default")) {
            if (const char* e = attribute(a, "Extension"); e && folded(e) == extension)
                byExtension = type;
        }
    }
    void end(const XmlName&) {}
    void text(std::string_view) {}
    const std::string& type() const { return overridden.empty() ? byExtension : overridden; }
};

struct WorkbookHandler : HandlerBase {
    struct Entry {
        std::string name;
        std::string relationship;
    };
    std::vector<Entry> sheets;
    bool date1904 = false;
    bool definedNames = false;
    void start(const XmlName& name, const char** a)
    {
        if (isMain(name, "sheet")) {
            if (sheets.size() >= kMaxSheets)
                throw fileError(*fileName, "工作簿含有超过 " + std::to_string(kMaxSheets) +
                                               " 个工作表,不像是电子表格程序保存的工作簿,已拒绝打开。");
            const char* n = attribute(a, "name");
            const char* id = attribute(a, Ns::Relationships, "id");
            sheets.push_back({n ? n : "", id ? id : ""});
        } else if (isMain(name, "workbookPr")) {
            const char* d = attribute(a, "date1904");
            date1904 = d && (std::string_view(d) == "1" || std::string_view(d) == "true");
        } else if (isMain(name, "definedName")) {
            definedNames = true;
        }
    }
    void end(const XmlName&) {}
    void text(std::string_view) {}
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Spreadsheet files write characters XML cannot carry (control characters, U+FFFE) as _xHHHH_, and a literal
// "_x" that looks like one as _x005F_x. Decodes them in place; surrogate pairs written this way are joined.
void unescapeText(std::string& text)
{
    if (text.find("_x") == std::string::npos)
        return;
    const auto codeAt = [&](std::size_t at) -> int {
        if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_')
            return -1;
        int code = 0;
        for (std::size_t i = at + 2; i < at + 6; ++i) {
            const int digit = hexValue(text[i]);
            if (digit < 0)
                return -1;
            code = code * 16 + digit;
        }
        return code;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const int code = codeAt(at);
        if (code < 0) {
            out += text[at++];
            continue;
        }
        at += 7;
        char32_t c = static_cast<char32_t>(code);
        if (c >= 0xD800 && c <= 0xDBFF) {
            const int low = codeAt(at);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
                at += 7;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        text::appendUtf8(out, c);
    }
    text = std::move(out);
}

// Appends `s` to `text` up to `limit` bytes, cutting at a whole UTF-8 character; returns false when it cut.
bool appendBounded(std::string& text, std::string_view s, std::size_t limit)
{
    if (text.size() + s.size() <= limit) {
        text += s;
        return true;
    }
    std::size_t take = limit > text.size() ? limit - text.size() : 0;
    while (take > 0 && (static_cast<unsigned char>(s[take]) & 0xC0) == 0x80)
        --take;
    text += s.substr(0, take);
    return false;
}

// All shared strings in one buffer: 8 bytes each besides their text.
struct SharedStringsHandler : HandlerBase {
    std::string bytes;
    std::vector<std::uint64_t> ends;
    std::vector<std::uint32_t> cut; // in order: the strings cut at kMaxCellTextBytes
    std::size_t maxCount = 0;
    MemoryBudget* budget = nullptr;

    std::string current;
    bool currentCut = false;
    int depthInPhonetic = 0;
    bool inText = false;

    std::size_t size() const { return ends.size(); }
    std::string_view at(std::size_t i) const
    {
        const std::uint64_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(bytes).substr(begin, ends[i] - begin);
    }
    bool wasCut(std::size_t i) const
    {
        return !cut.empty() && std::binary_search(cut.begin(), cut.end(), static_cast<std::uint32_t>(i));
    }
    std::uint64_t memory() const { return bytes.capacity() + ends.capacity() * sizeof(std::uint64_t); }

    void start(const XmlName& name, const char**)
    {
        if (isMain(name, "si")) {
            current.clear();
            currentCut = false;
        } else if (isMain(name, "rPh")) {
            ++depthInPhonetic;
        } else if (isMain(name, "t")) {
            inText = depthInPhonetic == 0;
        }
    }
    void end(const XmlName& name)
    {
        if (isMain(name, "si")) {
            if (ends.size() >= maxCount)
                throw fileError(*fileName,
                                "共享字符串多于 " + std::to_string(maxCount) +
                                    " 个,远多于工作表能引用的数量,不像是电子表格程序保存的工作簿,已拒绝打开。");
            unescapeText(current);
            if (currentCut)
                cut.push_back(static_cast<std::uint32_t>(ends.size()));
            bytes += current;
            ends.push_back(bytes.size());
            budget->check(memory());
        } else if (isMain(name, "rPh")) {
            --depthInPhonetic;
        } else if (isMain(name, "t")) {
            inText = false;
        }
    }
    void text(std::string_view s)
    {
        if (inText && !appendBounded(current, s, kMaxCellTextBytes))
            currentCut = true;
    }
};

bool isDateFormatCode(std::string_view code)
{
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
            continue;
        }
        if (bracket) {
            bracket = c != ']';
            continue;
        }
        switch (c) {
        case '"':
            quoted = true;
            break;
        case '[':
            bracket = true;
            break;
        case '\\':
        case '_':
        case '*':
            ++i; // the next character is literal
            break;
        case 'y':
        case 'Y':
        case 'd':
        case 'D':
        case 'h':
        case 'H':
        case 's':
        case 'S':
        case 'm':
        case 'M':
            return code != "General";
        default:
            break;
        }
    }
    return false;
}

bool isBuiltinDate(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

int numberOrZero(const char* s)
{
    int v = 0;
    if (s)
        std::from_chars(s, s + std::strlen(s), v);
    return v;
}

struct StylesHandler : HandlerBase {
    struct Xf {
        bool date = false;
        bool styled = false; // anything the sheet cannot keep
    };
    std::map<int, std::string> formats;
    std::vector<Xf> xfs;
    bool inNumberFormats = false; // differential formats hold numFmt elements too, which no cell format names
    bool inCellXfs = false;
    bool tooMany = false;
    void start(const XmlName& name, const char** a)
    {
        if (isMain(name, "numFmts")) {
            inNumberFormats = true;
        } else if (isMain(name, "numFmt") && inNumberFormats) {
            const char* code = attribute(a, "formatCode");
            if (formats.size() < kMaxNumberFormats)
                // Enough of a code to tell a date by, however long a tag the file has.
                formats[numberOrZero(attribute(a, "numFmtId"))] = code ? std::string(code).substr(0, 256) : "";
        } else if (isMain(name, "cellXfs")) {
            inCellXfs = true;
        } else if (isMain(name, "xf") && inCellXfs) {
            if (xfs.size() >= kMaxCellFormats) {
                tooMany = true;
                return;
            }
            const int format = numberOrZero(attribute(a, "numFmtId"));
            auto found = formats.find(format);
            Xf xf;
            xf.date = found != formats.end() ? isDateFormatCode(found->second) : isBuiltinDate(format);
            xf.styled = (format != 0 && !xf.date) || numberOrZero(attribute(a, "fontId")) != 0 ||
                        numberOrZero(attribute(a, "fillId")) != 0 || numberOrZero(attribute(a, "borderId")) != 0;
            xfs.push_back(xf);
        }
    }
    void end(const XmlName& name)
    {
        if (isMain(name, "cellXfs"))
            inCellXfs = false;
        else if (isMain(name, "numFmts"))
            inNumberFormats = false;
    }
    void text(std::string_view) {}
};

constexpr std::int64_t kSaturated = std::int64_t{1} << 40; // far beyond the sheet, and far from overflowing

// A row number as written: digits only, kSaturated for any number at least that large; nothing when it is none.
std::optional<std::int64_t> positionNumber(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    std::int64_t v = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = std::min(v * 10 + (c - '0'), kSaturated);
    }
    return v;
}

// "AB12" -> row 12, column 28, saturating beyond the sheet; false when it is no reference.
bool parseReference(std::string_view ref, std::int64_t& row, std::int64_t& column)
{
    std::size_t i = 0;
    while (i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z')))
        ++i;
    if (i == 0)
        return false;
    column = columnNumber(ref.substr(0, i), kSaturated);
    const auto number = positionNumber(ref.substr(i));
    if (!number)
        return false;
    row = *number;
    return true;
}

struct SheetHandler : HandlerBase {
    const SharedStringsHandler* strings = nullptr;
    const StylesHandler* styles = nullptr;
    bool date1904 = false;
    Grid* grid = nullptr;
    Losses* losses = nullptr;
    MemoryBudget* budget = nullptr;

    std::int64_t row = 0;
    std::string rowWritten; // the row's number as the file wrote it, when it is more than a number here holds
    std::int64_t column = 0;
    std::string reference; // the cell's reference as written, empty when it had none
    enum class Type : std::uint8_t { Number, Shared, Inline, FormulaText, Boolean, Error, Date, Unknown };
    Type type = Type::Number;
    int style = 0;
    bool hasFormula = false;
    std::string formula;
    std::string value;   // <v>
    std::string inline_; // the text of <is>
    bool valueCut = false;
    bool inValue = false;
    bool inFormula = false;
    bool inInline = false;
    bool inInlineText = false;
    int phonetic = 0;

    // Shared strings stored in this sheet, so that each is stored once whatever the number of cells holding it:
    // by string index, 1 + the position of its handle in `shared`. The workbook's sheets take turns with one table,
    // which each leaves as it found it: sized once, not once per sheet.
    std::vector<std::uint32_t>* sharedAt = nullptr;
    std::vector<std::pair<std::uint32_t, Grid::SharedText>> shared;

    ~SheetHandler()
    {
        for (const auto& [index, handle] : shared)
            (*sharedAt)[index] = 0;
    }

    [[noreturn]] void fail(const std::string& what) const { throw fileError(*fileName, what); }

    // The cell as the file names it.
    std::string where() const
    {
        if (!reference.empty())
            return reference;
        // Without a reference a cell is at most one column past the last, as the first such cell is refused.
        return columnLetters(static_cast<std::int32_t>(column)) +
               (rowWritten.empty() ? std::to_string(row) : rowWritten);
    }

    enum class Tag : std::uint8_t { Other, Row, Cell, Value, Formula, Inline, Phonetic, Text, MergeCell, Lost };

    // Told apart by length first: a sheet is mostly c and v elements, and this runs for each of their ends too.
    static Tag tagOf(const XmlName& name)
    {
        if (name.ns != Ns::Main && name.ns != Ns::None)
            return Tag::Other;
        const std::string_view n = name.local;
        switch (n.size()) {
        case 1:
            return n[0] == 'c'   ? Tag::Cell
                   : n[0] == 'v' ? Tag::Value
                   : n[0] == 'f' ? Tag::Formula
                   : n[0] == 't' ? Tag::Text
                                 : Tag::Other;
        case 2:
            return n == "is" ? Tag::Inline : Tag::Other;
        case 3:
            return n == "row" ? Tag::Row : n == "rPh" ? Tag::Phonetic : Tag::Other;
        default: {
            if (n == "mergeCell")
                return Tag::MergeCell;
            static constexpr std::string_view kLost[] = {"drawing",    "legacyDrawing",   "picture",
                                                         "oleObjects", "controls",        "tableParts",
                                                         "hyperlinks", "dataValidations", "conditionalFormatting"};
            return std::find(std::begin(kLost), std::end(kLost), n) != std::end(kLost) ? Tag::Lost : Tag::Other;
        }
        }
    }

    static Type typeOf(const char* t)
    {
        if (!t)
            return Type::Number;
        const std::string_view s(t);
        return s == "n"           ? Type::Number
               : s == "s"         ? Type::Shared
               : s == "inlineStr" ? Type::Inline
               : s == "str"       ? Type::FormulaText
               : s == "b"         ? Type::Boolean
               : s == "e"         ? Type::Error
               : s == "d"         ? Type::Date
                                  : Type::Unknown;
    }

    void start(const XmlName& name, const char** a)
    {
        switch (tagOf(name)) {
        case Tag::Row:
            if (const char* r = attribute(a, "r")) {
                const auto number = positionNumber(r);
                if (!number)
                    fail(std::string("行号“") + r + "”无效。");
                row = *number;
                if (*number == kSaturated)
                    rowWritten.assign(r, std::min<std::size_t>(std::strlen(r), 40));
                else
                    rowWritten.clear();
            } else {
                ++row;
                rowWritten.clear();
            }
            column = 0;
            break;
        case Tag::Cell:
            reference.clear();
            if (const char* r = attribute(a, "r")) {
                std::int64_t refRow = 0;
                if (!parseReference(r, refRow, column))
                    fail(std::string("单元格引用“") + r + "”无效。");
                row = refRow;
                rowWritten.clear();
                reference.assign(r, std::min<std::size_t>(std::strlen(r), 40));
            } else {
                ++column;
            }
            if (row < 1 || row > Grid::kRows || column < 1 || column > Grid::kColumns)
                fail("单元格“" + where() + "”超出工作表范围(最多 " + std::to_string(Grid::kRows) + " 行、" +
                     std::to_string(Grid::kColumns) + " 列),文件太大。");
            type = typeOf(attribute(a, "t"));
            style = numberOrZero(attribute(a, "s"));
            hasFormula = false;
            formula.clear();
            value.clear();
            inline_.clear();
            valueCut = false;
            inInline = false;
            break;
        case Tag::Value:
            inValue = true;
            break;
        case Tag::Formula:
            hasFormula = true;
            inFormula = true;
            break;
        case Tag::Inline:
            inInline = true;
            break;
        case Tag::Phonetic:
            ++phonetic;
            break;
        case Tag::Text:
            if (inInline)
                inInlineText = phonetic == 0;
            break;
        case Tag::MergeCell:
            losses->mergedCells = true;
            break;
        case Tag::Lost:
            losses->otherParts = true;
            break;
        case Tag::Other:
            break;
        }
    }

    void end(const XmlName& name)
    {
        switch (tagOf(name)) {
        case Tag::Value:
            inValue = false;
            break;
        case Tag::Formula:
            inFormula = false;
            break;
        case Tag::Inline:
            inInline = inInlineText = false;
            break;
        case Tag::Phonetic:
            --phonetic;
            break;
        case Tag::Text:
            inInlineText = false;
            break;
        case Tag::Cell:
            storeCell();
            break;
        default:
            break;
        }
    }

    void text(std::string_view s)
    {
        if (inInlineText)
            valueCut |= !appendBounded(inline_, s, kMaxCellTextBytes);
        else if (inValue)
            valueCut |= !appendBounded(value, s, kMaxCellTextBytes);
        else if (inFormula)
            appendBounded(formula, s, kFormulaKept + 1);
    }

    // A cell whose value is not what its type says is left blank, and the loss told; the rest of the file is read.
    void unreadable() { losses->unreadableCells = true; }

    void storeCell()
    {
        const auto r = static_cast<std::int32_t>(row);
        const auto c = static_cast<std::int32_t>(column);
        bool keptFormula = false;
        CellView cell;
        noteStyle();
        if (type == Type::Shared) {
            if (value.empty())
                return;
            const auto index = cellvalues::readNumber(value);
            if (!index || *index < 0 || *index >= static_cast<double>(strings->size()) || *index != std::floor(*index))
                return unreadable();
            if (hasFormula)
                losses->formulas = true;
            storeShared(r, c, static_cast<std::size_t>(*index));
            return;
        }
        if (type == Type::Inline || type == Type::FormulaText) {
            std::string& text = type == Type::FormulaText ? value : inline_;
            losses->cutTexts |= valueCut;
            unescapeText(text);
            cell = CellView::makeText(text);
        } else if (type == Type::Boolean) {
            if (value.empty())
                return;
            if (value != "0" && value != "1" && value != "true" && value != "false")
                return unreadable();
            cell = CellView::makeBoolean(value == "1" || value == "true");
        } else if (type == Type::Error) {
            if (value.empty())
                return;
            cell = CellView::makeError(cellvalues::errorCode(value).value_or(2015));
            keptFormula = hasFormula && formulaFor(cell.error) == formula;
        } else if (type == Type::Date) {
            if (value.empty())
                return;
            const auto serial = cellvalues::readDate(value, cellvalues::DateForm::Iso);
            if (!serial)
                return unreadable();
            cell = CellView::makeDate(*serial);
        } else if (type == Type::Number) {
            if (value.empty()) {
                if (hasFormula)
                    losses->formulas = true;
                return;
            }
            const auto v = cellvalues::readNumber(value);
            if (!v)
                return unreadable();
            const bool date = style >= 0 && static_cast<std::size_t>(style) < styles->xfs.size() &&
                              styles->xfs[static_cast<std::size_t>(style)].date;
            cell = date ? CellView::makeDate(date1904 ? *v + 1462 : *v) : CellView::makeNumber(*v);
        } else {
            return unreadable();
        }
        if (hasFormula && !keptFormula)
            losses->formulas = true;
        if (cell.kind == CellKind::Text && cell.text.empty())
            return;
        grid->setCell(r, c, cell);
        budget->check(memory());
    }

    void storeShared(std::int32_t r, std::int32_t c, std::size_t index)
    {
        const std::string_view text = strings->at(index);
        if (text.empty())
            return;
        losses->cutTexts |= strings->wasCut(index);
        if (sharedAt->empty()) {
            sharedAt->assign(strings->size(), 0);
            budget->settle(sharedAt->capacity() * sizeof(std::uint32_t));
        }
        std::uint32_t& at = (*sharedAt)[index];
        if (at == 0) {
            shared.emplace_back(static_cast<std::uint32_t>(index), grid->shareText(text));
            at = static_cast<std::uint32_t>(shared.size());
        }
        grid->setCell(r, c, shared[at - 1].second);
        budget->check(memory());
    }

    // What the sheet takes so far, as the budget counts it.
    std::uint64_t memory() const
    {
        return grid->cellCount() * kCellBytes + grid->longTextBytes() +
               shared.capacity() * sizeof(std::pair<std::uint32_t, Grid::SharedText>);
    }

    void noteStyle()
    {
        if (style > 0 && static_cast<std::size_t>(style) < styles->xfs.size() &&
            styles->xfs[static_cast<std::size_t>(style)].styled)
            losses->styles = true;
    }

    static std::string formulaFor(std::int32_t code)
    {
        switch (code) {
        case 2000:
            return "#NULL!";
        case 2007:
            return "1/0";
        case 2015:
            return "#VALUE!";
        case 2023:
            return "#REF!";
        case 2029:
            return "#NAME?";
        case 2036:
            return "#NUM!";
        case 2042:
            return "NA()";
        default:
            return {};
        }
    }
};

// Parts every workbook may hold that carry nothing the embedded spreadsheet loses.
bool isBenign(const std::string& entry)
{
    return entry == "[Content_Types].xml" || entry == "_rels/.rels" || entry.rfind("docProps/", 0) == 0 ||
           entry.rfind("xl/theme/", 0) == 0 || entry == "xl/calcChain.xml" || entry.empty() || entry.back() == '/';
}

// A macro-enabled workbook's VBA project, its signatures and their relationships.
bool isMacroPart(const std::string& entry)
{
    const std::string name = folded(entry);
    return name.rfind("xl/vbaproject", 0) == 0 || name.rfind("xl/_rels/vbaproject", 0) == 0;
}

} // namespace

Book readXlsx(std::string_view bytes, const std::string& name)
{
    return readXlsx(bytes, name, XlsxReadOptions());
}

Book readXlsx(std::string_view bytes, const std::string& name, const XlsxReadOptions& options)
{
    const Limits limits = limitsFor(bytes.size(), options);
    Archive archive(bytes, name, limits, options.progress);
    MemoryBudget budget(name, limits);
    Book book;
    std::set<std::string> read; // entries read or accounted for

    // The workbook is where the package's relationships say; most files also have it where it usually is.
    std::string workbookPart = "xl/workbook.xml";
    if (archive.has("_rels/.rels")) {
        RelsHandler package;
        parsePart(archive, "_rels/.rels", package);
        if (const Relationship* office = package.ofType("/officeDocument"); office && archive.has(office->target))
            workbookPart = office->target;
    }
    workbookPart = archive.entryName(workbookPart);
    read.insert(workbookPart);

    // A template's or a macro-enabled workbook's nature shows in its workbook part's content type.
    if (archive.has("[Content_Types].xml")) {
        ContentTypesHandler types;
        types.wanted = folded(workbookPart);
        types.extension = folded(workbookPart.substr(workbookPart.find_last_of('.') + 1));
        parsePart(archive, "[Content_Types].xml", types);
        book.losses.templateKind = folded(types.type()).find(".template") != std::string::npos;
    }

    WorkbookHandler workbook;
    parsePart(archive, workbookPart, workbook);
    RelsHandler rels;
    rels.from = workbookPart;
    const std::string relsPart = relationshipsOf(workbookPart);
    parsePart(archive, relsPart, rels);
    read.insert(archive.entryName(relsPart));

    if (const Relationship* vba = rels.ofType("/vbaProject"); vba && archive.has(vba->target)) {
        book.losses.macros = true;
        read.insert(archive.entryName(vba->target));
    }
    book.losses.otherParts = workbook.definedNames;

    // The sheets to read, and what all that is to be read claims to inflate to.
    struct SheetToRead {
        std::string name;
        std::string part;
    };
    std::vector<SheetToRead> toRead;
    for (const auto& entry : workbook.sheets) {
        auto found = rels.byId.find(entry.relationship);
        if (found == rels.byId.end())
            throw fileError(name, "工作表“" + entry.name + "”缺少对应的部件。");
        if (!endsWith(found->second.type, "/worksheet")) {
            book.losses.otherParts = true; // a chart sheet or a dialog sheet
            continue;
        }
        toRead.push_back({entry.name, found->second.target});
    }
    if (toRead.empty())
        throw fileError(name, "工作簿中没有工作表。");
    const Relationship* stringsRel = rels.ofType("/sharedStrings");
    const Relationship* stylesRel = rels.ofType("/styles");
    const std::string stringsPart = stringsRel ? stringsRel->target : "xl/sharedStrings.xml";
    const std::string stylesPart = stylesRel ? stylesRel->target : "xl/styles.xml";
    std::uint64_t sheetBytes = 0;
    for (const SheetToRead& sheet : toRead)
        sheetBytes += archive.declaredSize(sheet.part);
    archive.expect(sheetBytes + archive.declaredSize(stringsPart) + archive.declaredSize(stylesPart));

    SharedStringsHandler strings;
    strings.budget = &budget;
    strings.maxCount = static_cast<std::size_t>(
        std::min<std::uint64_t>(kStringsFloor + sheetBytes / kBytesPerReference, std::uint64_t{1} << 32));
    if (archive.has(stringsPart)) {
        parsePart(archive, stringsPart, strings);
        read.insert(archive.entryName(stringsPart));
        std::string().swap(strings.current);
        budget.settle(strings.memory());
    }
    StylesHandler styles;
    if (archive.has(stylesPart)) {
        parsePart(archive, stylesPart, styles);
        read.insert(archive.entryName(stylesPart));
        book.losses.styles = styles.tooMany;
    }

    std::vector<std::uint32_t> sharedAt;
    for (const SheetToRead& entry : toRead) {
        book.sheets.push_back({validSheetName(entry.name, "Sheet" + std::to_string(book.sheets.size() + 1)), Grid()});
        SheetHandler sheet;
        sheet.sharedAt = &sharedAt;
        sheet.strings = &strings;
        sheet.styles = &styles;
        sheet.date1904 = workbook.date1904;
        sheet.grid = &book.sheets.back().grid;
        sheet.losses = &book.losses;
        sheet.budget = &budget;
        parsePart(archive, entry.part, sheet);
        read.insert(archive.entryName(entry.part));
        budget.settle(sheet.grid->cellCount() * kCellBytes + sheet.grid->longTextBytes());
    }

    for (const std::string& entry : archive.names()) {
        if (read.count(entry) || isBenign(entry))
            continue;
        if (isMacroPart(entry))
            book.losses.macros = true;
        else
            book.losses.otherParts = true;
    }
    archive.reportDone();
    return book;
}

Book readXlsxFile(const std::string& path)
{
    return readXlsx(readWholeFile(path), path);
}

Book readXlsxFile(const std::string& path, const XlsxReadOptions& options)
{
    return readXlsx(readWholeFile(path), path, options);
}

} // namespace sheet
