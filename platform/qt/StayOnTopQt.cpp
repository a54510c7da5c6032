// Staying on top where the toolkit's window hint serves: X11, Wayland and the offscreen platform.
#include "platform/qt/StayOnTop.h"

#include <QWidget>
#include <QWindow>

namespace platform::qt {

void setStayOnTop(QWidget& window, bool on)
{
    if (QWindow* handle = window.windowHandle()) {
        // Changing the native window's hint updates its state in place; QWidget::setWindowFlags would recreate
        // the window, which hides it and makes it flicker and move.
        handle->setFlag(Qt::WindowStaysOnTopHint, on);
        return;
    }
    // Not created yet: the hint becomes part of the window when it is first shown.
    window.setWindowFlag(Qt::WindowStaysOnTopHint, on);
}

bool isStayOnTop(const QWidget& window)
{
    if (const QWindow* handle = window.windowHandle())
        return handle->flags().testFlag(Qt::WindowStaysOnTopHint);
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace platform::qt
