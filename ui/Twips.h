#pragma once

#include <QRect>
#include <QWidget>

namespace ui {

/// Lengths in twips, 1440 to the inch, as the window layout gives them, turned into pixels at the logical resolution
/// of `widget`: 15 twips to the pixel at 96 dots per inch, 12 at 120. Edges are rounded, not sizes, so that
/// neighbouring controls stay flush at any scaling.
int twips(const QWidget& widget, int length);
QRect twipsRect(const QWidget& widget, int left, int top, int width, int height);

} // namespace ui
