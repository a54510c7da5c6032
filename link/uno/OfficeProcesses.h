#pragma once

// The LibreOffice processes of this user, and starting the office's launcher. No UNO here.

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace automation::uno {

/// A running office (soffice.bin) of this user, as its command line shows it.
struct OfficeProcess {
    pid_t pid = 0;
    /// The -env:UserInstallation URL it was started with; empty for the user's default profile.
    std::string profile;
    bool headless = false;
};

/// The offices this user runs on `profile` (empty: the user's default profile), oldest process id first.
std::vector<OfficeProcess> runningOffices(const std::string& profile = {});

/// The office's launcher, soffice, as found on PATH (or where LibreOffice was found at build time); empty when
/// LibreOffice is not installed.
std::string officeLauncher();

/// Whether this LibreOffice can show windows here: a display is set and a window-system plugin is installed.
bool officeHasWindows();

/// Runs `program` with `args` detached from this process (its own session, stdin and stdout on /dev/null), so
/// that it may outlive the program and never becomes a zombie of it. False when it cannot be started.
bool launchDetached(const std::string& program, const std::vector<std::string>& args);

/// Stops an office by process id: SIGTERM, then SIGKILL once `grace` has passed, while the id is an office's.
void stopOffice(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(10));

} // namespace automation::uno
