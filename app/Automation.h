#pragma once

#include "AutomationHost.h"
#include "LocalHost.h"

#include <memory>

namespace app {

/// How this platform reaches the spreadsheet application, with what it needs around it. Created first in main and
/// destroyed last, so that every automation object is released while the platform can still take it back.
class Automation {
public:
    virtual ~Automation() = default;
    virtual automation::AutomationHost& host() = 0;
    /// The embedded spreadsheet's host, where files named at start-up are opened. Part of host() (its fallback on
    /// Windows), so the first operation finds the instance running there.
    virtual automation::LocalHost& embedded() = 0;
};

/// Windows: Microsoft Excel through COM, and the embedded spreadsheet where Excel is absent.
/// Elsewhere: the embedded spreadsheet. One implementation per platform.
std::unique_ptr<Automation> startAutomation();

} // namespace app
