#pragma once

#include "link/AutomationError.h"

namespace testsupport {

/// The number of the AutomationError that `call` raises, or 0 when it raises none.
template <class Call> int errorNumber(Call&& call)
{
    try {
        call();
    } catch (const automation::AutomationError& e) {
        return e.number();
    }
    return 0;
}

} // namespace testsupport
