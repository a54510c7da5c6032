#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace sheet {

/// Writes a file so that a failure never damages the file already at `path`: `write` fills a temporary file
/// beside it, which then replaces it. Beyond that:
/// - a symbolic link at `path` is written through: the file it points to gets the new content, the link stays;
/// - the new file keeps the permissions of the file it replaces;
/// - an existing file this process may not write (read-only) is refused with ReadOnlyFile before anything is
///   written, and so is a folder it may not write into;
/// - the temporary file is flushed to the disk before the rename and the folder after it, so that a power failure
///   leaves the old file or the new one, never an empty one;
/// - temporary files of earlier saves of the same file whose process no longer runs (a save killed half way) are
///   removed first.
/// The temporary file is named after the target, this process's id and a counter ("NAME.tessavo-tmp.PID.N"); files
/// `write` makes from that name with a suffix of their own are removed with it. It is removed when `write` throws
/// or the replacement fails. Throws FileError (ReadOnlyFile), or what `write` throws.
void writeReplacing(const std::string& path, const std::function<void(const std::string& temporary)>& write);

/// The file a save to `path` writes: `path` itself, or the file its symbolic links lead to. Never throws.
std::filesystem::path saveTarget(const std::filesystem::path& path);

/// Removes the temporary files that saves of `path` left behind when they were killed half way: those of processes
/// that no longer run, and unnamed ones older than an hour. Returns how many were removed. Never throws.
int removeStaleTemporaries(const std::filesystem::path& path);

} // namespace sheet
