#include "operations/BlankRows.h"

#include "operations/Messages.h"

namespace operations {

std::vector<double> findBlankRows(const automation::Object& sheet, double first, double last)
{
    std::vector<double> blank;
    for (double row = first; row <= last; ++row) {
        int empty = 0;
        for (double column = 1; column <= kBlankRowColumns; ++column)
            empty += sheet.get("Cells", row, column).equalsText("") ? 1 : 0;
        if (empty == kBlankRowColumns)
            blank.push_back(row);
    }
    return blank;
}

void finishInSpreadsheet(automation::Module1& module, automation::Desktop& desktop, std::string_view doneText,
                         std::string_view failureText)
{
    desktop.messageBox(doneText, kNoticeTitle, automation::kStyleInformation);
    try {
        desktop.activateWindow(module.xlApp.get("Caption").toText());
    } catch (const automation::AutomationError&) {
        desktop.messageBox(failureText, kNoticeTitle, automation::kStyleInformation);
    }
}

} // namespace operations
