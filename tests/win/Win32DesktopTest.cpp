#include "platform/win/Win32Desktop.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const auto setTopmost = platform::win::Win32Desktop::setTopmost;

bool activateTopLevelWindow(std::string_view title)
{
    return platform::win::Win32Desktop().activateWindow(title);
}

// A visible top-level window of this process, destroyed with the object.
class TestWindow {
public:
    explicit TestWindow(const std::wstring& title, bool visible = true)
        : m_hwnd(CreateWindowExW(0, L"STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 40, 30,
                                 320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr))
    {}
    ~TestWindow()
    {
        if (m_hwnd)
            DestroyWindow(m_hwnd);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }
    RECT rect() const
    {
        RECT r{};
        GetWindowRect(m_hwnd, &r);
        return r;
    }
    bool topmost() const { return (GetWindowLongW(m_hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

private:
    HWND m_hwnd;
};

bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Titles no other window on the desktop has.
std::wstring unique(const wchar_t* title)
{
    return title + std::to_wstring(GetCurrentProcessId());
}

class TopLevelWindowsTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestWindow probe(L"probe");
        ASSERT_NE(probe.hwnd(), nullptr) << "no display: run under Xvfb, as make test-windows does";
    }
    static std::string utf8(const std::wstring& s)
    {
        std::string out(static_cast<std::size_t>(s.size() * 3), '\0');
        out.resize(
            static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(),
                                                         static_cast<int>(out.size()), nullptr, nullptr)));
        return out;
    }
};

TEST_F(TopLevelWindowsTest, TopmostIsSwitchedOnAndOffWithoutMovingTheWindow)
{
    TestWindow window(unique(L"Tessavo 置顶 "));
    const RECT before = window.rect();

    EXPECT_TRUE(setTopmost(window.hwnd(), true));
    EXPECT_TRUE(window.topmost());
    EXPECT_TRUE(window.rect() == before);

    EXPECT_TRUE(setTopmost(window.hwnd(), false));
    EXPECT_FALSE(window.topmost());
    EXPECT_TRUE(window.rect() == before);

    EXPECT_FALSE(setTopmost(nullptr, true));
    HWND gone = CreateWindowExW(0, L"STATIC", L"gone", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(setTopmost(gone, true));
}

TEST_F(TopLevelWindowsTest, AnExactTitleWinsOverAnEarlierWindowItBeginsAndIsRestored)
{
    const std::wstring title = unique(L"工作簿1 - 表格 ");
    TestWindow exact(title);
    TestWindow longer(title + L" (只读)"); // created last, so first in the desktop's order
    ShowWindow(exact.hwnd(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(exact.hwnd()));

    ASSERT_TRUE(activateTopLevelWindow(utf8(title)));
    EXPECT_EQ(GetForegroundWindow(), exact.hwnd());
    EXPECT_FALSE(IsIconic(exact.hwnd()));

    ASSERT_TRUE(activateTopLevelWindow(utf8(title + L" (只")));
    EXPECT_EQ(GetForegroundWindow(), longer.hwnd());
}

TEST_F(TopLevelWindowsTest, NoMatchingVisibleWindowChangesNothing)
{
    TestWindow front(unique(L"Tessavo 前台 "));
    const std::wstring hiddenTitle = unique(L"Tessavo 隐藏 ");
    TestWindow hidden(hiddenTitle, false);
    ASSERT_TRUE(activateTopLevelWindow(utf8(unique(L"Tessavo 前台 "))));

    EXPECT_FALSE(activateTopLevelWindow(utf8(unique(L"没有这个窗口 "))));
    EXPECT_FALSE(activateTopLevelWindow(utf8(hiddenTitle)));
    EXPECT_EQ(GetForegroundWindow(), front.hwnd());
    EXPECT_FALSE(IsWindowVisible(hidden.hwnd()));
}

} // namespace
