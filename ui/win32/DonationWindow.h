#pragma once

#include "ui/win32/WindowSupport.h"

#include <windows.h>

namespace ui::win32 {

/// The donation window 捐助 in Win32: two pictures side by side under the motto, closed by a double click on
/// either picture (or its close box). Loaded when shown, unloaded (destroyed) when closed; the same object is
/// shown again later.
class DonationWindow {
public:
    DonationWindow() = default;
    ~DonationWindow();
    DonationWindow(const DonationWindow&) = delete;
    DonationWindow& operator=(const DonationWindow&) = delete;

    /// Loads the window when it is not loaded, centred on `anchorWindow` (a window, or null for the screen), and shows
    /// it modeless without an owner; raises it when it is loaded already.
    void show(HWND anchorWindow);
    /// Destroys the window and its pictures; nothing when not loaded.
    void unload();
    bool loaded() const { return m_window != nullptr; }
    HWND handle() const { return m_window; }
    /// The picture boxes, for tests; null when not loaded.
    HWND picture(int index) const { return m_pictures[index]; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void create(HWND anchorWindow);
    /// Places the pictures, decoded at their boxes' size, for `dpi`.
    void applyLayout(Resolution dpi);
    /// Sizes the window to the layout at the current resolution, at `suggested`'s corner when given.
    void fitWindow(const RECT* suggested);

    HWND m_window = nullptr;
    HWND m_pictures[2] = {};
    HBITMAP m_bitmaps[2] = {};
    Resolution m_dpi{96, 96};
};

} // namespace ui::win32
