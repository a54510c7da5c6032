// LibreOffice Calc, where it is installed, is the spreadsheet application here, and the embedded spreadsheet where
// it is not: the user's running Calc with a spreadsheet open first, then a running embedded spreadsheet; a new
// instance is LibreOffice's when it can start. TESSAVO_SPREADSHEET=embedded leaves LibreOffice out.
#include "app/Hosts.h"

#include "link/FallbackHost.h"
#include "link/LocalHost.h"
#include "link/uno/CalcHost.h"
#include "sheet/window/SheetWindow.h"

#include <cstdlib>
#include <string_view>

namespace app {

namespace {

class LibreOfficeHosts final : public Hosts {
public:
    explicit LibreOfficeHosts(bool withCalc) : m_withCalc(withCalc)
    {
        sheet::registerEmbeddedSpreadsheetWithWindow(m_embedded);
    }
    automation::AutomationHost& host() override
    {
        return m_withCalc ? static_cast<automation::AutomationHost&>(m_either) : m_embedded;
    }
    automation::LocalHost& embedded() override { return m_embedded; }

private:
    bool m_withCalc;
    automation::LocalHost m_embedded;
    automation::uno::CalcHost m_calc;
    automation::FallbackHost m_either{m_calc, m_embedded};
};

} // namespace

std::unique_ptr<Hosts> startHosts()
{
    const char* choice = std::getenv("TESSAVO_SPREADSHEET");
    return std::make_unique<LibreOfficeHosts>(!choice || std::string_view(choice) != "embedded");
}

} // namespace app
