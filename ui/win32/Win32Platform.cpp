#include "Win32Platform.h"

#include "TopLevelWindows.h"
#include "Utf16.h"

namespace ui::win32 {

namespace {

bool keptInFront(HWND window)
{
    return window && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

} // namespace

bool Win32Platform::activateWindow(std::string_view title)
{
    return platform::win::activateTopLevelWindow(title);
}

HWND Win32Platform::boxOwner() const
{
    HWND active = GetActiveWindow(); // this thread's, or null
    const HWND main = m_main && IsWindow(m_main) ? m_main : nullptr;
    if (!active)
        return main;
    if (main && active != main && keptInFront(main) && !keptInFront(active))
        return main;
    return active;
}

void Win32Platform::showMessage(std::string_view text, std::string_view title, int style)
{
    const UINT type = MB_OK | (style == automation::kStyleInformation ? MB_ICONINFORMATION : 0);
    MessageBoxW(boxOwner(), automation::com::toUtf16(text).c_str(), automation::com::toUtf16(title).c_str(), type);
}

} // namespace ui::win32
