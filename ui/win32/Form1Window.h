#pragma once

#include "link/Desktop.h"
#include "link/Module1.h"
#include "ui/rules/Form1Presenter.h"
#include "ui/win32/DonationWindow.h"
#include "ui/win32/WindowSupport.h"

#include <windows.h>

#include <array>
#include <memory>

namespace ui::win32 {

/// The main window in Win32: the controls of the layout table as BUTTON, EDIT and STATIC windows at the screen's
/// logical resolution, made in the focus order so that Tab and Shift+Tab follow it; what they do is
/// Form1Presenter's. Each control's id is kFirstControlId plus its layout id.
class Form1Window final : private Form1View {
public:
    static constexpr int kFirstControlId = 100;

    /// Creates the window, hidden, and runs its load step: the boxes are emptied and the window is kept in front.
    Form1Window(automation::Module1& module, automation::Desktop& desktop);
    ~Form1Window() override;
    Form1Window(const Form1Window&) = delete;
    Form1Window& operator=(const Form1Window&) = delete;

    /// Shows the window with the focus in the first box.
    void show();
    HWND handle() const { return m_window; }
    HWND control(layout::Id id) const { return m_controls[static_cast<std::size_t>(id)]; }
    /// The donation window, or null until 捐助 is first clicked.
    const DonationWindow* donationWindow() const { return m_donation.get(); }

    /// Gives the message to the window's keyboard handling (Tab, Shift+Tab, arrows among the buttons); true when
    /// it took it. Call for every message of the loop before translating and dispatching it.
    bool preTranslate(MSG& message);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void createControls();
    /// Places the controls and sets their fonts at `dpi`; again when the window moves to another resolution.
    void applyLayout(Resolution dpi);
    void deleteFonts();

    std::string text(layout::Id box) const override;
    void setText(layout::Id box, std::string_view text) override;
    int textLength(layout::Id box) const override;
    void select(layout::Id box, int start, int length) override;
    int checkState() const override;
    void setCheckState(int state) override;
    void setTopmost(bool on) override;
    void createDonationWindow() override;
    void showDonationWindow() override;
    void unloadDonationWindow() override;
    void closeMainWindow() override;

    Form1Presenter m_presenter;
    HWND m_window = nullptr;
    std::array<HWND, layout::kControlCount> m_controls{};
    HFONT m_fonts[3] = {}; // 9, 12 and 10.5 points
    HWND m_lastFocus = nullptr;
    Resolution m_dpi{96, 96};
    bool m_closeWhenIdle = false;
    std::unique_ptr<DonationWindow> m_donation;
};

} // namespace ui::win32
