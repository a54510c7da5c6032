// Where the toolkit knows the frame as soon as the native window exists: Windows.
#include "Placement.h"

namespace ui {

QMargins expectedFrameMargins(QWidget& window)
{
    return currentFrameMargins(window);
}

} // namespace ui
