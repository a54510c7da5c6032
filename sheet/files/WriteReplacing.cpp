#include "WriteReplacing.h"

#include "FileError.h"
#include "FilePath.h"

#include <filesystem>

namespace sheet {

void writeReplacing(const std::string& path, const std::function<void(const std::string& temporary)>& write)
{
    namespace fs = std::filesystem;
    const std::string temporary = path + ".tessavo-tmp";
    const fs::path temporaryFile = filePath(temporary);
    std::error_code ignored;
    try {
        write(temporary);
    } catch (...) {
        fs::remove(temporaryFile, ignored);
        throw;
    }
    std::error_code ec;
    fs::rename(temporaryFile, filePath(path), ec);
    if (ec) {
        fs::remove(temporaryFile, ignored);
        throw fileError(path, "无法保存: " + ec.message());
    }
}

} // namespace sheet
