#pragma once

#include "link/Automation.h"
#include "link/AutomationHost.h"
#include "link/Desktop.h"
#include "objectmodel/ObjectModel.h"

#include <string_view>

namespace automation {

/// The class name under which the spreadsheet application is reached.
inline constexpr std::string_view kSpreadsheetClass = objectmodel::kApplicationClass;

/// The link between the program and the spreadsheet application: the application, its active workbook and that
/// workbook's active sheet, bound afresh by every OpenExcel. One instance lives for the whole process.
class Module1 {
public:
    Module1(AutomationHost& host, Desktop& desktop) : m_host(host), m_desktop(desktop) {}

    /// The spreadsheet application; empty until first bound.
    Value xlApp;
    /// The workbook active when last bound; a null reference when the application had none open.
    Value xlBook;
    /// The active sheet of xlBook when last bound; null until first bound.
    Object xlSheet;

    /// Attaches to the running spreadsheet application, or starts one with a new workbook and one more sheet;
    /// makes it visible, binds xlApp, xlBook and xlSheet, and brings its window to the front.
    ///
    /// Never throws and returns no status. Each failing step is skipped and leaves what it would have assigned
    /// unchanged. Only a failed start is reported: one message box (OK only, the program's title) with the
    /// description of the last failure of the start.
    void OpenExcel();

private:
    AutomationHost& m_host;
    Desktop& m_desktop;
};

} // namespace automation
