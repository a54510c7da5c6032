// Activation over every top-level window of the desktop, the spreadsheet application's among them.
#include "Activation.h"

#include "TopLevelWindows.h"

namespace ui {

bool activateTopLevel(std::string_view title)
{
    return platform::win::activateTopLevelWindow(title);
}

} // namespace ui
