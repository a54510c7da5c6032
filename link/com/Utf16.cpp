#include "Utf16.h"

#include <windows.h>

#include <limits>
#include <new>

namespace automation::com {

std::wstring toUtf16(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    if (utf8.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::bad_alloc();
    const int inLength = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, out.data(), length);
    return out;
}

std::string toUtf8(std::wstring_view utf16)
{
    if (utf16.empty())
        return {};
    if (utf16.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::bad_alloc();
    const int inLength = static_cast<int>(utf16.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), inLength, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), inLength, out.data(), length, nullptr, nullptr);
    return out;
}

} // namespace automation::com
