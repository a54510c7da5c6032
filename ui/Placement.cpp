#include "ui/Placement.h"

#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

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

// From the first showing of its window, looks for the frame every 20 ms for a second, and centres the window by it
// once it is known.
class CentreWhenFramed final : public QObject {
public:
    explicit CentreWhenFramed(QWidget* window) : QObject(window), m_window(window)
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, &CentreWhenFramed::look);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Show && !m_timer.isActive() && m_ticks == 0)
            m_timer.start();
        return false;
    }

private:
    void look()
    {
        const QMargins frame = currentFrameMargins(*m_window);
        if (!frame.isNull())
            placeCentred(*m_window, frame);
        if (!frame.isNull() || ++m_ticks >= 50) {
            m_timer.stop();
            m_window->removeEventFilter(this);
            deleteLater();
        }
    }

    QWidget* m_window;
    QTimer m_timer;
    int m_ticks = 0;
};

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
    // Not known in advance: centre again once the window manager has framed the shown window.
    window.installEventFilter(new CentreWhenFramed(&window));
}

} // namespace ui
