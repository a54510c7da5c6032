#pragma once

// Real input for the Win32 window tests: mouse and keyboard through SendInput, as a user's would arrive, and waits
// that keep this thread's messages flowing (its windows and COM calls into it need them).

#include <windows.h>

#include <chrono>
#include <functional>
#include <string_view>

namespace wintest {

/// Dispatches this thread's messages, giving each to `preTranslate` first when given, until `done` holds or
/// `timeout` passes; returns whether it holds.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10),
               const std::function<bool(MSG&)>& preTranslate = {});
/// Dispatches messages for `duration`.
void pumpFor(std::chrono::milliseconds duration, const std::function<bool(MSG&)>& preTranslate = {});

/// The centre of `window` in screen coordinates.
POINT centreOf(HWND window);
/// A left click, or a double click, at a point of the screen.
void click(POINT at);
void doubleClick(POINT at);
/// A key pressed and released, with Shift held when asked.
void press(WORD virtualKey, bool shift = false);
/// Types a text character by character, as Unicode input.
void type(std::wstring_view text);

} // namespace wintest
