// The embedded spreadsheet, with its own window, is the spreadsheet application here.
#include "app/Hosts.h"

#include "link/LocalHost.h"
#include "sheet/window/SheetWindow.h"

namespace app {

namespace {

class EmbeddedHosts final : public Hosts {
public:
    EmbeddedHosts() { sheet::registerEmbeddedSpreadsheetWithWindow(m_host); }
    automation::AutomationHost& host() override { return m_host; }
    automation::LocalHost& embedded() override { return m_host; }

private:
    automation::LocalHost m_host;
};

} // namespace

std::unique_ptr<Hosts> startHosts()
{
    return std::make_unique<EmbeddedHosts>();
}

} // namespace app
