#include "WriteReplacing.h"

#include "FileError.h"

#include <filesystem>

namespace sheet {

void writeReplacing(const std::string& path, const std::function<void(const std::string& temporary)>& write)
{
    namespace fs = std::filesystem;
    const std::string temporary = path + ".tessavo-tmp";
    std::error_code ignored;
    try {
        write(temporary);
    } catch (...) {
        fs::remove(temporary, ignored);
        throw;
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ignored);
        throw fileError(path, "无法保存: " + ec.message());
    }
}

} // namespace sheet
