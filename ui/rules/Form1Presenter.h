#pragma once

#include "link/Desktop.h"
#include "link/Module1.h"
#include "ui/rules/Layout.h"

#include <string>

namespace ui {

/// What the main window's behaviour needs of a window toolkit. Each view maps the ids of the layout to its own
/// controls and reports their events to a Form1Presenter.
class Form1View {
public:
    virtual ~Form1View() = default;

    virtual std::string text(layout::Id box) const = 0;
    virtual void setText(layout::Id box, std::string_view text) = 0;
    /// The length of a box's text in the toolkit's characters (UTF-16 units on both toolkits).
    virtual int textLength(layout::Id box) const = 0;
    virtual void select(layout::Id box, int start, int length) = 0;

    /// Check1: 0 clear, 1 ticked, 2 greyed. Setting it must not report a change back: the presenter acts on it.
    virtual int checkState() const = 0;
    virtual void setCheckState(int state) = 0;
    /// Keeps the main window above other windows, or returns it to the normal order; position and size stay.
    virtual void setTopmost(bool on) = 0;

    /// The donation window: made once, shown modeless without an owner, unloaded (closed, its controls gone) and
    /// loaded again when shown next. Unloading a window that is not loaded does nothing.
    virtual void createDonationWindow() = 0;
    virtual void showDonationWindow() = 0;
    virtual void unloadDonationWindow() = 0;

    /// Unloads the main window; the view then reports unloading().
    virtual void closeMainWindow() = 0;
};

/// The main window's behaviour, once for every toolkit: the load step, select-all on focus, the keep-in-front box,
/// the donation window, exit, and the four bulk edits behind the group buttons. Runs on the UI thread.
class Form1Presenter {
public:
    Form1Presenter(Form1View& view, automation::Module1& module, automation::Desktop& desktop)
        : m_view(view), m_module(module), m_desktop(desktop)
    {}

    /// Before the window is first shown: empties the boxes that hold placeholders and ticks Check1, which keeps the
    /// window in front from the start.
    void load();
    /// A control gained the focus, by the keyboard, a click or the program.
    void focusGained(layout::Id control);
    /// Check1's state was changed by the user.
    void check1Changed();
    /// Sets Check1's state as the user would, with its effect.
    void setCheck1(int state);
    /// A button was pressed. Nothing happens while a bulk edit is running.
    void clicked(layout::Id button);
    /// The main window is being unloaded, for whatever cause; never refused.
    void unloading();

    bool donationWindowCreated() const { return m_donationCreated; }
    /// Whether a bulk edit is running. Its calls to the spreadsheet and its message boxes let the window's events
    /// through meanwhile: buttons pressed then do nothing, and the view puts off closing the window until it ends.
    bool busy() const { return m_busy; }

private:
    /// The bulk edit behind Command1 to Command4, on the boxes of its group.
    void runEdit(layout::Id button);

    Form1View& m_view;
    automation::Module1& m_module;
    automation::Desktop& m_desktop;
    bool m_donationCreated = false;
    bool m_busy = false;
};

} // namespace ui
