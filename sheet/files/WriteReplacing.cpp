#include "sheet/files/WriteReplacing.h"

#include "sheet/files/FileError.h"
#include "sheet/files/FilePath.h"
#include "sheet/files/FileSystem.h"

#include <atomic>
#include <charconv>
#include <chrono>

namespace sheet {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMarker = ".tessavo-tmp";

std::string utf8Name(const fs::path& p)
{
    const std::u8string name = p.filename().u8string();
    return std::string(name.begin(), name.end());
}

// Removes `prefix`-named files of the folder: the temporary file and what was made from its name.
void removeMadeFrom(const fs::path& folder, const std::string& prefix)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = utf8Name(it->path());
        if (name.rfind(prefix, 0) == 0 && (name.size() == prefix.size() || name[prefix.size()] == '.')) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

} // namespace

namespace {

struct Resolved {
    fs::path target;
    std::error_code error; // a link that could not be read
    bool loop = false;     // links round in a circle, or too many of them
};

// Links are followed one by one, as the system does, but never round a cycle for ever.
Resolved resolveLinks(const fs::path& path)
{
    Resolved r{path, {}, false};
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(r.target, ec)) || ec)
            return r;
        const fs::path next = fs::read_symlink(r.target, r.error);
        if (r.error)
            return r;
        r.target = next.is_absolute() ? next : r.target.parent_path() / next;
    }
    std::error_code ec;
    r.loop = fs::is_symlink(fs::symlink_status(r.target, ec));
    return r;
}

// This machine's name as it goes into a temporary file's name: no dots, which separate the name's parts.
std::string hostTag()
{
    std::string host = hostName();
    for (char& c : host)
        if (c == '.' || c == '/' || c == '\\' || c == '@')
            c = '_';
    return host.empty() ? std::string("host") : host;
}

} // namespace

fs::path saveTarget(const fs::path& path)
{
    return resolveLinks(path).target;
}

int removeStaleTemporaries(const fs::path& path)
{
    const fs::path target = saveTarget(path);
    const std::string prefix = utf8Name(target) + std::string(kMarker);
    const fs::path folder = target.parent_path();
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = utf8Name(it->path());
        if (name.rfind(prefix, 0) != 0)
            continue;
        // "NAME.tessavo-tmp.PID@HOST.N…": stale once that process of this machine is gone. Another machine's (a
        // shared folder), and older saves that named no process, are judged by their age.
        const std::string_view rest = std::string_view(name).substr(prefix.size());
        long pid = 0;
        bool stale = false;
        const char* first = rest.data() + 1;
        const char* last = rest.data() + rest.size();
        const auto parsed = rest.size() > 1 && rest[0] == '.'
                                ? std::from_chars(first, last, pid)
                                : std::from_chars_result{first, std::errc::invalid_argument};
        const std::string_view afterPid(parsed.ptr, static_cast<std::size_t>(last - parsed.ptr));
        const std::string host = "@" + hostTag() + ".";
        if (parsed.ec == std::errc() && afterPid.rfind(host, 0) == 0) {
            stale = pid != currentProcessId() && !processRuns(pid);
        } else {
            std::error_code timeError;
            const auto written = fs::last_write_time(it->path(), timeError);
            stale = !timeError && fs::file_time_type::clock::now() - written > std::chrono::hours(1);
        }
        std::error_code ignored;
        if (stale && fs::remove(it->path(), ignored))
            ++removed;
    }
    return removed;
}

void writeReplacing(const std::string& path, const std::function<void(const std::string& temporary)>& write)
{
    const Resolved resolved = resolveLinks(filePath(path));
    if (resolved.error)
        throw fileError(path, "无法读取符号链接: " + systemErrorText(resolved.error) + "。");
    if (resolved.loop)
        throw fileError(path, "符号链接绕成了一个圈,找不到真正的文件,无法保存。");
    const fs::path& target = resolved.target;
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool replacing = !ec && fs::exists(status);
    if (replacing && !fs::is_regular_file(status))
        throw fileError(path, "不是普通文件,不能保存到这里。");
    if (replacing && !mayWrite(target))
        throw ReadOnlyFile(fileError(path, "文件是只读的,不能覆盖。请另存为其他文件。").what());
    const fs::file_status folderStatus = fs::status(folder, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw fileError(path, "无法访问所在的文件夹: " + systemErrorText(ec) + "。");
    if (!fs::is_directory(folderStatus))
        throw fileError(path, "所在的文件夹不存在。");
    if (!mayWrite(folder))
        throw ReadOnlyFile(fileError(path, "没有权限写入所在的文件夹。请另存到其他文件夹。").what());
    removeStaleTemporaries(target);

    static std::atomic<unsigned> counter{0};
    const std::string temporaryName = utf8Name(target) + std::string(kMarker) + "." +
                                      std::to_string(currentProcessId()) + "@" + hostTag() + "." +
                                      std::to_string(++counter);
    const fs::path temporaryFile = folder / filePath(temporaryName);
    const std::u8string temporaryUtf8 = temporaryFile.u8string();
    const std::string temporary(temporaryUtf8.begin(), temporaryUtf8.end());
    try {
        // Private while it is written: the content may be anything but the world's to read.
        if (!createPrivateFile(temporaryFile))
            throw fileError(path, "无法在所在的文件夹中写入临时文件,原文件没有改变。");
        write(temporary);
        takeModeAndOwner(temporaryFile, replacing ? &target : nullptr);
        if (!flushFile(temporaryFile))
            throw fileError(path, "无法把文件写到磁盘上(磁盘已满或已被移除?)。原文件没有改变。");
        ec.clear();
        fs::rename(temporaryFile, target, ec);
        if (ec)
            throw fileError(path, "无法保存: " + systemErrorText(ec) + "。原文件没有改变。");
    } catch (...) {
        removeMadeFrom(folder, temporaryName);
        throw;
    }
    // Whatever the writer made from the temporary file's name (its parts) goes too.
    removeMadeFrom(folder, temporaryName);
    flushFolder(folder);
}

} // namespace sheet
