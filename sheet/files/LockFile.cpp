#include "sheet/files/LockFile.h"

#include "sheet/files/FilePath.h"
#include "sheet/files/FileSystem.h"
#include "sheet/files/WriteReplacing.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <vector>

namespace sheet {

namespace fs = std::filesystem;

namespace {

// The first field names the program where LibreOffice puts its user's name: that is how a lock file of ours is
// told from another's.
constexpr std::string_view kProgram = "Tessavo";

// The lock files this process holds, with how many claims share each, so that checking one of them does not take
// it for somebody else's. Those still held when the process ends normally are removed then, whatever window or
// workbook forgot them.
struct Held {
    std::intptr_t handle = -1;
    int claims = 0;
};
std::mutex g_heldMutex;
struct HeldFiles {
    std::map<std::string, Held> files;
    ~HeldFiles()
    {
        for (const auto& [file, held] : files) {
            std::error_code ignored;
            std::filesystem::remove(filePath(file), ignored);
            releaseLock(held.handle);
        }
    }
} g_heldFiles;

bool heldHere(const std::string& lockFile)
{
    const std::lock_guard guard(g_heldMutex);
    return g_heldFiles.files.count(lockFile) != 0;
}

std::string readSmallFile(const fs::path& p)
{
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) // a FIFO would never answer
        return {};
    std::ifstream in(p, std::ios::binary);
    std::string text;
    // A lock file is one short line; anything longer is not one.
    text.resize(4096);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// "name,user,host,time,config;" — LibreOffice's fields, with its escapes (a backslash before , ; and \).
std::vector<std::string> lockFields(const std::string& text)
{
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            fields.back() += text[++i];
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == ';' || c == '\n' || c == '\r') {
            break;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string escaped(std::string_view s)
{
    std::string out;
    for (const char c : s) {
        if (c == ',' || c == ';' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

fs::path sibling(const std::string& path, const std::string& name)
{
    return filePath(path).parent_path() / filePath(name);
}

std::string fileName(const std::string& path)
{
    const std::u8string name = filePath(path).filename().u8string();
    return std::string(name.begin(), name.end());
}

} // namespace

std::string lockFileFor(const std::string& path)
{
    const std::u8string p = sibling(path, ".~lock." + fileName(path) + "#").u8string();
    return std::string(p.begin(), p.end());
}

namespace {

std::string utf8(const fs::path& p)
{
    const std::u8string text = p.u8string();
    return std::string(text.begin(), text.end());
}

// Another program's lock file for the file named `path` as it stands, if it names one.
std::optional<Editor> lockFileEditor(const std::string& path)
{
    std::error_code ec;
    const std::string lock = lockFileFor(path);
    if (heldHere(lock) || !fs::exists(filePath(lock), ec))
        return std::nullopt;
    const std::vector<std::string> f = lockFields(readSmallFile(filePath(lock)));
    const bool ours = !f.empty() && f[0] == kProgram;
    // Ours and no longer held: its process was killed. LibreOffice's own are trusted as they stand.
    if (ours && !lockedByAnotherProcess(filePath(lock)).value_or(false))
        return std::nullopt;
    Editor e;
    const std::string name = f.empty() || ours ? std::string() : f[0];
    const std::string user = f.size() > 1 ? f[1] : std::string();
    const std::string host = f.size() > 2 ? f[2] : std::string();
    const std::string account = user + (host.empty() ? "" : "@" + host);
    e.who = ours ? std::string(kProgram) : "LibreOffice";
    if (!name.empty() || !account.empty())
        e.who += ": " + (name.empty() ? account : account.empty() ? name : name + " (" + account + ")");
    e.since = f.size() > 3 ? f[3] : std::string();
    return e;
}

} // namespace

std::optional<Editor> otherEditor(const std::string& path)
{
    // A program may have opened the file by its link or by the file the link leads to.
    const std::string target = utf8(saveTarget(filePath(path)));
    for (const std::string& name : {path, target}) {
        if (auto e = lockFileEditor(name))
            return e;
        std::error_code ec;
        if (fs::exists(sibling(name, "~$" + fileName(name)), ec))
            return Editor{"Microsoft Office", {}};
        if (name == target)
            break;
    }
    if (lockedByAnotherProcess(filePath(target)).value_or(false))
        return Editor{"另一个程序", {}};
    return std::nullopt;
}

EditLock::EditLock(const std::string& path)
{
    const std::string lock = lockFileFor(utf8(saveTarget(filePath(path))));
    {
        const std::lock_guard guard(g_heldMutex);
        if (auto found = g_heldFiles.files.find(lock); found != g_heldFiles.files.end()) {
            ++found->second.claims;
            m_lockFile = lock;
            return;
        }
    }
    if (otherEditor(path))
        return;
    // Taken before anything is written: a lock file someone else holds is never touched.
    const std::intptr_t handle = holdLock(filePath(lock));
    if (handle == -1)
        return;
    const std::string content =
        std::string(kProgram) + ',' + escaped(userName()) + ',' + escaped(hostName()) + ',' + localTimeText() + ",;";
    if (!replaceContent(handle, content)) {
        // Ours, but not whole: nobody could read who holds it.
        std::error_code ignored;
        fs::remove(filePath(lock), ignored);
        releaseLock(handle);
        return;
    }
    const std::lock_guard guard(g_heldMutex);
    g_heldFiles.files[lock] = {handle, 1};
    m_lockFile = lock;
}

EditLock::~EditLock()
{
    release();
}

EditLock::EditLock(EditLock&& other) noexcept : m_lockFile(std::move(other.m_lockFile))
{
    other.m_lockFile.clear();
}

EditLock& EditLock::operator=(EditLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_lockFile = std::move(other.m_lockFile);
        other.m_lockFile.clear();
    }
    return *this;
}

void EditLock::release()
{
    if (m_lockFile.empty())
        return;
    const std::lock_guard guard(g_heldMutex);
    auto found = g_heldFiles.files.find(m_lockFile);
    if (found != g_heldFiles.files.end() && --found->second.claims == 0) {
        std::error_code ignored;
        // Removed before the lock goes, so nobody takes a lock file about to vanish.
        fs::remove(filePath(m_lockFile), ignored);
        releaseLock(found->second.handle);
        g_heldFiles.files.erase(found);
    }
    m_lockFile.clear();
}

} // namespace sheet
