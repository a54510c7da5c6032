// GB18030 through Windows' code page 54936.
#include "sheet/files/TextCodec.h"

#include <windows.h>

namespace sheet {

std::optional<std::string> gb18030ToUtf8(std::string_view bytes)
{
    if (bytes.empty())
        return std::string();
    const int size = static_cast<int>(bytes.size());
    const int wide = MultiByteToWideChar(54936, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (wide <= 0)
        return std::nullopt;
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(54936, MB_ERR_INVALID_CHARS, bytes.data(), size, w.data(), wide);
    const int narrow = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), narrow, nullptr, nullptr);
    return out;
}

} // namespace sheet
