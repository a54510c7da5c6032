#pragma once

#include "link/LocalHost.h"
#include "link/Module1.h"
#include "sheet/document/Application.h"
#include "sheet/document/Worksheet.h"
#include "testsupport/FakeDesktop.h"
#include "testsupport/FaultInjection.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

/// The embedded spreadsheet as the program meets it: a host where it is creatable, the application running (by
/// default with one workbook), a desktop that records instead of showing, and the program's Module1 linked to it,
/// through a host that follows a fault plan when asked. No Qt: a window is one registration function away.
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
    };

    SpreadsheetWorld();
    explicit SpreadsheetWorld(Options options);
    SpreadsheetWorld(const SpreadsheetWorld&) = delete;
    SpreadsheetWorld& operator=(const SpreadsheetWorld&) = delete;

    automation::LocalHost local;
    std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>();
    FaultyHost faulty{local, plan};
    FakeDesktop desktop;
    automation::Module1 module;
    /// The application the helpers below read: the one started for the world, by startByUser or by openExcel.
    sheet::Application* app = nullptr;

    /// Starts an instance the way a user would, outside the program, lists its window on the desktop beside the
    /// program's, and makes it `app`.
    sheet::Application& startByUser(bool withWorkbook = true);
    /// Runs the program's OpenExcel and makes the application it bound `app`; null when it bound none.
    sheet::Application* openExcel();

    /// The instance registered as running now, or null; and its late-bound object, or a null reference.
    sheet::Application* running() const;
    automation::Object runningObject() const;

    /// The active sheet of `app`'s active workbook, and its cells.
    sheet::Worksheet& sheet() const { return *app->activeWorkbook()->activeSheet(); }
    sheet::Grid& grid() const { return sheet().grid(); }
    void set(int row, int column, const automation::Value& v) const { grid().setCell(row, column, sheet::toCell(v)); }
    std::string text(int row, int column) const { return sheet::toValue(grid().cell(row, column)).toText(); }
    /// Every non-empty cell of the active sheet as "row,column=text", rows top to bottom.
    std::vector<std::string> cells() const;

    /// The calls made through `faulty`, with their arguments, whose text begins with `prefix`, e.g. "Rows(".
    std::vector<std::string> calls(std::string_view prefix) const;
};

} // namespace testsupport
