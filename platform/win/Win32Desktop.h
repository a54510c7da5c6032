#pragma once

#include "link/Desktop.h"

#include <windows.h>

namespace platform::win {

/// The desktop as the Win32 windows see it: modal message boxes owned by the program's active window, activation of
/// any top-level window of the desktop by title, and keeping a window on top. No Qt.
class Win32Desktop final : public automation::Desktop {
public:
    /// The main window, which owns a box while it stays in front and the active window does not.
    void setMainWindow(HWND main) { m_main = main; }

    /// Brings a visible top-level window of the desktop, of any process, to the foreground: the first whose title is
    /// exactly `title`, otherwise the first whose title begins with it (titles compared as written). A minimised
    /// window is restored first. Does not wait for the focus to arrive.
    ///
    /// Returns false, changing nothing, when no window matches; true once a match was restored and raised, even if
    /// the system kept the focus elsewhere (it may, to stop a background program stealing it).
    /// Cost: one pass over the desktop's top-level windows. Example: `activateWindow("工作簿1 - Excel")`.
    bool activateWindow(std::string_view title) override;

    /// Keeps `window` above all non-topmost windows, or returns it among them, without moving, resizing or
    /// activating it. Returns whether the system did it; false for a null or dead handle.
    static bool setTopmost(HWND window, bool on);

    /// The window a box shown now belongs to: the active window of this thread, or the main window while that is
    /// kept in front and the active one is not, so the box is never under it. Null when the program has none.
    HWND boxOwner() const;

protected:
    /// MessageBoxW with OK; style 64 shows the information icon.
    void showMessage(std::string_view text, std::string_view title, int style) override;

private:
    HWND m_main = nullptr;
};

} // namespace platform::win
