#pragma once

#include "link/AutomationHost.h"
#include "link/uno/Office.h"

#include <memory>

namespace automation::uno {

class CalcApplication;

/// LibreOffice Calc under the class name "Excel.Application".
///
/// getActiveObject: the office this user runs, when it has a spreadsheet document open; it is made to accept the
/// program's connection if it does not yet, and nothing is opened in it. createObject: an office started with
/// `options` (or the running one, on the same profile), hidden until made visible. Each gives the same
/// application object while its office runs.
class CalcHost final : public AutomationHost {
public:
    explicit CalcHost(OfficeOptions options = {});
    ~CalcHost() override;

    Object getActiveObject(std::string_view className) override;
    Object createObject(std::string_view className) override;

private:
    Object bind(std::shared_ptr<Office> office, bool visible);

    OfficeOptions m_options;
    Object m_application;
    CalcApplication* m_document = nullptr; // behind m_application
};

} // namespace automation::uno
