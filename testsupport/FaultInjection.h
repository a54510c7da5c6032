#pragma once

#include "link/AutomationHost.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

/// Which automation calls fail. Every call made through a FaultyHost, or through any object obtained from it, is
/// counted and logged by member name ("GetObject" and "CreateObject" for the host's own two).
struct FaultPlan {
    /// The 1-based number of the call that fails; 0 for none.
    int failAt = 0;
    /// Members whose every call fails, e.g. {"CreateObject"}.
    std::set<std::string> failing;
    automation::AutomationError error{1004, "模拟的故障"};

    int calls = 0;
    std::vector<std::string> log;
    /// The same calls with their plain arguments, e.g. "Rows(3.5)" or "Insert(Shift:=-4121)".
    std::vector<std::string> trace;

    /// Counts the call, and throws `error` when it is the one that fails.
    void step(std::string_view member);
};

/// Wraps `inner` so that calls through it follow `plan`; objects it returns are wrapped too.
automation::Object wrapObject(automation::Object inner, std::shared_ptr<FaultPlan> plan);

/// The object a wrapper stands for; any other object is returned as it is.
automation::Object innerObject(const automation::Object& o);

/// An automation host whose calls, and those of every object it hands out, follow a FaultPlan.
class FaultyHost final : public automation::AutomationHost {
public:
    FaultyHost(automation::AutomationHost& inner, std::shared_ptr<FaultPlan> plan)
        : m_inner(inner), m_plan(std::move(plan))
    {}

    automation::Object getActiveObject(std::string_view className) override;
    automation::Object createObject(std::string_view className) override;

private:
    automation::AutomationHost& m_inner;
    std::shared_ptr<FaultPlan> m_plan;
};

} // namespace testsupport
