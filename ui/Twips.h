#pragma once

#include "ui/rules/Layout.h"

#include <QRect>
#include <QWidget>

namespace ui {

/// Twips of the layout in pixels at the logical resolution of `widget` (see layout::pixels).
int twips(const QWidget& widget, int length);
QRect twipsRect(const QWidget& widget, const layout::TwipsRect& rect);

} // namespace ui
