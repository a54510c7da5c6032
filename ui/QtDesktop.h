#pragma once

#include "link/Desktop.h"

namespace ui {

/// The desktop as the Qt windows see it: modal message boxes and activation of this program's own top-level
/// windows by title.
class QtDesktop final : public automation::Desktop {
public:
    /// Raises and activates the visible top-level window titled `title`, or else the first whose title begins with
    /// it; a minimised window is restored first.
    bool activateWindow(std::string_view title) override;

protected:
    /// A modal box: style 64 shows the information icon, 0 none; OK is the only button.
    void showMessage(std::string_view text, std::string_view title, int style) override;
};

} // namespace ui
