#pragma once

#include <functional>

namespace app {

/// Calls `handler` on the user-interface thread when the process is asked to end from outside: SIGTERM, SIGHUP
/// (the terminal closed) or SIGINT on POSIX systems, the end of the user's session on Windows. The handler runs
/// from the event loop, never inside a signal handler, so it may do anything the program does. A second Ctrl+C
/// while the first request is handled ends the process at once; other signals then are the same request again. Call
/// once, after the QApplication exists. One implementation per platform.
void onTerminationRequest(std::function<void()> handler);

} // namespace app
