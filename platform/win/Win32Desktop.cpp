#include "platform/win/Win32Desktop.h"

#include "text/Utf16.h"

#include <algorithm>
#include <string>
#include <vector>

namespace platform::win {

namespace {

struct TitledWindow {
    HWND hwnd;
    std::wstring title;
};

BOOL CALLBACK collect(HWND hwnd, LPARAM context)
{
    if (!IsWindowVisible(hwnd))
        return TRUE;
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
    title.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, title.data(), length + 1)));
    reinterpret_cast<std::vector<TitledWindow>*>(context)->push_back({hwnd, std::move(title)});
    return TRUE;
}

void bringToFront(HWND hwnd)
{
    if (IsIconic(hwnd))
        ShowWindow(hwnd, SW_RESTORE);
    if (SetForegroundWindow(hwnd))
        return;
    // The system lets only the foreground thread hand the foreground on; joining its input queue for the moment
    // makes this program's request count as that thread's.
    const HWND current = GetForegroundWindow();
    const DWORD foregroundThread = current ? GetWindowThreadProcessId(current, nullptr) : 0;
    const DWORD ownThread = GetCurrentThreadId();
    const bool attached =
        foregroundThread != 0 && foregroundThread != ownThread && AttachThreadInput(ownThread, foregroundThread, TRUE);
    BringWindowToTop(hwnd);
    SetForegroundWindow(hwnd);
    if (attached)
        AttachThreadInput(ownThread, foregroundThread, FALSE);
}

bool keptInFront(HWND window)
{
    return window && (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

} // namespace

bool Win32Desktop::activateWindow(std::string_view title)
{
    const std::wstring wanted = text::toUtf16<wchar_t>(title);
    std::vector<TitledWindow> windows;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&windows));
    auto match = std::find_if(windows.begin(), windows.end(), [&](const TitledWindow& w) { return w.title == wanted; });
    if (match == windows.end())
        match = std::find_if(windows.begin(), windows.end(),
                             [&](const TitledWindow& w) { return w.title.starts_with(wanted); });
    if (match == windows.end())
        return false;
    bringToFront(match->hwnd);
    return true;
}

bool Win32Desktop::setTopmost(HWND window, bool on)
{
    if (!window || !IsWindow(window))
        return false;
    return SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER) != FALSE;
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
    MessageBoxW(owner, ::text::toUtf16<wchar_t>(text).c_str(), ::text::toUtf16<wchar_t>(title).c_str(), type);
    for (HWND window : disabled)
        if (IsWindow(window))
            EnableWindow(window, TRUE);
}

} // namespace platform::win
