#include "Form1Window.h"

#include "Resources.h"
#include "TopLevelWindows.h"
#include "Utf16.h"
#include "WindowSupport.h"

#include <commctrl.h>

namespace ui::win32 {

using layout::Id;
using layout::Kind;

namespace {

constexpr wchar_t kClassName[] = L"TessavoForm1";

// Every box keeps its caret when Tab brings the focus: the dialog manager would select all of an edit that says it
// can (DLGC_HASSETSEL). What is selected is the window's rules' to say, on EN_SETFOCUS. A click that brings the
// focus places the caret after EN_SETFOCUS, so the box reports its focus again once the button is released.
LRESULT CALLBACK fieldBox(HWND box, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DefSubclassProc(box, message, w, l) & ~static_cast<LRESULT>(DLGC_HASSETSEL);
    case WM_LBUTTONDOWN:
        if (GetFocus() != box)
            SetWindowSubclass(box, fieldBox, 1, 1); // remember the click that brings the focus
        break;
    case WM_LBUTTONUP: {
        const LRESULT result = DefSubclassProc(box, message, w, l);
        if (data == 1) {
            SetWindowSubclass(box, fieldBox, 1, 0);
            SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), EN_SETFOCUS),
                         reinterpret_cast<LPARAM>(box));
        }
        return result;
    }
    default:
        break;
    }
    return DefSubclassProc(box, message, w, l);
}

void registerClass()
{
    static const bool registered = [] {
        WNDCLASSEXW c{};
        c.cbSize = sizeof(c);
        c.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); };
        c.hInstance = GetModuleHandleW(nullptr);
        c.hIcon = LoadIconW(c.hInstance, MAKEINTRESOURCEW(TESSAVO_ICON));
        c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        c.lpszClassName = kClassName;
        return RegisterClassExW(&c) != 0;
    }();
    (void)registered;
}

} // namespace

Form1Window::Form1Window(automation::Module1& module, automation::Platform& platform)
    : m_presenter(*this, module, platform)
{
    registerClass();
    const Resolution dpi = screenResolution();
    const SIZE client{layout::pixels(layout::kForm1ClientWidth, dpi.x),
                      layout::pixels(layout::kForm1ClientHeight, dpi.y)};
    const RECT outer = centredWindowRect(client, workArea(nullptr));
    m_window = CreateWindowExW(0, kClassName, automation::com::toUtf16(automation::kProgramTitle).c_str(),
                               kFixedWindowStyle, outer.left, outer.top, outer.right - outer.left,
                               outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_window)
        return;
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form1Window::procedure));
    m_fonts[0] = createSongti(9, dpi.y);
    m_fonts[1] = createSongti(12, dpi.y);
    m_fonts[2] = createSongti(10.5, dpi.y);
    createControls();
    m_presenter.load();
}

Form1Window::~Form1Window()
{
    m_donation.reset();
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    for (HFONT f : m_fonts)
        if (f)
            DeleteObject(f);
}

void Form1Window::createControls()
{
    const Resolution dpi = screenResolution();
    const auto place = [&](const layout::Control& c) {
        RECT r = toRect(layout::pixels(c.rect, dpi.x, dpi.y));
        // Group boxes hold nothing in Win32: what stands in a frame is a sibling offset by the frame's corner.
        if (c.container) {
            const RECT frame = toRect(layout::pixels(layout::control(*c.container).rect, dpi.x, dpi.y));
            OffsetRect(&r, frame.left, frame.top);
        }
        return r;
    };
    const auto make = [&](const layout::Control& c) {
        const wchar_t* className = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (c.kind) {
        case Kind::Frame:
            className = L"BUTTON";
            style |= BS_GROUPBOX;
            break;
        case Kind::Label:
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        case Kind::TextBox:
            className = L"EDIT";
            style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case Kind::Button:
            className = L"BUTTON";
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        case Kind::CheckBox:
            className = L"BUTTON";
            style |= WS_TABSTOP | BS_AUTOCHECKBOX;
            break;
        case Kind::Picture:
            break;
        }
        const RECT r = place(c);
        // Frames and labels carry no access keys: an "&" in a caption is shown as it is.
        const std::wstring text = automation::com::toUtf16(c.text);
        HWND w = CreateWindowExW(
            exStyle, className, text.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top, m_window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(c.id))),
            GetModuleHandleW(nullptr), nullptr);
        const HFONT font = c.points == 12 ? m_fonts[1] : c.points == 10.5 ? m_fonts[2] : m_fonts[0];
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (c.kind == Kind::TextBox) {
            SendMessageW(w, EM_SETLIMITTEXT, 0, 0); // no length limit
            SetWindowSubclass(w, fieldBox, 1, 0);
        }
        m_controls[static_cast<std::size_t>(c.id)] = w;
    };

    // The dialog manager walks the controls in creation order: those that take the focus are made in the focus
    // order, after the frames and labels.
    for (const layout::Control& c : layout::form1Controls())
        if (c.kind == Kind::Frame || c.kind == Kind::Label)
            make(c);
    for (Id id : layout::focusOrder())
        make(layout::control(id));
    // Frames lowest in the window's order, so they never hide what stands in them.
    for (const layout::Control& c : layout::form1Controls())
        if (c.kind == Kind::Frame)
            SetWindowPos(control(c.id), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_lastFocus = control(layout::focusOrder().front());
}

void Form1Window::show()
{
    if (!m_window)
        return;
    ShowWindow(m_window, SW_SHOW);
    UpdateWindow(m_window);
    SetFocus(m_lastFocus);
}

bool Form1Window::preTranslate(MSG& message)
{
    return m_window && IsDialogMessageW(m_window, &message);
}

LRESULT CALLBACK Form1Window::procedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    auto* self = reinterpret_cast<Form1Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, w, l);
    return self->handle(message, w, l);
}

LRESULT Form1Window::handle(UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_COMMAND: {
        // Enter and Escape arrive from the dialog manager as IDOK and IDCANCEL without a control: they press nothing.
        if (l == 0)
            return 0;
        const int index = LOWORD(w) - kFirstControlId;
        if (index < 0 || index >= layout::kControlCount)
            return 0;
        const auto id = static_cast<Id>(index);
        const UINT code = HIWORD(w);
        if (code == BN_CLICKED) {
            if (id == Id::Check1)
                m_presenter.check1Changed();
            else
                m_presenter.clicked(id);
        } else if (code == EN_SETFOCUS) {
            m_presenter.focusGained(id);
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        // Black captions of the frames and of Check1, the blue contact note; the rest in the system's colours.
        HDC dc = reinterpret_cast<HDC>(w);
        const int index = GetDlgCtrlID(reinterpret_cast<HWND>(l)) - kFirstControlId;
        if (index >= 0 && index < layout::kControlCount) {
            const layout::Control& c = layout::control(static_cast<Id>(index));
            if (c.colour)
                SetTextColor(dc, RGB(c.colour->red, c.colour->green, c.colour->blue));
        }
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_ACTIVATE:
        // The focus comes back to the control that had it when the window was left, as in a dialog.
        if (LOWORD(w) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(m_window, focus))
                m_lastFocus = focus;
        } else if (m_lastFocus && IsWindow(m_lastFocus)) {
            SetFocus(m_lastFocus);
            return 0;
        }
        break;
    case WM_CLOSE:
        // Whatever closes the main window, the donation window goes first; never refused.
        m_presenter.unloading();
        DestroyWindow(m_window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_NCDESTROY: {
        HWND window = m_window;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        m_window = nullptr;
        m_controls.fill(nullptr);
        return DefWindowProcW(window, message, w, l);
    }
    default:
        break;
    }
    return DefWindowProcW(m_window, message, w, l);
}

std::string Form1Window::text(Id box) const
{
    HWND w = control(box);
    const int length = GetWindowTextLengthW(w);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(w, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return automation::com::toUtf8(text);
}

void Form1Window::setText(Id box, std::string_view text)
{
    SetWindowTextW(control(box), automation::com::toUtf16(text).c_str());
}

int Form1Window::textLength(Id box) const
{
    return GetWindowTextLengthW(control(box));
}

void Form1Window::select(Id box, int start, int length)
{
    SendMessageW(control(box), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

int Form1Window::checkState() const
{
    return static_cast<int>(SendMessageW(control(Id::Check1), BM_GETCHECK, 0, 0));
}

void Form1Window::setCheckState(int state)
{
    HWND box = control(Id::Check1);
    // Greyed needs a three-state box; a click then goes round all three as the user would expect.
    if (state == BST_INDETERMINATE)
        SendMessageW(box, BM_SETSTYLE, BS_AUTO3STATE, TRUE);
    SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

void Form1Window::setTopmost(bool on)
{
    // Its place in the window order only: position and size stay as they are.
    platform::win::setTopmost(m_window, on);
}

void Form1Window::createDonationWindow()
{
    m_donation = std::make_unique<DonationWindow>();
}

void Form1Window::showDonationWindow()
{
    m_donation->show(m_window);
}

void Form1Window::unloadDonationWindow()
{
    if (m_donation)
        m_donation->unload();
}

void Form1Window::closeMainWindow()
{
    if (m_window)
        PostMessageW(m_window, WM_CLOSE, 0, 0);
}

} // namespace ui::win32
