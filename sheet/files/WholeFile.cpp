#include "WholeFile.h"

#include "FileError.h"

#include <cstdio>
#include <memory>

namespace sheet {

std::string readWholeFile(const std::string& path)
{
    std::unique_ptr<std::FILE, decltype(&std::fclose)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f)
        throw fileError(path, "无法打开(文件不存在或没有权限)。");
    std::string bytes;
    if (std::fseek(f.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(f.get());
        if (size > 0)
            bytes.reserve(static_cast<std::size_t>(size));
        std::rewind(f.get());
    }
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0)
        bytes.append(buffer, n);
    if (std::ferror(f.get()))
        throw fileError(path, "读取失败。");
    return bytes;
}

} // namespace sheet
