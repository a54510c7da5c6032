#pragma once

#include "link/Automation.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace objectmodel {

/// The object model's own refusals, all numbered 1004 as an application-defined error.
automation::AutomationError applicationError(std::string description);
/// A row or column number outside the sheet.
automation::AutomationError positionOutOfRange(std::string_view what, double value, std::int32_t last);

} // namespace objectmodel
