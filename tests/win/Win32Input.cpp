#include "tests/win/Win32Input.h"

#include <cmath>
#include <vector>

namespace wintest {

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               const std::function<bool(MSG&)>& preTranslate)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // Kept for whoever waits for it.
                PostQuitMessage(static_cast<int>(message.wParam));
                return done();
            }
            if (preTranslate && preTranslate(message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void pumpFor(std::chrono::milliseconds duration, const std::function<bool(MSG&)>& preTranslate)
{
    pumpUntil([] { return false; }, duration, preTranslate);
}

POINT centreOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

namespace {

// Every event carries an absolute position: a button event alone was seen landing where the pointer had been.
INPUT mouse(POINT at, DWORD flags)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Rounded up: rounding to nearest was seen one pixel off.
    input.mi.dx = static_cast<LONG>(std::ceil(at.x * 65536.0 / width));
    input.mi.dy = static_cast<LONG>(std::ceil(at.y * 65536.0 / height));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    return input;
}

INPUT key(WORD virtualKey, WCHAR unicode, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = unicode;
    input.ki.dwFlags = (unicode ? KEYEVENTF_UNICODE : 0) | (up ? KEYEVENTF_KEYUP : 0);
    return input;
}

void send(std::vector<INPUT> inputs)
{
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

} // namespace

void click(POINT at)
{
    send({mouse(at, 0), mouse(at, MOUSEEVENTF_LEFTDOWN), mouse(at, MOUSEEVENTF_LEFTUP)});
}

void doubleClick(POINT at)
{
    send({mouse(at, 0), mouse(at, MOUSEEVENTF_LEFTDOWN), mouse(at, MOUSEEVENTF_LEFTUP), mouse(at, MOUSEEVENTF_LEFTDOWN),
          mouse(at, MOUSEEVENTF_LEFTUP)});
}

void press(WORD virtualKey, bool shift)
{
    std::vector<INPUT> inputs;
    if (shift)
        inputs.push_back(key(VK_SHIFT, 0, false));
    inputs.push_back(key(virtualKey, 0, false));
    inputs.push_back(key(virtualKey, 0, true));
    if (shift)
        inputs.push_back(key(VK_SHIFT, 0, true));
    send(inputs);
}

void type(std::wstring_view text)
{
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        inputs.push_back(key(0, c, false));
        inputs.push_back(key(0, c, true));
    }
    send(inputs);
}

} // namespace wintest
