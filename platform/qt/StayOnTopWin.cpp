// Staying on top on Windows: the window's place in the stacking order changes, its position and size do not.
#include "StayOnTop.h"

#include "TopLevelWindows.h"

#include <QVariant>
#include <QWidget>

namespace platform::qt {

namespace {
constexpr char kTopmost[] = "tessavoTopmost";
}

void setStayOnTop(QWidget& window, bool on)
{
    window.setProperty(kTopmost, on);
    // Before the window exists the toolkit's hint carries the wish into its creation.
    if (!window.testAttribute(Qt::WA_WState_Created)) {
        window.setWindowFlag(Qt::WindowStaysOnTopHint, on);
        return;
    }
    platform::win::setTopmost(reinterpret_cast<void*>(window.winId()), on);
}

bool isStayOnTop(const QWidget& window)
{
    return window.property(kTopmost).toBool();
}

} // namespace platform::qt
