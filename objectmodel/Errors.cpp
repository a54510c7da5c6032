#include "objectmodel/Errors.h"

#include <cstdio>

namespace objectmodel {

automation::AutomationError applicationError(std::string description)
{
    return {automation::errors::kApplicationDefined, std::move(description)};
}

automation::AutomationError positionOutOfRange(std::string_view what, double value, std::int32_t last)
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%.*s号 %.15G 超出工作表范围(1 到 %d)。", static_cast<int>(what.size()),
                  what.data(), value, last);
    return applicationError(buffer);
}

} // namespace objectmodel
