#pragma once

#include <filesystem>
#include <string>

namespace sheet {

/// The file named by `utf8`, the form every path takes in this program. Going through char8_t keeps the name
/// intact on Windows too, where a narrow path would be read in the ANSI code page and lose Chinese names.
/// (libzip reads its narrow names as UTF-8 on every platform already.)
std::filesystem::path filePath(const std::string& utf8);

} // namespace sheet
