#pragma once

#include "link/Desktop.h"

#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

/// A platform that records what it was asked and never blocks: message boxes return at once.
class FakeDesktop final : public automation::Desktop {
public:
    struct Message {
        std::string text;
        std::string title;
        int style;
        bool operator==(const Message&) const = default;
        // Failures show the text, not the bytes.
        friend std::ostream& operator<<(std::ostream& out, const Message& m)
        {
            return out << '"' << m.text << "\" / \"" << m.title << "\" / " << m.style;
        }
    };

    /// Titles of the windows that exist; activation matches them as the real platform does.
    std::vector<std::string> windows;
    std::vector<Message> messages;
    /// Every activation asked for, whether a window matched or not.
    std::vector<std::string> activations;
    /// The window activated last, empty when none.
    std::string foreground;
    /// Runs while a message box is "open", as a user might act meanwhile.
    std::function<void(const Message&)> onMessage;

    bool activateWindow(std::string_view title) override;

protected:
    void showMessage(std::string_view text, std::string_view title, int style) override;
};

} // namespace testsupport
