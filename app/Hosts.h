#pragma once

#include "link/AutomationHost.h"
#include "link/LocalHost.h"

#include <memory>

namespace app {

/// How this platform reaches the spreadsheet application, with what it needs around it. Created first in main and
/// destroyed last, so that every automation object is released while the platform can still take it back.
class Hosts {
public:
    virtual ~Hosts() = default;
    virtual automation::AutomationHost& host() = 0;
    /// The embedded spreadsheet's host, where files named at start-up are opened. Included in host(), so the
    /// first operation finds the instance running there.
    virtual automation::LocalHost& embedded() = 0;
};

/// The spreadsheet application of the Qt program: LibreOffice Calc or the embedded spreadsheet. (The Windows program
/// reaches Excel or WPS through COM and starts in mainWin32.cpp.)
std::unique_ptr<Hosts> startHosts();

} // namespace app
