#include "ui/win32/WindowSupport.h"

#include "ui/win32/Resources.h"

#include <algorithm>

namespace ui::win32 {

void registerWindowClass(const wchar_t* name)
{
    // A class registered already is the same class: nothing to do.
    WNDCLASSEXW c{};
    c.cbSize = sizeof(c);
    c.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); };
    c.hInstance = GetModuleHandleW(nullptr);
    if (GetClassInfoExW(c.hInstance, name, &c))
        return;
    c.cbSize = sizeof(c);
    c.hIcon = LoadIconW(c.hInstance, MAKEINTRESOURCEW(TESSAVO_ICON));
    c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = name;
    RegisterClassExW(&c);
}

Resolution screenResolution()
{
    HDC screen = GetDC(nullptr);
    const Resolution r{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
    ReleaseDC(nullptr, screen);
    return {r.x > 0 ? r.x : 96, r.y > 0 ? r.y : 96};
}

namespace {

// Functions of newer systems, looked up so that the program still starts on older ones.
template <class Function> Function fromUser32(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

} // namespace

Resolution windowResolution(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = fromUser32<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        const int dpi = static_cast<int>(getDpiForWindow(window));
        if (dpi > 0)
            return {dpi, dpi};
    }
    return screenResolution();
}

void setClientSize(HWND window, SIZE client, const POINT* topLeft)
{
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (!topLeft)
        flags |= SWP_NOMOVE;
    // Measured, not computed: the frame is the one the system draws at this resolution, which may not be the one
    // it would compute for it.
    RECT outer{};
    RECT inner{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &inner);
    const int width = outer.right - outer.left - inner.right + client.cx;
    const int height = outer.bottom - outer.top - inner.bottom + client.cy;
    SetWindowPos(window, nullptr, topLeft ? topLeft->x : 0, topLeft ? topLeft->y : 0, width, height, flags);
}

HFONT createSongti(double points, int dotsPerInchY)
{
    // A negative height asks for the character height, as a point size means.
    return CreateFontW(-layout::fontPixels(points, dotsPerInchY), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}

RECT workArea(HWND window)
{
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                              : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (monitor && GetMonitorInfoW(monitor, &info))
        return info.rcWork;
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

RECT centredWindowRect(SIZE client, const RECT& on)
{
    RECT outer{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&outer, kFixedWindowStyle, FALSE, 0);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    int left = on.left + (on.right - on.left - width) / 2;
    int top = on.top + (on.bottom - on.top - height) / 2;
    // Never pushed off the screen it opens on.
    HMONITOR monitor = MonitorFromRect(&on, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (monitor && GetMonitorInfoW(monitor, &info)) {
        const RECT& area = info.rcWork;
        left = std::clamp(left, static_cast<int>(area.left), std::max<int>(area.left, area.right - width));
        top = std::clamp(top, static_cast<int>(area.top), std::max<int>(area.top, area.bottom - height));
    }
    return {left, top, left + width, top + height};
}

} // namespace ui::win32
