#pragma once

#include <string_view>

namespace automation {

/// The program's title: the main window's caption and the title of message boxes that have none of their own.
inline constexpr std::string_view kProgramTitle = "Tessavo";

/// Message-box styles: OK only, or OK with an information icon.
inline constexpr int kStyleOkOnly = 0;
inline constexpr int kStyleInformation = 64;

/// What the link and the operations ask of the user's desktop. Implemented by the window layer on each platform
/// and by a recording fake in tests.
class Desktop {
public:
    virtual ~Desktop() = default;

    /// Shows a modal message box and returns when the user has closed it. An empty title shows kProgramTitle.
    void messageBox(std::string_view text, std::string_view title, int style)
    {
        showMessage(text, title.empty() ? kProgramTitle : title, style);
    }

    /// Brings the top-level window titled `title` to the foreground without waiting for this program to hold the
    /// focus: an exact match first, otherwise the first window whose title begins with `title`.
    /// Returns false, changing nothing, when no window matches.
    virtual bool activateWindow(std::string_view title) = 0;

protected:
    virtual void showMessage(std::string_view text, std::string_view title, int style) = 0;
};

} // namespace automation
