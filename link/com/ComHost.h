#pragma once

#include "AutomationHost.h"

namespace automation::com {

/// Finds and starts automation servers through COM, by ProgID ("Excel.Application") or by CLSID in braces.
/// Needs an Apartment on the calling thread; every object it hands out must be used on that thread.
///
/// Failures throw AutomationError. A class that is not installed, or no running instance, is cannotCreateObject's
/// number (429); any other failure, such as a server that crashed while starting, keeps its failure code as the
/// number. The description is the system's text for the code, or ours (see ComErrors.h), naming the class where
/// the failure is about it, e.g. "无效的类字符串: Excel.Application".
class ComHost final : public AutomationHost {
public:
    /// The instance registered as running (GetActiveObject), as an IDispatch. Cost: a registry lookup and a
    /// round trip to the running-object table.
    Object getActiveObject(std::string_view className) override;
    /// A new instance in a server process of its own (CoCreateInstance, CLSCTX_LOCAL_SERVER), as an IDispatch.
    /// Cost: starting the server, seconds for a large application.
    Object createObject(std::string_view className) override;
};

} // namespace automation::com
