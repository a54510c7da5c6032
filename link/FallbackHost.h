#pragma once

#include "link/AutomationHost.h"

namespace automation {

/// Asks one host first and another when the first cannot help: on Windows, Microsoft Excel through COM first and
/// the embedded spreadsheet where Excel is not installed or not running.
///
/// getActiveObject: the first host's running instance, else the second's; when neither runs, the first host's
/// error. createObject: the first host's new instance, else the second's; when both fail, the first host's error,
/// which says why the preferred application could not be started.
class FallbackHost final : public AutomationHost {
public:
    FallbackHost(AutomationHost& first, AutomationHost& second) : m_first(first), m_second(second) {}

    Object getActiveObject(std::string_view className) override;
    Object createObject(std::string_view className) override;

private:
    AutomationHost& m_first;
    AutomationHost& m_second;
};

} // namespace automation
