#pragma once

#include <string_view>

namespace ui {

/// Brings the top-level window titled `title` to the foreground: an exact match first, else the first whose title
/// begins with it; a minimised window is restored. Searches this program's windows, or on Windows every window of
/// the desktop. Returns false when none matches. One implementation per platform.
bool activateTopLevel(std::string_view title);

} // namespace ui
