#include "Placement.h"

#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace ui {

namespace {

void placeCentred(QWidget& window, const QMargins& frame)
{
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    const QSize outer = window.size().grownBy(frame);
    const QPoint centre = screen->availableGeometry().center();
    const QPoint outerTopLeft(centre.x() - (outer.width() - 1) / 2, centre.y() - (outer.height() - 1) / 2);
    // The client area is placed, not the frame: how a toolkit treats a frame position it does not know yet
    // differs between window systems.
    window.setGeometry(QRect(outerTopLeft + QPoint(frame.left(), frame.top()), window.size()));
}

} // namespace

QMargins currentFrameMargins(const QWidget& window)
{
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void centreOnScreen(QWidget& window)
{
    window.winId(); // the frame is asked for the native window
    const QMargins frame = expectedFrameMargins(window);
    placeCentred(window, frame);
    if (!frame.isNull())
        return;
    // Not known in advance: centre again once the window manager has framed the window, checking for a second.
    QPointer<QWidget> guard(&window);
    auto* timer = new QTimer(&window);
    timer->setInterval(20);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, &window, [guard, timer, ticks] {
        if (!guard || ++*ticks > 50) {
            timer->deleteLater();
            return;
        }
        if (!guard->isVisible())
            return;
        const QMargins known = currentFrameMargins(*guard);
        if (known.isNull())
            return;
        placeCentred(*guard, known);
        timer->deleteLater();
    });
    timer->start();
}

} // namespace ui
