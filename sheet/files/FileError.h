#pragma once

#include <stdexcept>
#include <string>

namespace sheet {

/// A file that cannot be read or written. The message names the file and says what is wrong, in words the user
/// can act on; it is shown as it stands. Nothing half-read is ever returned with it.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Reading a file stopped because its progress callback asked to: nothing was read and nothing changed. Not a
/// FileError, since there is nothing to tell the user who cancelled.
class FileCancelled : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// "文件 “name” 无法打开: what" — the form every reading and writing failure takes.
FileError fileError(const std::string& path, const std::string& what);

} // namespace sheet
