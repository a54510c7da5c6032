// The Win32 windows with real windows and real input, under Wine and a display: layout at the logical resolution,
// fonts, the focus cycle, what is selected on focus, message boxes, keeping in front, the donation window, exit.
#include "link/LocalHost.h"
#include "link/Module1.h"
#include "link/com/WideText.h"
#include "platform/win/Win32Desktop.h"
#include "sheet/document/Application.h"
#include "tests/win/Win32Input.h"
#include "testsupport/FakeDesktop.h"
#include "ui/win32/Form1Window.h"
#include "ui/win32/Pictures.h"
#include "ui/win32/WindowSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ui::layout::Id;
using ui::win32::Form1Window;

std::wstring windowText(HWND w)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring wide(std::string_view s)
{
    return automation::com::toUtf16(s);
}

std::pair<int, int> selection(HWND box)
{
    DWORD start = 0, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
}

bool topmost(HWND w)
{
    return (GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

RECT clientRectOf(HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class Win32WindowsTest : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<Form1Window>(module, desktop);
        ASSERT_TRUE(form->handle());
        form->show();
        bringToFront(form->handle());
    }
    void TearDown() override
    {
        form.reset();
        // Nothing of one test reaches the next: a quit the window posted is taken here.
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    static void bringToFront(HWND w)
    {
        // Without a window manager the foreground does not follow SetForegroundWindow alone.
        SetForegroundWindow(w);
        BringWindowToTop(w);
        SetActiveWindow(w);
        wintest::pumpUntil([w] { return GetActiveWindow() == w; }, 2s);
    }
    HWND control(Id id) const { return form->control(id); }
    bool pump(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s)
    {
        return wintest::pumpUntil(done, timeout, [this](MSG& m) { return form && form->preTranslate(m); });
    }
    void clickButton(Id id) { SendMessageW(control(id), BM_CLICK, 0, 0); }

    automation::LocalHost host;
    testsupport::FakeDesktop desktop;
    automation::Module1 module{host, desktop};
    ui::win32::PictureSupport pictures;
    std::unique_ptr<Form1Window> form;
};

TEST_F(Win32WindowsTest, ClientAreaControlsAndFontsFollowTheLayoutAtTheLogicalResolution)
{
    const ui::win32::Resolution dpi = ui::win32::screenResolution();
    // make test-windows runs this test again at 144 dots per inch, and says so.
    if (const char* expected = std::getenv("TESSAVO_EXPECT_DPI")) {
        ASSERT_EQ(dpi.x, std::atoi(expected));
    }
    RECT client{};
    GetClientRect(form->handle(), &client);
    EXPECT_EQ(client.right, ui::layout::pixels(3720, dpi.x));
    EXPECT_EQ(client.bottom, ui::layout::pixels(6495, dpi.y));
    // A fixed single frame: no sizing border, no maximize box.
    const LONG_PTR style = GetWindowLongPtrW(form->handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_EQ(windowText(form->handle()), L"Tessavo");
    EXPECT_TRUE(SendMessageW(form->handle(), WM_GETICON, ICON_BIG, 0) || GetClassLongPtrW(form->handle(), GCLP_HICON));

    for (const ui::layout::Control& c : ui::layout::form1Controls()) {
        HWND w = control(c.id);
        ASSERT_TRUE(w) << c.name;
        EXPECT_EQ(GetDlgCtrlID(w), Form1Window::kFirstControlId + static_cast<int>(c.id));
        ui::layout::PixelRect expected = ui::layout::pixels(c.rect, dpi.x, dpi.y);
        if (c.container) {
            const ui::layout::PixelRect frame =
                ui::layout::pixels(ui::layout::control(*c.container).rect, dpi.x, dpi.y);
            expected.left += frame.left;
            expected.top += frame.top;
        }
        const RECT r = clientRectOf(w);
        EXPECT_EQ((ui::layout::PixelRect{r.left, r.top, r.right - r.left, r.bottom - r.top}), expected) << c.name;
        if (c.kind != ui::layout::Kind::TextBox) {
            EXPECT_EQ(windowText(w), wide(c.text)) << c.name;
        }

        LOGFONTW font{};
        ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)), sizeof(font), &font))
            << c.name;
        EXPECT_EQ(font.lfHeight, -ui::layout::fontPixels(c.points, dpi.y)) << c.name;
        EXPECT_EQ(font.lfCharSet, GB2312_CHARSET) << c.name;
        EXPECT_EQ(font.lfWeight, FW_NORMAL) << c.name;
        EXPECT_EQ(std::wstring(font.lfFaceName), L"宋体") << c.name;
    }
    // The contact note lies below the client area.
    EXPECT_GE(clientRectOf(control(Id::Label10)).top, client.bottom);
}

TEST_F(Win32WindowsTest, StartsWithEmptyBoxesKeptInFrontWithTheFocusInTheEndRow)
{
    for (const ui::layout::Control& c : ui::layout::form1Controls()) {
        if (c.kind == ui::layout::Kind::TextBox) {
            EXPECT_EQ(GetWindowTextLengthW(control(c.id)), 0) << c.name;
        }
    }
    EXPECT_EQ(SendMessageW(control(Id::Check1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(topmost(form->handle()));
    EXPECT_EQ(GetFocus(), control(Id::Text4));
}

TEST_F(Win32WindowsTest, TabAndShiftTabGoRoundTheFocusOrderAndOnlyTheFirstEightBoxesSelectAll)
{
    for (const ui::layout::Control& c : ui::layout::form1Controls())
        if (c.kind == ui::layout::Kind::TextBox)
            SetWindowTextW(control(c.id), L"1234");
    for (Id id : {Id::Text9, Id::Text10, Id::Text11, Id::Text12})
        SendMessageW(control(id), EM_SETSEL, 2, 2);

    const std::span<const Id> order = ui::layout::focusOrder();
    for (std::size_t i = 1; i <= order.size(); ++i) {
        const Id next = order[i % order.size()];
        wintest::press(VK_TAB);
        ASSERT_TRUE(pump([&] { return GetFocus() == control(next); })) << ui::layout::control(next).name;
        if (ui::layout::control(next).kind != ui::layout::Kind::TextBox)
            continue;
        const bool all = ui::layout::selectsAllOnFocus(next);
        EXPECT_EQ(selection(control(next)), all ? std::make_pair(0, 4) : std::make_pair(2, 2))
            << ui::layout::control(next).name;
    }
    for (std::size_t i = order.size(); i-- > 0;) {
        wintest::press(VK_TAB, true);
        ASSERT_TRUE(pump([&] { return GetFocus() == control(order[i]); })) << ui::layout::control(order[i]).name;
    }
}

TEST_F(Win32WindowsTest, AClickIntoABoxSelectsAsTabDoes)
{
    SetWindowTextW(control(Id::Text1), L"1234");
    SetWindowTextW(control(Id::Text9), L"1234");
    SendMessageW(control(Id::Text9), EM_SETSEL, 0, 0);
    wintest::click(wintest::centreOf(control(Id::Text1)));
    ASSERT_TRUE(pump([&] { return GetFocus() == control(Id::Text1); }));
    pump([] { return false; }, 100ms);
    EXPECT_EQ(selection(control(Id::Text1)), std::make_pair(0, 4));
    // The column boxes keep what the click did: a caret, nothing selected.
    wintest::click(wintest::centreOf(control(Id::Text9)));
    ASSERT_TRUE(pump([&] { return GetFocus() == control(Id::Text9); }));
    pump([] { return false; }, 100ms);
    const auto [start, end] = selection(control(Id::Text9));
    EXPECT_EQ(start, end);
}

TEST_F(Win32WindowsTest, EnterAndEscapePressNothingAndTheFocusComesBackAfterAnotherWindow)
{
    SetFocus(control(Id::Text5));
    SetWindowTextW(control(Id::Text5), L"1");
    wintest::press(VK_RETURN);
    wintest::press(VK_ESCAPE);
    pump([] { return false; }, 300ms);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(IsWindowVisible(form->handle()));
    EXPECT_EQ(GetFocus(), control(Id::Text5));
    // Not even the button Tab has reached, which the dialog manager makes the default one.
    SetFocus(control(Id::Text12));
    wintest::press(VK_TAB);
    ASSERT_TRUE(pump([&] { return GetFocus() == control(Id::Command4); }));
    wintest::press(VK_RETURN);
    wintest::press(VK_ESCAPE);
    pump([] { return false; }, 300ms);
    EXPECT_TRUE(desktop.messages.empty());
    // The space bar presses it, as it presses any focused button.
    wintest::press(VK_SPACE);
    EXPECT_TRUE(pump([&] { return !desktop.messages.empty(); }));

    // Away to another window and back: the focus is where it was.
    SetFocus(control(Id::Command2));
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SetActiveWindow(other);
    pump([&] { return GetActiveWindow() == other; }, 1s);
    bringToFront(form->handle());
    EXPECT_EQ(GetFocus(), control(Id::Command2));
    DestroyWindow(other);
}

TEST_F(Win32WindowsTest, KeepInFrontFollowsTheCheckBoxWithoutMovingTheWindow)
{
    RECT before{};
    GetWindowRect(form->handle(), &before);
    wintest::click(wintest::centreOf(control(Id::Check1)));
    ASSERT_TRUE(pump([&] { return !topmost(form->handle()); }));
    EXPECT_EQ(SendMessageW(control(Id::Check1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    clickButton(Id::Check1);
    ASSERT_TRUE(pump([&] { return topmost(form->handle()); }));
    RECT after{};
    GetWindowRect(form->handle(), &after);
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(Win32WindowsTest, OneDonationWindowShowsBothPicturesAndClosesOnADoubleClickOnAPictureOnly)
{
    clickButton(Id::Command5);
    clickButton(Id::Command5);
    const ui::win32::DonationWindow* donation = form->donationWindow();
    ASSERT_TRUE(donation && donation->loaded());
    const std::wstring caption = wide(ui::layout::kDonationCaption);
    EXPECT_EQ(windowText(donation->handle()), caption);
    int windows = 0;
    for (HWND w = FindWindowW(L"TessavoDonation", nullptr); w;
         w = FindWindowExW(nullptr, w, L"TessavoDonation", nullptr))
        windows += IsWindowVisible(w) ? 1 : 0;
    EXPECT_EQ(windows, 1);
    EXPECT_FALSE(GetWindow(donation->handle(), GW_OWNER)); // shown without an owner

    const ui::win32::Resolution dpi = ui::win32::screenResolution();
    RECT client{};
    GetClientRect(donation->handle(), &client);
    EXPECT_EQ(client.right, ui::layout::pixels(9600, dpi.x));
    EXPECT_EQ(client.bottom, ui::layout::pixels(5190, dpi.y));
    for (int i = 0; i < 2; ++i) {
        const ui::layout::PixelRect box = ui::layout::pixels(ui::layout::kDonationPictures[i].rect, dpi.x, dpi.y);
        const RECT r = clientRectOf(donation->picture(i));
        EXPECT_EQ((ui::layout::PixelRect{r.left, r.top, r.right - r.left, r.bottom - r.top}), box);
        // The picture fills its box exactly.
        BITMAP bitmap{};
        auto* image = reinterpret_cast<HBITMAP>(SendMessageW(donation->picture(i), STM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_TRUE(image && GetObjectW(image, sizeof(bitmap), &bitmap)) << i;
        EXPECT_EQ(bitmap.bmWidth, box.width);
        EXPECT_EQ(bitmap.bmHeight, box.height);
    }

    const RECT window = [&] {
        RECT r{};
        GetWindowRect(donation->handle(), &r);
        return r;
    }();
    const RECT left = [&] {
        RECT r{};
        GetWindowRect(donation->picture(0), &r);
        return r;
    }();
    // Apart from each other by more than the double-click time, so no two single clicks make a double one.
    const auto apart = std::chrono::milliseconds(GetDoubleClickTime() + 100);
    // The main window back among the others, so that nothing of it lies over the donation window's middle.
    clickButton(Id::Check1);
    bringToFront(donation->handle());
    const POINT gap{left.right + 2, (left.top + left.bottom) / 2};
    const POINT margin{window.left + (left.left - window.left) / 2 + 1, left.bottom + 2};
    for (const POINT at : {gap, margin})
        EXPECT_EQ(WindowFromPoint(at), donation->handle()) << at.x << "," << at.y;
    wintest::click(wintest::centreOf(donation->picture(1)));
    pump([] { return false; }, apart);
    wintest::doubleClick(gap);
    pump([] { return false; }, apart);
    wintest::doubleClick(margin);
    pump([] { return false; }, apart);
    ASSERT_TRUE(donation->loaded());

    wintest::doubleClick(wintest::centreOf(donation->picture(0)));
    ASSERT_TRUE(pump([&] { return !donation->loaded(); }));
    EXPECT_TRUE(IsWindow(form->handle()));

    // Shown again, the same window with both pictures; the right one closes it too.
    clickButton(Id::Command5);
    ASSERT_TRUE(donation->loaded());
    EXPECT_EQ(form->donationWindow(), donation);
    EXPECT_TRUE(SendMessageW(donation->picture(1), STM_GETIMAGE, IMAGE_BITMAP, 0));
    bringToFront(donation->handle());
    pump([] { return false; }, apart);
    wintest::doubleClick(wintest::centreOf(donation->picture(1)));
    ASSERT_TRUE(pump([&] { return !donation->loaded(); }));
}

TEST_F(Win32WindowsTest, ExitAndTheCloseBoxCloseTheDonationWindowFirstAndEndTheLoop)
{
    clickButton(Id::Command5);
    HWND donation = form->donationWindow()->handle();
    HWND main = form->handle();
    clickButton(Id::Command6);
    bool quit = false;
    wintest::pumpUntil([&] {
        MSG m;
        quit = quit || PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        return quit;
    });
    EXPECT_TRUE(quit);
    EXPECT_FALSE(IsWindow(donation));
    EXPECT_FALSE(IsWindow(main));

    // Exit with the donation window never opened: none is ever made.
    form = std::make_unique<Form1Window>(module, desktop);
    form->show();
    SendMessageW(form->handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    wintest::pumpUntil([&] { return !form->handle(); }, 2s);
    EXPECT_FALSE(form->handle());
    EXPECT_FALSE(form->donationWindow());
    EXPECT_FALSE(FindWindowW(L"TessavoDonation", nullptr));
}

// A box found by the thread's own timer, as a user would see it, and answered.
struct SeenBox {
    std::wstring text;
    std::wstring title;
    bool icon = false;
    HWND owner = nullptr;
    std::vector<HWND> enabled; // the thread's other windows that took input meanwhile
};
SeenBox* g_seen = nullptr;

void CALLBACK answerBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            if (std::wstring(cls) != L"#32770" || !IsWindowVisible(w))
                return TRUE;
            wchar_t text[256] = {};
            GetDlgItemTextW(w, 0xFFFF, text, 256);
            g_seen->text = text;
            g_seen->title = windowText(w);
            HWND icon = GetDlgItem(w, 0x440);
            g_seen->icon = icon && IsWindowVisible(icon) && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
            g_seen->owner = GetWindow(w, GW_OWNER);
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND other, LPARAM box) -> BOOL {
                    if (other != reinterpret_cast<HWND>(box) && IsWindowVisible(other) && IsWindowEnabled(other))
                        g_seen->enabled.push_back(other);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(w));
            PostMessageW(GetDlgItem(w, IDOK), BM_CLICK, 0, 0);
            return FALSE;
        },
        0);
    if (!g_seen->text.empty())
        KillTimer(nullptr, timer);
}

SeenBox showAndAnswer(platform::win::Win32Desktop& desktop, std::string_view text, std::string_view title, int style)
{
    SeenBox seen;
    g_seen = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, answerBox);
    desktop.messageBox(text, title, style);
    KillTimer(nullptr, timer);
    g_seen = nullptr;
    return seen;
}

TEST_F(Win32WindowsTest, MessageBoxesSayWhatTheyAreToldAndBelongToAWindowThatIsNeverHidden)
{
    platform::win::Win32Desktop boxes;
    boxes.setMainWindow(form->handle());
    const SeenBox info = showAndAnswer(boxes, "数据处理完成,谢谢使用!", "提示", 64);
    EXPECT_EQ(info.text, L"数据处理完成,谢谢使用!");
    EXPECT_EQ(info.title, L"提示");
    EXPECT_TRUE(info.icon);
    EXPECT_EQ(info.owner, form->handle());

    const SeenBox plain = showAndAnswer(boxes, "ActiveX 部件不能创建对象", "", 0);
    EXPECT_EQ(plain.title, L"Tessavo");
    EXPECT_FALSE(plain.icon);

    // The donation window active, the main window kept in front: the box belongs to the main window, or it
    // would open under it.
    clickButton(Id::Command5);
    bringToFront(form->donationWindow()->handle());
    EXPECT_EQ(boxes.boxOwner(), form->handle());
    // Not kept in front: the active window owns it.
    clickButton(Id::Check1);
    pump([&] { return !topmost(form->handle()); });
    bringToFront(form->donationWindow()->handle());
    EXPECT_EQ(boxes.boxOwner(), form->donationWindow()->handle());
    // Whichever owns it, no window of the program takes input while it is open, and all do again after.
    const SeenBox over = showAndAnswer(boxes, "请检查输入的数据", "提示", 64);
    EXPECT_EQ(over.owner, form->donationWindow()->handle());
    EXPECT_TRUE(over.enabled.empty());
    EXPECT_TRUE(IsWindowEnabled(form->handle()));
    EXPECT_TRUE(IsWindowEnabled(form->donationWindow()->handle()));
}

TEST_F(Win32WindowsTest, ButtonsDoNothingAndClosingWaitsWhileAnEditIsRunning)
{
    // While the edit's message box is open, the user presses the edit again, then 退出 and the close box.
    int boxes = 0;
    bool closedDuringTheEdit = false;
    desktop.onMessage = [&](const testsupport::FakeDesktop::Message&) {
        ++boxes;
        SendMessageW(form->handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control(Id::Command1)), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control(Id::Command1)));
        SendMessageW(form->handle(), WM_CLOSE, 0, 0);
        closedDuringTheEdit = !IsWindow(form->handle());
    };
    clickButton(Id::Command1);
    EXPECT_EQ(boxes, 1);
    EXPECT_FALSE(closedDuringTheEdit);
    // Put off, not refused: the window goes once the edit is over.
    EXPECT_TRUE(pump([&] { return !form->handle(); }));
}

TEST_F(Win32WindowsTest, MovedToAScreenOfAnotherResolutionTheLayoutFollows)
{
    clickButton(Id::Command5);
    const ui::win32::DonationWindow* donation = form->donationWindow();
    for (HWND window : {form->handle(), donation->handle()}) {
        RECT suggested{};
        GetWindowRect(window, &suggested);
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    }
    RECT client{};
    GetClientRect(form->handle(), &client);
    EXPECT_EQ(client.right, 372);
    EXPECT_EQ(client.bottom, 650);
    const RECT text2 = clientRectOf(control(Id::Text2));
    EXPECT_EQ(text2.left, 12 + 60);
    EXPECT_EQ(text2.right - text2.left, 86);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control(Id::Text2), WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -24);
    GetClientRect(donation->handle(), &client);
    EXPECT_EQ(client.right, 960);
    BITMAP bitmap{};
    auto* image = reinterpret_cast<HBITMAP>(SendMessageW(donation->picture(0), STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_TRUE(image && GetObjectW(image, sizeof(bitmap), &bitmap));
    EXPECT_EQ(bitmap.bmWidth, 462);
    EXPECT_EQ(bitmap.bmHeight, 497);
}

} // namespace
