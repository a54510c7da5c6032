#include "ui/Twips.h"

namespace ui {

int twips(const QWidget& widget, int length)
{
    return layout::pixels(length, widget.logicalDpiX());
}

QRect twipsRect(const QWidget& widget, const layout::TwipsRect& rect)
{
    const layout::PixelRect r = layout::pixels(rect, widget.logicalDpiX(), widget.logicalDpiY());
    return {r.left, r.top, r.width, r.height};
}

} // namespace ui
