#pragma once

class QDialog;
class QWidget;

namespace platform::qt {

/// The window a modal dialog belongs to: the program's active window, else the top-level window of `asked`; but while
/// a window of the program stays on top and that one does not, the window that stays on top. Else any visible window
/// of the program; null when it shows none. O(top-level windows).
QWidget* dialogOwner(QWidget* asked = nullptr);

/// Prepares `dialog`, not yet shown, so that no window of the program can hide it: it belongs to
/// dialogOwner(asked, or else its parent), so the window system keeps it above that window and places it there, and
/// it stays on top itself when that window does.
void ownDialog(QDialog& dialog, QWidget* asked = nullptr);

} // namespace platform::qt
