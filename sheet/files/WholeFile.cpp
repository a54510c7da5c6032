#include "sheet/files/WholeFile.h"

#include "sheet/files/FileError.h"
#include "sheet/files/FilePath.h"

#include <cerrno>
#include <fstream>

namespace sheet {

std::string readWholeFile(const std::string& path)
{
    const std::filesystem::path file = filePath(path);
    std::error_code ignored;
    if (std::filesystem::is_directory(file, ignored))
        throw fileError(path, "这是一个文件夹,不是文件。");
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int cause = errno;
        throw fileError(path, "无法打开: " +
                                  (cause != 0 ? systemErrorText(std::error_code(cause, std::generic_category()))
                                              : std::string("文件不存在或没有权限")) +
                                  "。");
    }
    std::string bytes;
    in.seekg(0, std::ios::end);
    if (const std::streamoff size = in.tellg(); size > 0)
        bytes.reserve(static_cast<std::size_t>(size));
    in.seekg(0, std::ios::beg);
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        throw fileError(path, "读取失败。");
    return bytes;
}

} // namespace sheet
