#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sheet {

/// What the program asks of the file system beyond std::filesystem, one implementation per platform. None of these
/// throws; each says what it could not do by its result.

/// Writes what the system holds of the file at `path` to the disk (fsync, FlushFileBuffers). False on failure.
bool flushFile(const std::filesystem::path& path);
/// Writes the folder `folder` itself to the disk, so that a file renamed into it stays renamed after a power
/// failure. Where the system has no such call, does nothing and returns true.
bool flushFolder(const std::filesystem::path& folder);
/// Whether this process may write to the existing file or folder at `path` (its permissions and a read-only file
/// system). A file that nobody may write counts as read-only also for the administrator.
bool mayWrite(const std::filesystem::path& path);
/// Makes a new, empty file at `path` that only its owner may read and write, failing when one exists already.
bool createPrivateFile(const std::filesystem::path& path);
/// Gives the file `to` the permissions, owner and group of the file `from`, as far as this process may; with no
/// `from`, the permissions a new file gets by the user's defaults. Best effort: says nothing of what it could not.
void takeModeAndOwner(const std::filesystem::path& to, const std::filesystem::path* from);
/// This process's id, and whether the process `id` still runs on this machine.
long currentProcessId();
bool processRuns(long id);
/// A process holds a lock of the whole file or part of it (POSIX record locks, as office programs take on an open
/// document; LockFileEx on Windows): another one, or this one through holdLock. Nothing when the file cannot be
/// checked.
std::optional<bool> lockedByAnotherProcess(const std::filesystem::path& path);
/// Opens the file at `path`, making it when there is none but never emptying it, and holds a lock on it until
/// releaseLock, so that other processes see it taken (lockedByAnotherProcess) while they can still read it; the
/// lock goes with the process, however it ends. Returns a handle, or -1 when another holds the lock already or the
/// file cannot be opened. Checking the file from this process does not release the lock.
std::intptr_t holdLock(const std::filesystem::path& path);
/// Replaces what the locked file of `handle` holds with `content`; false when it could not be written whole.
bool replaceContent(std::intptr_t handle, std::string_view content);
void releaseLock(std::intptr_t handle);
/// The local time now as lock files of office programs write it, "09.12.2026 14:05".
std::string localTimeText();
/// The user's login name and the machine's name, as lock files record them; empty when unknown.
std::string userName();
std::string hostName();

} // namespace sheet
