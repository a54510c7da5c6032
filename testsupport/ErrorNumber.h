#pragma once

#include "link/AutomationError.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>

namespace testsupport {

/// What an AutomationError tells the user, comparable as a whole: number and description together.
struct Failure {
    std::int32_t number = 0;
    std::string description;
    bool operator==(const Failure&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Failure& f)
{
    return out << f.number << " \"" << f.description << '"';
}

/// The number and description of the AutomationError that `call` raises; {0, ""} when it raises none.
template <class Call> Failure failureOf(Call&& call)
{
    try {
        call();
    } catch (const automation::AutomationError& e) {
        return {e.number(), e.description()};
    }
    return {};
}

/// The number of the AutomationError that `call` raises, or 0 when it raises none.
template <class Call> int errorNumber(Call&& call)
{
    return failureOf(std::forward<Call>(call)).number;
}

} // namespace testsupport
