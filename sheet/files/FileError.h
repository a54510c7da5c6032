#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace sheet {

/// A file that cannot be read or written. The message names the file and says what is wrong, in words the user
/// can act on; it is shown as it stands. Nothing half-read is ever returned with it.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A file this program may not write (read-only, or a folder it may not write into). Nothing was written.
class ReadOnlyFile : public FileError {
public:
    using FileError::FileError;
};

/// Reading or writing a file stopped because its progress callback asked to: nothing was read, and a file being
/// written was left as it was. Not a FileError, since there is nothing to tell the user who cancelled.
class FileCancelled : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// "文件 “name” 无法打开: what" — the form every reading and writing failure takes.
FileError fileError(const std::string& path, const std::string& what);

/// What a system error means, in Chinese for the ones a user meets ("没有权限", "磁盘空间不足", ...), with the
/// system's own words only for the rare others.
std::string systemErrorText(const std::error_code& error);

} // namespace sheet
