// Microsoft Excel through COM, in a single-threaded apartment on the UI thread; the embedded spreadsheet where
// Excel is not installed.
#include "Automation.h"

#include "Apartment.h"
#include "ComHost.h"
#include "FallbackHost.h"
#include "LocalHost.h"
#include "SheetWindow.h"

namespace app {

namespace {

class WindowsAutomation final : public Automation {
public:
    WindowsAutomation() { sheet::registerEmbeddedSpreadsheetWithWindow(m_embedded); }
    automation::AutomationHost& host() override { return m_host; }
    automation::LocalHost& embedded() override { return m_embedded; }

private:
    // Declared first: COM must outlive every object below.
    automation::com::Apartment m_apartment;
    automation::com::ComHost m_excel;
    automation::LocalHost m_embedded;
    automation::FallbackHost m_host{m_excel, m_embedded};
};

} // namespace

std::unique_ptr<Automation> startAutomation()
{
    return std::make_unique<WindowsAutomation>();
}

} // namespace app
