#pragma once

#include "link/Desktop.h"

#include <windows.h>

namespace ui::win32 {

/// The desktop as the Win32 windows see it: modal message boxes owned by the program's active window, and
/// activation of any top-level window of the desktop by title.
class Win32Desktop final : public automation::Desktop {
public:
    /// The main window, which owns a box while it stays in front and the active window does not.
    void setMainWindow(HWND main) { m_main = main; }

    bool activateWindow(std::string_view title) override;

    /// The window a box shown now belongs to: the active window of this thread, or the main window while that is
    /// kept in front and the active one is not, so the box is never under it. Null when the program has none.
    HWND boxOwner() const;

protected:
    /// MessageBoxW with OK; style 64 shows the information icon.
    void showMessage(std::string_view text, std::string_view title, int style) override;

private:
    HWND m_main = nullptr;
};

} // namespace ui::win32
