#include "ui/win32/Win32Desktop.h"

#include "link/com/WideText.h"
#include "platform/win/TopLevelWindows.h"

#include <vector>

namespace ui::win32 {

namespace {

bool keptInFront(HWND window)
{
    return window && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

} // namespace

bool Win32Desktop::activateWindow(std::string_view title)
{
    return platform::win::activateTopLevelWindow(title);
}

HWND Win32Desktop::boxOwner() const
{
    HWND active = GetActiveWindow(); // this thread's, or null
    const HWND main = m_main && IsWindow(m_main) ? m_main : nullptr;
    if (!active)
        return main;
    if (main && active != main && keptInFront(main) && !keptInFront(active))
        return main;
    return active;
}

void Win32Desktop::showMessage(std::string_view text, std::string_view title, int style)
{
    const UINT type = MB_OK | (style == automation::kStyleInformation ? MB_ICONINFORMATION : 0);
    HWND owner = boxOwner();
    // Modal to the whole program, not only to its owner: no other window of it takes a click meanwhile (the
    // donation window closing the box's owner under it, the main window starting a second edit).
    std::vector<HWND> disabled;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) -> BOOL {
            if (IsWindowVisible(window) && IsWindowEnabled(window))
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled));
    std::erase(disabled, owner);
    for (HWND window : disabled)
        EnableWindow(window, FALSE);
    MessageBoxW(owner, automation::com::toUtf16(text).c_str(), automation::com::toUtf16(title).c_str(), type);
    for (HWND window : disabled)
        if (IsWindow(window))
            EnableWindow(window, TRUE);
}

} // namespace ui::win32
