#include "link/com/Bstr.h"

#include "link/com/WideText.h"

#include <new>

namespace automation::com {

Bstr::Bstr(std::string_view utf8)
{
    const std::wstring wide = toUtf16(utf8);
    m_s = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!m_s)
        throw std::bad_alloc();
}

void Bstr::reset(BSTR s) noexcept
{
    if (BSTR old = std::exchange(m_s, s))
        SysFreeString(old);
}

std::string Bstr::toUtf8(BSTR s)
{
    return s ? com::toUtf8(std::wstring_view(s, SysStringLen(s))) : std::string();
}

} // namespace automation::com
