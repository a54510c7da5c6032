#include "sheet/files/XlsxArchive.h"

#include "objectmodel/Names.h"
#include "sheet/files/AvailableMemory.h"
#include "sheet/files/XmlFeed.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

namespace sheet::xlsx {

namespace {

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
constexpr std::uint64_t kProgressStep = std::uint64_t{4} << 20;

std::string megabytes(std::uint64_t bytes)
{
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
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

struct FileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

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

} // namespace

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

void MemoryBudget::check(std::uint64_t more) const
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
    // Most names are of the main namespace in its transitional form: known without a search.
    static constexpr std::string_view kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main\x01";
    if (std::strncmp(raw, kMain.data(), kMain.size()) == 0)
        return {Ns::Main, std::string_view(raw + kMain.size())};
    // One pass over the long part, the URI, and none over it again unless its length is one of ours.
    const char* separator = std::strchr(raw, kNamespaceSeparator);
    if (!separator)
        return {Ns::None, std::string_view(raw)};
    return {namespaceOf(std::string_view(raw, static_cast<std::size_t>(separator - raw))),
            std::string_view(separator + 1)};
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

const char* attribute(const char** attributes, std::string_view local)
{
    for (int i = 0; attributes[i]; i += 2)
        if (std::strncmp(attributes[i], local.data(), local.size()) == 0 && attributes[i][local.size()] == '\0')
            return attributes[i + 1];
    return nullptr;
}

std::string normalPartName(std::string_view name)
{
    std::string out(name);
    std::replace(out.begin(), out.end(), '\\', '/');
    out.erase(0, out.find_first_not_of('/'));
    return out;
}

int numberOrZero(const char* s)
{
    int v = 0;
    if (s)
        std::from_chars(s, s + std::strlen(s), v);
    return v;
}

Archive::Archive(std::string_view bytes, const std::string& name, const Limits& limits,
                 const std::function<bool(double)>& progress)
    : m_name(name), m_limits(limits), m_progress(progress), m_nextReport(kProgressStep)
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
        m_byFoldedName.emplace(objectmodel::foldedName(m_names.back()), static_cast<zip_uint64_t>(i));
    }
}

std::optional<zip_uint64_t> Archive::find(std::string_view part) const
{
    const std::string name = normalPartName(part);
    if (auto it = m_byName.find(name); it != m_byName.end())
        return it->second;
    if (auto it = m_byFoldedName.find(objectmodel::foldedName(name)); it != m_byFoldedName.end())
        return it->second;
    if (name.find('%') != std::string::npos)
        if (auto it = m_byFoldedName.find(objectmodel::foldedName(percentDecoded(name))); it != m_byFoldedName.end())
            return it->second;
    return std::nullopt;
}

std::string Archive::entryName(std::string_view part) const
{
    const auto index = find(part);
    return index ? m_names[*index] : normalPartName(part);
}

std::uint64_t Archive::declaredSize(std::string_view part) const
{
    zip_stat_t stat;
    const auto index = find(part);
    if (!index || zip_stat_index(m_zip.get(), *index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return 0;
    return stat.size;
}

void Archive::expect(std::uint64_t declared)
{
    if (m_inflated + declared > m_limits.inflated)
        throw tooMuchInflated(m_name, m_limits);
    if (work() + declared > m_limits.work)
        throw tooMuchWork(m_name);
    m_progressTotal = m_inflated + declared;
}

void Archive::spend(std::uint64_t events)
{
    m_events += events;
    if (work() > m_limits.work)
        throw tooMuchWork(m_name);
}

void Archive::parse(const std::string& part, XML_Parser parser, HandlerBase& handler)
{
    ExpatSink sink(parser, handler, *this);
    if (!feed(part, sink))
        throw fileError(m_name, "部件 " + part + " 含有超过 " + megabytes(kMaxToken) +
                                    " 的 XML 标记(注释或标签),不像是电子表格程序保存的工作簿,已拒绝打开。");
}

bool Archive::feed(const std::string& part, XmlSink& sink)
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
    return feedXml(read, sink, kMaxToken);
}

void Archive::report() const
{
    if (!m_progress)
        return;
    const double fraction = m_progressTotal == 0
                                ? 0.0
                                : std::min(1.0, static_cast<double>(m_inflated) / static_cast<double>(m_progressTotal));
    if (!m_progress(fraction))
        throw FileCancelled("读取“" + m_name + "”已取消。");
}

void Archive::reportDone() const
{
    if (m_progress && !m_progress(1.0))
        throw FileCancelled("读取“" + m_name + "”已取消。");
}

std::uint64_t Archive::work() const
{
    return m_inflated + m_events * kEventWork;
}

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

} // namespace sheet::xlsx
