#pragma once

class QWidget;

namespace platform::qt {

/// Keeps `window` above the windows that are not kept on top (`on`), or returns it to the normal order. Never moves,
/// resizes, hides or activates it, so the window keeps its place and state. Failures are silent: the window keeps
/// its previous place in the order. One implementation per platform.
void setStayOnTop(QWidget& window, bool on);
/// Whether `window` is asked to stay above other windows.
bool isStayOnTop(const QWidget& window);

} // namespace platform::qt
