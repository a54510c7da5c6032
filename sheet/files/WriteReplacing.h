#pragma once

#include <functional>
#include <string>

namespace sheet {

/// Writes a file so that a failure never damages the file already at `path`: `write` fills a temporary file
/// beside it, which then replaces `path`. The temporary file is removed when `write` throws or the replacement
/// fails. Throws FileError, or what `write` throws.
void writeReplacing(const std::string& path, const std::function<void(const std::string& temporary)>& write);

} // namespace sheet
