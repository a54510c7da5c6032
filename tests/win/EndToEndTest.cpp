// tessavo.exe itself, driven by real input under Wine, while this process holds the user's sheet: the embedded
// spreadsheet served over COM as the running "Excel.Application".
#include "link/com/Apartment.h"
#include "link/com/ComHost.h"
#include "link/com/DispatchServer.h"
#include "sheet/document/Application.h"
#include "sheet/document/Worksheet.h"
#include "tests/win/ComTestSupport.h"
#include "tests/win/Win32Input.h"
#include "testsupport/SpreadsheetWorld.h"
#include "ui/rules/Layout.h"
#include "ui/win32/Form1Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using automation::Object;
using ui::layout::Id;

// A control's text as it is now: GetWindowText of another process's window gives the text it was made with.
std::wstring windowText(HWND w)
{
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
    return text;
}

// The program under test, started and, whatever happens, ended with the test.
class Program {
public:
    Program()
    {
        std::wstring path =
            L"Z:" + std::wstring(TESSAVO_EXE, TESSAVO_EXE + std::char_traits<char>::length(TESSAVO_EXE));
        std::replace(path.begin(), path.end(), L'/', L'\\');
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + path + L"\"";
        m_started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &m_process);
    }
    ~Program()
    {
        if (!m_started)
            return;
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process.hProcess, 99);
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return m_started; }
    bool owns(HWND w) const
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        return w && pid == m_process.dwProcessId;
    }
    /// The program's window of class `className` titled `title`, or null.
    HWND window(const wchar_t* className, const wchar_t* title) const
    {
        for (HWND w = FindWindowW(className, title); w; w = FindWindowExW(nullptr, w, className, title))
            if (owns(w) && IsWindowVisible(w))
                return w;
        return nullptr;
    }
    bool ended() const { return WaitForSingleObject(m_process.hProcess, 0) == WAIT_OBJECT_0; }
    DWORD exitCode() const
    {
        DWORD code = 0;
        GetExitCodeProcess(m_process.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

HWND control(HWND main, Id id)
{
    return GetDlgItem(main, ui::win32::Form1Window::kFirstControlId + static_cast<int>(id));
}

// Clicks into a box and types, as a user fills it in.
void fillIn(HWND main, Id box, const wchar_t* text)
{
    HWND target = control(main, box);
    wintest::click(wintest::centreOf(target));
    // Typed once the box has the focus in the program's thread.
    const DWORD thread = GetWindowThreadProcessId(main, nullptr);
    wintest::pumpUntil(
        [&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            return GetGUIThreadInfo(thread, &info) && info.hwndFocus == target;
        },
        3s);
    wintest::type(text);
    EXPECT_TRUE(wintest::pumpUntil([&] { return windowText(control(main, box)) == text; }, 3s))
        << ui::layout::control(box).name;
}

struct Box {
    std::wstring text;
    HWND owner = nullptr;
};

// Waits for the program's message box titled `title`, reads it and presses its OK button.
Box answer(const Program& program, const wchar_t* title)
{
    HWND box = nullptr;
    wintest::pumpUntil([&] { return (box = program.window(L"#32770", title)) != nullptr; }, 20s);
    if (!box)
        return {};
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    const Box seen{text, GetWindow(box, GW_OWNER)};
    wintest::click(wintest::centreOf(GetDlgItem(box, IDOK)));
    wintest::pumpUntil([&] { return !IsWindow(box); }, 5s);
    return seen;
}

class EndToEndTest : public testing::Test {
protected:
    void SetUp() override
    {
        CLSID installed;
        if (SUCCEEDED(CLSIDFromProgID(L"Excel.Application", &installed)))
            GTEST_SKIP() << "a spreadsheet application is installed here";
    }

    HWND startProgram(Program& program)
    {
        HWND main = nullptr;
        wintest::pumpUntil([&] { return (main = program.window(L"TessavoForm1", L"Tessavo")) != nullptr; }, 20s);
        return main;
    }
    void exitProgram(Program& program, HWND main)
    {
        wintest::click(wintest::centreOf(control(main, Id::Command6)));
        EXPECT_TRUE(wintest::pumpUntil([&] { return program.ended(); }, 10s));
        EXPECT_EQ(program.exitCode(), 0u);
    }

    automation::com::Apartment apartment;
    // Served over COM by the test that starts it; the program runs in a process of its own.
    testsupport::SpreadsheetWorld world{{.start = testsupport::SpreadsheetWorld::Start::Nothing}};
};

TEST_F(EndToEndTest, BlankRowsTypedIntoTheWindowAreInsertedIntoTheRunningSpreadsheet)
{
    // The user's spreadsheet runs with rows 1 to 12 numbered in column 1.
    sheet::Application& user = world.startByUser();
    for (int r = 1; r <= 12; ++r)
        world.grid().setCell(r, 1, sheet::CellView::makeNumber(r));
    const wintest::RegisteredClass running{L"Excel.Application",
                                           automation::com::DispatchServer::serve(world.runningObject()).get()};

    Program program;
    ASSERT_TRUE(program.started());
    HWND main = startProgram(program);
    ASSERT_TRUE(main);

    // From row 1 to row 10, every 3 rows insert 2.
    fillIn(main, Id::Text1, L"1");
    fillIn(main, Id::Text4, L"10");
    fillIn(main, Id::Text2, L"3");
    fillIn(main, Id::Text3, L"2");
    wintest::click(wintest::centreOf(control(main, Id::Command1)));
    const Box done = answer(program, L"提示");
    EXPECT_EQ(done.text, L"数据处理完成,谢谢使用!");
    // Kept in front, the main window owns the box: nothing hides it.
    EXPECT_EQ(done.owner, main);

    // Read back over COM, as any client of the running spreadsheet would.
    const Object excel = automation::com::ComHost().getActiveObject("Excel.Application");
    const Object sheet = excel.get("ActiveSheet").toObject();
    std::vector<std::string> column1;
    for (int r = 1; r <= 18; ++r)
        column1.push_back(sheet.get("Cells", double(r), 1.0).toObject().get("Value").toText());
    EXPECT_EQ(column1, (std::vector<std::string>{"1", "2", "3", "", "", "4", "5", "6", "", "", "7", "8", "9", "", "",
                                                 "10", "11", "12"}));
    EXPECT_TRUE(user.visible());

    exitProgram(program, main);
}

TEST_F(EndToEndTest, WithoutExcelOrWpsTheProgramSaysWhyItCannotStartOne)
{
    Program program;
    ASSERT_TRUE(program.started());
    HWND main = startProgram(program);
    ASSERT_TRUE(main);
    fillIn(main, Id::Text5, L"1");
    fillIn(main, Id::Text6, L"3");
    wintest::click(wintest::centreOf(control(main, Id::Command2)));
    const Box reason = answer(program, L"Tessavo");
    // The reason Excel could not be started, naming it: WPS was tried as well.
    EXPECT_NE(reason.text.find(L"Excel.Application"), std::wstring::npos);
    EXPECT_EQ(answer(program, L"提示").text, L"请检查输入的数据");
    exitProgram(program, main);
}

} // namespace
