// The embedded spreadsheet, with its own window, is the spreadsheet application here.
#include "Automation.h"

#include "LocalHost.h"
#include "SheetWindow.h"

namespace app {

namespace {

class LocalAutomation final : public Automation {
public:
    LocalAutomation() { sheet::registerEmbeddedSpreadsheetWithWindow(m_host); }
    automation::AutomationHost& host() override { return m_host; }
    automation::LocalHost& embedded() override { return m_host; }

private:
    automation::LocalHost m_host;
};

} // namespace

std::unique_ptr<Automation> startAutomation()
{
    return std::make_unique<LocalAutomation>();
}

} // namespace app
