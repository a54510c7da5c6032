#include "LockFile.h"

#include "FilePath.h"
#include "FileSystem.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <vector>

namespace sheet {

namespace fs = std::filesystem;

namespace {

// The first field names the program where LibreOffice puts its user's name: that is how a lock file of ours is
// told from another's.
constexpr std::string_view kProgram = "Tessavo";

// The lock files this process holds, so that checking one of them does not take it for somebody else's. Those
// still held when the process ends normally are removed then, whatever window or workbook forgot them.
std::mutex g_heldMutex;
struct HeldFiles {
    std::set<std::string> files;
    ~HeldFiles()
    {
        for (const std::string& f : files) {
            std::error_code ignored;
            std::filesystem::remove(filePath(f), ignored);
        }
    }
} g_heldFiles;
std::set<std::string>& g_held = g_heldFiles.files;

bool heldHere(const std::string& lockFile)
{
    const std::lock_guard guard(g_heldMutex);
    return g_held.count(lockFile) != 0;
}

std::string readSmallFile(const fs::path& p)
{
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

std::optional<Editor> otherEditor(const std::string& path)
{
    std::error_code ec;
    const std::string lock = lockFileFor(path);
    if (!heldHere(lock) && fs::exists(filePath(lock), ec)) {
        const std::vector<std::string> f = lockFields(readSmallFile(filePath(lock)));
        const bool ours = !f.empty() && f[0] == kProgram;
        // Ours and no longer held: its process was killed. LibreOffice's own are trusted as they stand.
        if (!ours || lockedByAnotherProcess(filePath(lock)).value_or(false)) {
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
    }
    if (fs::exists(sibling(path, "~$" + fileName(path)), ec))
        return Editor{"Microsoft Office", {}};
    if (lockedByAnotherProcess(filePath(path)).value_or(false))
        return Editor{"另一个程序", {}};
    return std::nullopt;
}

EditLock::EditLock(const std::string& path) : m_lockFile(lockFileFor(path))
{
    if (otherEditor(path))
        return;
    const fs::path lock = filePath(m_lockFile);
    {
        std::ofstream out(lock, std::ios::binary | std::ios::trunc);
        out << kProgram << ',' << escaped(userName()) << ',' << escaped(hostName()) << ',' << localTimeText() << ",;";
        if (!out)
            return;
    }
    m_handle = holdLock(lock);
    if (m_handle == -1) {
        std::error_code ignored;
        fs::remove(lock, ignored);
        return;
    }
    const std::lock_guard guard(g_heldMutex);
    g_held.insert(m_lockFile);
}

EditLock::~EditLock()
{
    release();
}

EditLock::EditLock(EditLock&& other) noexcept : m_lockFile(std::move(other.m_lockFile)), m_handle(other.m_handle)
{
    other.m_handle = -1;
}

EditLock& EditLock::operator=(EditLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_lockFile = std::move(other.m_lockFile);
        m_handle = other.m_handle;
        other.m_handle = -1;
    }
    return *this;
}

void EditLock::release()
{
    if (m_handle == -1)
        return;
    {
        const std::lock_guard guard(g_heldMutex);
        g_held.erase(m_lockFile);
    }
    std::error_code ignored;
    fs::remove(filePath(m_lockFile), ignored); // before the lock goes, so nobody takes a lock file about to vanish
    releaseLock(m_handle);
    m_handle = -1;
}

} // namespace sheet
