#include "ui/win32/Form1Window.h"

#include "link/com/WideText.h"
#include "platform/win/Win32Desktop.h"
#include "ui/win32/WindowSupport.h"

#include <commctrl.h>
#include <uxtheme.h>

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

} // namespace

Form1Window::Form1Window(automation::Module1& module, automation::Desktop& desktop)
    : m_presenter(*this, module, desktop)
{
    registerWindowClass(kClassName);
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
    createControls();
    applyLayout(windowResolution(m_window));
    // On a screen of another resolution than the system's the client area is the layout's there.
    if (m_dpi.x != dpi.x || m_dpi.y != dpi.y)
        setClientSize(m_window, {layout::pixels(layout::kForm1ClientWidth, m_dpi.x),
                                 layout::pixels(layout::kForm1ClientHeight, m_dpi.y)});
    m_presenter.load();
}

Form1Window::~Form1Window()
{
    m_donation.reset();
    if (m_window) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
    deleteFonts();
}

void Form1Window::deleteFonts()
{
    for (HFONT& f : m_fonts) {
        if (f)
            DeleteObject(f);
        f = nullptr;
    }
}

void Form1Window::applyLayout(Resolution dpi)
{
    m_dpi = dpi;
    HFONT old[3] = {m_fonts[0], m_fonts[1], m_fonts[2]};
    m_fonts[0] = createSongti(9, dpi.y);
    m_fonts[1] = createSongti(12, dpi.y);
    m_fonts[2] = createSongti(10.5, dpi.y);
    for (const layout::Control& c : layout::form1Controls()) {
        RECT r = toRect(layout::pixels(c.rect, dpi.x, dpi.y));
        // Group boxes hold nothing in Win32: what stands in a frame is a sibling offset by the frame's corner.
        if (c.container) {
            const RECT frame = toRect(layout::pixels(layout::control(*c.container).rect, dpi.x, dpi.y));
            OffsetRect(&r, frame.left, frame.top);
        }
        HWND w = control(c.id);
        SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        const HFONT font = c.points == 12 ? m_fonts[1] : c.points == 10.5 ? m_fonts[2] : m_fonts[0];
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    for (HFONT f : old)
        if (f)
            DeleteObject(f);
}

void Form1Window::createControls()
{
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
        const std::wstring text = automation::com::toUtf16(c.text);
        HWND w =
            CreateWindowExW(exStyle, className, text.c_str(), style, 0, 0, 0, 0, m_window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(c.id))),
                            GetModuleHandleW(nullptr), nullptr);
        if (c.kind == Kind::TextBox) {
            SendMessageW(w, EM_SETLIMITTEXT, 0, 0); // no length limit
            SetWindowSubclass(w, fieldBox, 1, 0);
        }
        // A visual style draws the captions of group and check boxes in its own colour; these are black.
        if (c.colour && (c.kind == Kind::Frame || c.kind == Kind::CheckBox))
            SetWindowTheme(w, L"", L"");
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
    if (!m_window || (message.hwnd != m_window && !IsChild(m_window, message.hwnd)))
        return false;
    // Enter and Escape press nothing, not even the button that has the focus, which the dialog manager would
    // make the default one.
    const bool key = message.message == WM_KEYDOWN || message.message == WM_KEYUP || message.message == WM_CHAR;
    if (key && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE))
        return true;
    return IsDialogMessageW(m_window, &message);
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
            // A close asked for while an edit was running takes effect now that it is done.
            if (m_closeWhenIdle && !m_presenter.busy()) {
                m_closeWhenIdle = false;
                PostMessageW(m_window, WM_CLOSE, 0, 0);
            }
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
        // Whatever closes the main window, the donation window goes first; never refused, but put off until an
        // edit that is running (its calls let messages through) has finished with the sheet.
        if (m_presenter.busy()) {
            m_closeWhenIdle = true;
            return 0;
        }
        m_presenter.unloading();
        DestroyWindow(m_window);
        return 0;
    case WM_DPICHANGED: {
        // Moved to a screen of another resolution: the layout and the fonts follow it, the frame with them.
        applyLayout({LOWORD(w), HIWORD(w)});
        const RECT* suggested = reinterpret_cast<const RECT*>(l);
        const POINT corner{suggested->left, suggested->top};
        setClientSize(
            m_window,
            {layout::pixels(layout::kForm1ClientWidth, m_dpi.x), layout::pixels(layout::kForm1ClientHeight, m_dpi.y)},
            &corner);
        return 0;
    }
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
    // Greyed needs a three-state box; ticked or clear, the user's click goes between those two only.
    SendMessageW(box, BM_SETSTYLE, state == BST_INDETERMINATE ? BS_AUTO3STATE : BS_AUTOCHECKBOX, TRUE);
    SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

void Form1Window::setTopmost(bool on)
{
    // Its place in the window order only: position and size stay as they are.
    platform::win::Win32Desktop::setTopmost(m_window, on);
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
