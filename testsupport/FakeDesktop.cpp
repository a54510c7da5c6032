#include "testsupport/FakeDesktop.h"

#include <algorithm>

namespace testsupport {

bool FakeDesktop::activateWindow(std::string_view title)
{
    activations.emplace_back(title);
    auto it = std::find(windows.begin(), windows.end(), title);
    if (it == windows.end())
        it = std::find_if(windows.begin(), windows.end(), [&](const std::string& w) { return w.starts_with(title); });
    if (it == windows.end())
        return false;
    foreground = *it;
    return true;
}

void FakeDesktop::showMessage(std::string_view text, std::string_view title, int style)
{
    messages.push_back({std::string(text), std::string(title), style});
    if (onMessage)
        onMessage(messages.back());
}

} // namespace testsupport
