#pragma once

// Window services of the Windows desktop that the window layer asks for by title or by handle. No Qt.

#include <string_view>

namespace platform::win {

/// Brings a visible top-level window of the desktop, of any process, to the foreground: the first whose title is
/// exactly `utf8Title`, otherwise the first whose title begins with it (titles compared as written). A minimised
/// window is restored first. Does not wait for the focus to arrive.
///
/// Returns false, changing nothing, when no window matches; true once a match was restored and raised, even if the
/// system kept the focus elsewhere (it may, to stop a background program stealing it).
/// Cost: one pass over the desktop's top-level windows. Example: `activateTopLevelWindow("工作簿1 - Excel")`.
bool activateTopLevelWindow(std::string_view utf8Title);

/// Keeps the window `hwnd` (an HWND) above all non-topmost windows, or returns it among them, without moving,
/// resizing or activating it. Returns whether the system did it; false for a null or dead handle.
bool setTopmost(void* hwnd, bool on);

} // namespace platform::win
