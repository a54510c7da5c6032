// The file system of Windows.
#include "sheet/files/FileSystem.h"

#include <windows.h>

#include <ctime>

namespace sheet {

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : m_h(h) {}
    ~Handle()
    {
        if (m_h != INVALID_HANDLE_VALUE && m_h != nullptr)
            CloseHandle(m_h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }

private:
    HANDLE m_h;
};

} // namespace

bool flushFile(const std::filesystem::path& path)
{
    const Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && FlushFileBuffers(file.get()) != 0;
}

bool flushFolder(const std::filesystem::path&)
{
    // NTFS journals the rename itself; folders cannot be flushed through a handle without backup rights.
    return true;
}

bool mayWrite(const std::filesystem::path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // The read-only attribute means nothing on a folder (Explorer sets it on customised ones); what counts is
        // whether a file can be made in it. A folder is opened only with backup semantics.
        const Handle folder(CreateFileW(path.c_str(), FILE_ADD_FILE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return folder.valid();
    }
    // A file open in another program is not read-only: saving will say that it is in use.
    return (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool createPrivateFile(const std::filesystem::path& path)
{
    // A new file of the user's own inherits the folder's permissions: nothing more private is needed here.
    const Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

void takeModeAndOwner(const std::filesystem::path& to, const std::filesystem::path* from)
{
    // The one permission a file carries itself is the read-only attribute, and a read-only file is never replaced.
    (void)to;
    (void)from;
}

long currentProcessId()
{
    return static_cast<long>(GetCurrentProcessId());
}

bool processRuns(long id)
{
    if (id <= 0)
        return false;
    const Handle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
    if (!process.valid())
        return GetLastError() == ERROR_ACCESS_DENIED;
    return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

std::optional<bool> lockedByAnotherProcess(const std::filesystem::path& path)
{
    // A program that holds the file open without sharing it for writing keeps us out.
    const Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return GetLastError() == ERROR_SHARING_VIOLATION ? std::optional<bool>(true) : std::nullopt;
    OVERLAPPED whole{};
    if (!LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole))
        return GetLastError() == ERROR_LOCK_VIOLATION;
    UnlockFileEx(file.get(), 0, MAXDWORD, MAXDWORD, &whole);
    return false;
}

namespace {

// One byte far beyond any content: a lock of the content itself would keep others from reading who holds it.
OVERLAPPED farByte()
{
    OVERLAPPED at{};
    at.Offset = 0;
    at.OffsetHigh = 0x40000000;
    return at;
}

} // namespace

std::intptr_t holdLock(const std::filesystem::path& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    OVERLAPPED at = farByte();
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        CloseHandle(file);
        return -1;
    }
    return reinterpret_cast<std::intptr_t>(file);
}

bool replaceContent(std::intptr_t handle, std::string_view content)
{
    const auto file = reinterpret_cast<HANDLE>(handle);
    LARGE_INTEGER start{};
    if (handle == -1 || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file))
        return false;
    DWORD written = 0;
    return WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}

void releaseLock(std::intptr_t handle)
{
    if (handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle));
}

std::string localTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%d.%m.%Y %H:%M", &local);
    return buffer;
}

std::string userName()
{
    wchar_t name[256];
    DWORD size = 256;
    if (!GetUserNameW(name, &size) || size == 0)
        return {};
    char out[1024];
    const int n = WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size - 1), out, sizeof out, nullptr, nullptr);
    return n > 0 ? std::string(out, static_cast<std::size_t>(n)) : std::string();
}

std::string hostName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size))
        return {};
    char out[256];
    const int n = WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(size), out, sizeof out, nullptr, nullptr);
    return n > 0 ? std::string(out, static_cast<std::size_t>(n)) : std::string();
}

} // namespace sheet
