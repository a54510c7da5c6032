#include "sheet/files/FilePath.h"

namespace sheet {

std::filesystem::path filePath(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace sheet
