#include "link/uno/OfficeProcesses.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace automation::uno {

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> commandLine(pid_t pid)
{
    const std::string raw = readFile("/proc/" + std::to_string(pid) + "/cmdline");
    std::vector<std::string> args;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < raw.size(); ++i)
        if (raw[i] == '\0') {
            args.push_back(raw.substr(begin, i - begin));
            begin = i + 1;
        }
    return args;
}

bool alive(pid_t pid)
{
    // A zombie has given up its office already.
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

} // namespace

std::vector<OfficeProcess> runningOffices(const std::string& profile)
{
    std::vector<OfficeProcess> out;
    DIR* proc = opendir("/proc");
    if (!proc)
        return out;
    const uid_t me = getuid();
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        struct stat info {};
        if (stat(dir.c_str(), &info) != 0 || info.st_uid != me)
            continue;
        std::string comm = readFile(dir + "/comm");
        if (!comm.empty() && comm.back() == '\n')
            comm.pop_back();
        if (comm != "soffice.bin" || !alive(static_cast<pid_t>(pid)))
            continue;
        OfficeProcess office{static_cast<pid_t>(pid), {}, false};
        for (const std::string& arg : commandLine(office.pid)) {
            constexpr std::string_view kProfile = "-env:UserInstallation=";
            if (arg.starts_with(kProfile))
                office.profile = arg.substr(kProfile.size());
            else if (arg == "--headless" || arg == "-headless")
                office.headless = true;
        }
        if (office.profile == profile)
            out.push_back(office);
    }
    closedir(proc);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
    return out;
}

std::string officeLauncher()
{
    if (const char* path = std::getenv("PATH")) {
        std::istringstream dirs(path);
        for (std::string dir; std::getline(dirs, dir, ':');)
            if (!dir.empty() && access((dir + "/soffice").c_str(), X_OK) == 0)
                return dir + "/soffice";
    }
    const std::string built = std::string(TESSAVO_LIBREOFFICE_PROGRAM) + "/soffice";
    return access(built.c_str(), X_OK) == 0 ? built : std::string();
}

bool officeHasWindows()
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland))
        return false;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(TESSAVO_LIBREOFFICE_PROGRAM, ec)) {
        const std::string name = entry.path().filename().string();
        // The headless plugin (svp) draws nowhere; any other window-system plugin shows windows.
        if (name.starts_with("libvclplug_") && !name.starts_with("libvclplug_svp"))
            return true;
    }
    return false;
}

bool launchDetached(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return false;
    const pid_t child = fork();
    if (child < 0) {
        close(ready[0]);
        close(ready[1]);
        return false;
    }
    if (child == 0) {
        // The middle process leaves at once, so the launcher is nobody's child here.
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0)
            _exit(grandchild < 0 ? 1 : 0);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        // The office outlives the program: it takes none of the program's files along, the report pipe aside.
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != ready[1])
                close(fd);
        execv(program.c_str(), argv.data());
        const char failed = 1;
        [[maybe_unused]] auto n = write(ready[1], &failed, 1);
        _exit(127);
    }
    close(ready[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    char failed = 0;
    ssize_t got = 0;
    while ((got = read(ready[0], &failed, 1)) < 0 && errno == EINTR) {
    }
    const bool execFailed = got == 1; // EOF: the exec closed the pipe
    close(ready[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && !execFailed;
}

void stopOffice(pid_t pid, std::chrono::milliseconds grace)
{
    // Only while the process id is still an office's: a reused id may be anyone's.
    const auto stillOffice = [pid] {
        std::string comm = readFile("/proc/" + std::to_string(pid) + "/comm");
        return alive(pid) && comm.starts_with("soffice.bin");
    };
    if (pid <= 0 || !stillOffice())
        return;
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (stillOffice() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (stillOffice())
        kill(pid, SIGKILL);
}

} // namespace automation::uno
