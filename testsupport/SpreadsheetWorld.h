#pragma once

#include "link/LocalHost.h"
#include "link/Module1.h"
#include "objectmodel/Document.h"
#include "sheet/document/Application.h"
#include "sheet/document/Worksheet.h"
#include "testsupport/FakeDesktop.h"
#include "testsupport/FaultInjection.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

/// The spreadsheet applications a world can hold.
enum class Application { Embedded, LibreOffice };
std::string_view nameOf(Application application);
/// The applications this test program runs its shared tests against (each test program says).
std::vector<Application> applicationsUnderTest();

/// An application besides the embedded spreadsheet, as a world needs it; provided by the test programs that run
/// against it.
class OtherApplication {
public:
    virtual ~OtherApplication() = default;
    virtual automation::AutomationHost& host() = 0;
    /// Runs it as the user does, with one workbook open when asked and no other; its document, or null when the
    /// program would find none running.
    virtual objectmodel::ApplicationDocument* startByUser(bool withWorkbook) = 0;
    /// As SpreadsheetWorld's.
    virtual std::vector<std::string> cells(objectmodel::SheetDocument& sheet) = 0;
    virtual std::string selection(objectmodel::SheetDocument& sheet) = 0;
    /// The user closes every workbook.
    virtual void closeAll() = 0;
};
using OtherApplicationFactory = std::unique_ptr<OtherApplication> (*)(Application);
/// Set by a test program that runs against another application.
void provideOtherApplications(OtherApplicationFactory factory);

/// The spreadsheet application as the program meets it: a host where it is creatable, the application running (by
/// default with one workbook), a desktop that records instead of showing, and the program's Module1 linked to it,
/// through a host that follows a fault plan when asked. No Qt: a window is one registration function away. It is
/// the embedded spreadsheet unless the options name another application; the helpers marked embedded only then
/// must not be used.
class SpreadsheetWorld {
public:
    /// What runs before the test begins.
    enum class Start {
        Nothing,     // no application: the program or the test starts one
        Application, // an instance the user started, with no workbook
        Workbook,    // an instance the user started, with one workbook open
        OpenExcel,   // the instance the program's own OpenExcel started, as a first click does
    };
    using Registration = void (*)(automation::LocalHost&);
    struct Options {
        Start start = Start::Workbook;
        /// Module1 connects through `faulty`, whose calls follow `plan`; otherwise straight to `local`.
        bool faults = false;
        /// How the spreadsheet is made creatable, e.g. sheet::registerEmbeddedSpreadsheetWithWindow.
        Registration registration = &sheet::registerEmbeddedSpreadsheet;
        Application application = Application::Embedded;
    };

    SpreadsheetWorld();
    explicit SpreadsheetWorld(Options options);
    SpreadsheetWorld(const SpreadsheetWorld&) = delete;
    SpreadsheetWorld& operator=(const SpreadsheetWorld&) = delete;

    automation::LocalHost local;
    std::unique_ptr<OtherApplication> other; // null for the embedded spreadsheet
    std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>();
    FaultyHost faulty;
    FakeDesktop desktop;
    automation::Module1 module;
    /// The application the helpers below read: the one started for the world, by startByUser or by openExcel.
    objectmodel::ApplicationDocument* document = nullptr;
    /// The same, when it is the embedded spreadsheet.
    sheet::Application* app = nullptr;

    /// Starts an instance the way a user would, outside the program, lists its window on the desktop beside the
    /// program's, and makes it `app`.
    sheet::Application& startByUser(bool withWorkbook = true);
    /// Runs the program's OpenExcel and makes the application it bound `app`; null when it bound none.
    sheet::Application* openExcel();

    /// The instance registered as running now, or null; and its late-bound object, or a null reference.
    sheet::Application* running() const;
    automation::Object runningObject() const;

    /// The active sheet of the active workbook, whichever the application.
    objectmodel::SheetDocument& activeSheet() const { return *document->activeWorkbook()->activeSheet(); }
    void set(int row, int column, const automation::Value& v) const;
    std::string text(int row, int column) const { return activeSheet().cell(row, column).toText(); }
    /// Every non-empty cell of the active sheet as "row,column=text", rows top to bottom.
    std::vector<std::string> cells() const;
    /// The active sheet's selection, e.g. "$3:$3,$5:$5".
    std::string selection() const;
    std::string caption() const { return document->caption(); }
    /// The user ends the application (the embedded spreadsheet) or closes every workbook (another one), so that
    /// the program finds none running.
    void closeApplication();

    /// Embedded only: the active sheet and its cells.
    sheet::Worksheet& sheet() const { return *app->activeWorkbook()->activeSheet(); }
    sheet::Grid& grid() const { return sheet().grid(); }

    /// The calls made through `faulty`, with their arguments, whose text begins with `prefix`, e.g. "Rows(".
    std::vector<std::string> calls(std::string_view prefix) const;
};

} // namespace testsupport
