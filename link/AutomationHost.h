#pragma once

#include "link/Automation.h"

#include <string_view>

namespace automation {

/// Finds or starts automation servers by class name, e.g. "Excel.Application".
class AutomationHost {
public:
    virtual ~AutomationHost() = default;

    /// The running instance of `className`, looked up by the class alone. Throws AutomationError
    /// (cannotCreateObject, 429) when none is running.
    virtual Object getActiveObject(std::string_view className) = 0;
    /// A new instance of `className` on this machine. Throws AutomationError when it cannot be created.
    virtual Object createObject(std::string_view className) = 0;
};

} // namespace automation
