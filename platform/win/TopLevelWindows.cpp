#include "platform/win/TopLevelWindows.h"

#include "text/Utf16.h"

#include <windows.h>

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

} // namespace

bool activateTopLevelWindow(std::string_view utf8Title)
{
    const std::wstring wanted = text::toUtf16<wchar_t>(utf8Title);
    std::vector<TitledWindow> windows;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&windows));

    const TitledWindow* match = nullptr;
    for (const TitledWindow& w : windows)
        if (w.title == wanted) {
            match = &w;
            break;
        }
    if (!match)
        for (const TitledWindow& w : windows)
            if (w.title.starts_with(wanted)) {
                match = &w;
                break;
            }
    if (!match)
        return false;
    bringToFront(match->hwnd);
    return true;
}

bool setTopmost(void* hwnd, bool on)
{
    const HWND window = static_cast<HWND>(hwnd);
    if (!window || !IsWindow(window))
        return false;
    return SetWindowPos(window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER) != FALSE;
}

} // namespace platform::win
