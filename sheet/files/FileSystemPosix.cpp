// The file system of Linux and other POSIX systems.
#include "sheet/files/FileSystem.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace sheet {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

bool flushFile(const std::filesystem::path& path)
{
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

bool flushFolder(const std::filesystem::path& folder)
{
    const Descriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Some file systems cannot sync a folder (EINVAL): the rename is as safe as they make it.
    return fd.get() >= 0 && (::fsync(fd.get()) == 0 || errno == EINVAL || errno == EROFS);
}

bool mayWrite(const std::filesystem::path& path)
{
    if (::access(path.c_str(), W_OK) != 0)
        return false;
    // The administrator may write anything: a file that nobody may write is still meant to be read-only.
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) != 0;
}

bool createPrivateFile(const std::filesystem::path& path)
{
    const Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    return fd.get() >= 0;
}

void takeModeAndOwner(const std::filesystem::path& to, const std::filesystem::path* from)
{
    struct stat original {};
    if (from && ::stat(from->c_str(), &original) == 0) {
        // The owner first: changing it may clear the set-id bits the mode then sets again.
        (void)!::chown(to.c_str(), original.st_uid, original.st_gid);
        ::chmod(to.c_str(), original.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(to.c_str(), 0666 & ~mask);
}

long currentProcessId()
{
    return static_cast<long>(::getpid());
}

bool processRuns(long id)
{
    if (id <= 0)
        return false;
    // EPERM: it runs, under another user.
    return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

std::optional<bool> lockedByAnotherProcess(const std::filesystem::path& path)
{
    // Non-blocking: a FIFO where a file should be must not stop the program.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return std::nullopt;
    struct flock lock {};
    lock.l_type = F_WRLCK; // would a writer be kept out?
    lock.l_whence = SEEK_SET;
    // Asked as an open-file lock: a process-wide one would be dropped when this descriptor closes, and would not
    // see this process's own locks.
    if (::fcntl(fd.get(), F_OFD_GETLK, &lock) != 0) {
        lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (::fcntl(fd.get(), F_GETLK, &lock) != 0)
            return std::nullopt;
        return lock.l_type != F_UNLCK && lock.l_pid != ::getpid();
    }
    return lock.l_type != F_UNLCK;
}

std::intptr_t holdLock(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return -1;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool replaceContent(std::intptr_t handle, std::string_view content)
{
    const int fd = static_cast<int>(handle);
    if (fd < 0 || ::ftruncate(fd, 0) != 0)
        return false;
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::pwrite(fd, content.data() + written, content.size() - written, static_cast<off_t>(written));
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

void releaseLock(std::intptr_t handle)
{
    if (handle >= 0)
        ::close(static_cast<int>(handle)); // the lock goes with its open file
}

std::string localTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%d.%m.%Y %H:%M", &local);
    return buffer;
}

std::string userName()
{
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return pw->pw_name;
    const char* user = std::getenv("USER");
    return user ? user : "";
}

std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

} // namespace sheet
