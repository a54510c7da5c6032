#include "Twips.h"

#include <QtMath>

namespace ui {

int twips(const QWidget& widget, int length)
{
    return qRound(length * widget.logicalDpiX() / 1440.0);
}

QRect twipsRect(const QWidget& widget, int left, int top, int width, int height)
{
    const double x = widget.logicalDpiX() / 1440.0;
    const double y = widget.logicalDpiY() / 1440.0;
    const int l = qRound(left * x);
    const int t = qRound(top * y);
    return {l, t, qRound((left + width) * x) - l, qRound((top + height) * y) - t};
}

} // namespace ui
