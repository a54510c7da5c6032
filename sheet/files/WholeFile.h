#pragma once

#include <string>

namespace sheet {

/// The bytes of the file at `path`, read with one allocation of its size. Throws FileError.
std::string readWholeFile(const std::string& path);

} // namespace sheet
