#pragma once

#include <QMargins>

class QWidget;

namespace ui {

/// Places the window `window`, not yet shown, so that its whole outer frame (title bar and borders included) is
/// centred on the available area of its screen. Where the frame is known only once the window is shown (a window
/// manager that cannot tell it in advance), the window is centred again when it is, within the first second after
/// the window is first shown.
void centreOnScreen(QWidget& window);

/// The frame around `window` as the toolkit knows it now; null margins while it knows none.
QMargins currentFrameMargins(const QWidget& window);

/// The frame the window system will put around `window` (created, not necessarily shown), or null margins when it
/// cannot tell in advance. Asks the window manager where it has to and waits for it at most a fifth of a second.
/// One implementation per platform.
QMargins expectedFrameMargins(QWidget& window);

} // namespace ui
