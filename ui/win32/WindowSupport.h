#pragma once

#include "ui/rules/Layout.h"

#include <windows.h>

namespace ui::win32 {

/// The screen's logical pixels per inch, horizontally and vertically.
struct Resolution {
    int x;
    int y;
};
Resolution screenResolution();
/// The resolution of the screen `window` is on, where the system tells it per window (Windows 10 and later),
/// else the screen's.
Resolution windowResolution(HWND window);
/// Sizes `window` so that its client area is `client`, whatever its frame is at the resolution it is on now; its
/// top-left corner moves to `topLeft` when given.
void setClientSize(HWND window, SIZE client, const POINT* topLeft = nullptr);

/// 宋体 at `points`, regular weight, GB2312 character set; the caller deletes it.
HFONT createSongti(double points, int dotsPerInchY);

/// Registers, once per process, a window class of the program's windows: its icon, the arrow, the dialog colour.
void registerWindowClass(const wchar_t* name);

/// The style of both windows: a fixed single-line frame with a title bar, a system menu and a minimize button.
inline constexpr DWORD kFixedWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

/// The outer rectangle of a window of kFixedWindowStyle whose client area is `client`, centred on the rectangle
/// `on` and kept inside the work area of the screen that holds it.
RECT centredWindowRect(SIZE client, const RECT& on);
/// The work area of the screen under `window`, or of the primary screen when `window` is null.
RECT workArea(HWND window);

inline RECT toRect(const layout::PixelRect& r)
{
    return {r.left, r.top, r.left + r.width, r.top + r.height};
}

} // namespace ui::win32
