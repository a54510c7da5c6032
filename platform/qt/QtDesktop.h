#pragma once

#include "link/Desktop.h"

class QWidget;

namespace platform::qt {

/// The desktop as the Qt windows see it: modal message boxes, activation of this program's own top-level windows by
/// title (the toolkit reaches no other program's), and keeping a window on top.
class QtDesktop final : public automation::Desktop {
public:
    /// Raises and activates the visible top-level window titled `title`, or else the first whose title begins with
    /// it; a minimised window is restored first. O(top-level windows).
    bool activateWindow(std::string_view title) override;

    /// Keeps `window` above the windows that are not kept on top (`on`), or returns it to the normal order. Never
    /// moves, resizes, hides or activates it, so the window keeps its place and state. Failures are silent: the
    /// window keeps its previous place in the order.
    static void setStayOnTop(QWidget& window, bool on);
    /// Whether `window` is asked to stay above other windows.
    static bool isStayOnTop(const QWidget& window);

protected:
    /// A modal box: style 64 shows the information icon, 0 none; OK is the only button.
    void showMessage(std::string_view text, std::string_view title, int style) override;
};

} // namespace platform::qt
