#include "ui/win32/DonationWindow.h"

#include "link/com/WideText.h"
#include "ui/rules/Layout.h"
#include "ui/win32/Pictures.h"
#include "ui/win32/Resources.h"
#include "ui/win32/WindowSupport.h"

namespace ui::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TessavoDonation";
constexpr int kFirstPictureId = 1;

} // namespace

DonationWindow::~DonationWindow()
{
    unload();
}

void DonationWindow::show(HWND anchorWindow)
{
    if (!m_window)
        create(anchorWindow);
    if (!m_window)
        return;
    ShowWindow(m_window, IsIconic(m_window) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(m_window);
    BringWindowToTop(m_window);
}

void DonationWindow::create(HWND anchorWindow)
{
    registerWindowClass(kClassName);
    const Resolution dpi = screenResolution();
    const SIZE client{layout::pixels(layout::kDonationClientWidth, dpi.x),
                      layout::pixels(layout::kDonationClientHeight, dpi.y)};
    RECT anchor{};
    if (!anchorWindow || !GetWindowRect(anchorWindow, &anchor))
        anchor = workArea(nullptr);
    const RECT outer = centredWindowRect(client, anchor);
    // Without an owner: it is a window of its own on the task bar, as the main window is.
    m_window = CreateWindowExW(0, kClassName, automation::com::toUtf16(layout::kDonationCaption).c_str(),
                               kFixedWindowStyle, outer.left, outer.top, outer.right - outer.left,
                               outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_window)
        return;
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DonationWindow::procedure));

    for (int i = 0; i < 2; ++i) {
        // SS_NOTIFY: the box reports double clicks.
        m_pictures[i] = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY, 0, 0, 0,
                                        0, m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstPictureId + i)),
                                        GetModuleHandleW(nullptr), nullptr);
    }
    applyLayout(windowResolution(m_window));
    if (m_dpi.x != dpi.x || m_dpi.y != dpi.y)
        fitWindow(nullptr);
}

void DonationWindow::applyLayout(Resolution dpi)
{
    m_dpi = dpi;
    const int resources[2] = {TESSAVO_PICTURE_LEFT, TESSAVO_PICTURE_RIGHT};
    for (int i = 0; i < 2; ++i) {
        const RECT r =
            toRect(layout::pixels(layout::kDonationPictures[static_cast<std::size_t>(i)].rect, dpi.x, dpi.y));
        const int width = r.right - r.left;
        const int height = r.bottom - r.top;
        // Decoded afresh at the box's size: a picture stretched once more would lose its sharpness.
        HBITMAP bitmap = loadStretchedPicture(resources[i], width, height);
        if (m_pictures[i] && bitmap) {
            SendMessageW(m_pictures[i], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
            if (m_bitmaps[i])
                DeleteObject(m_bitmaps[i]);
            m_bitmaps[i] = bitmap;
        } else if (bitmap) {
            DeleteObject(bitmap);
        }
        // Setting a bitmap sizes the box to it; the box keeps its own rectangle.
        if (m_pictures[i])
            SetWindowPos(m_pictures[i], nullptr, r.left, r.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void DonationWindow::fitWindow(const RECT* suggested)
{
    const POINT corner{suggested ? suggested->left : 0, suggested ? suggested->top : 0};
    setClientSize(
        m_window,
        {layout::pixels(layout::kDonationClientWidth, m_dpi.x), layout::pixels(layout::kDonationClientHeight, m_dpi.y)},
        suggested ? &corner : nullptr);
}

void DonationWindow::unload()
{
    if (m_window)
        DestroyWindow(m_window); // WM_DESTROY frees the pictures
}

LRESULT CALLBACK DonationWindow::procedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    auto* self = reinterpret_cast<DonationWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, w, l);
    return self->handle(message, w, l);
}

LRESULT DonationWindow::handle(UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_COMMAND:
        // Only a double click on a picture closes the window; a single click, the gap and the margins do not.
        if (HIWORD(w) == STN_DBLCLK && (LOWORD(w) == kFirstPictureId || LOWORD(w) == kFirstPictureId + 1)) {
            DestroyWindow(m_window);
            return 0;
        }
        break;
    case WM_DPICHANGED:
        // Moved to a screen of another resolution: the pictures and the window follow it.
        applyLayout({LOWORD(w), HIWORD(w)});
        fitWindow(reinterpret_cast<const RECT*>(l));
        return 0;
    case WM_NCDESTROY: { // after the picture boxes are gone
        HWND window = m_window;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        for (int i = 0; i < 2; ++i) {
            if (m_bitmaps[i])
                DeleteObject(m_bitmaps[i]);
            m_bitmaps[i] = nullptr;
            m_pictures[i] = nullptr;
        }
        m_window = nullptr;
        return DefWindowProcW(window, message, w, l);
    }
    default:
        break;
    }
    return DefWindowProcW(m_window, message, w, l);
}

} // namespace ui::win32
