#pragma once

#include "link/Automation.h"
#include "link/Desktop.h"
#include "link/Module1.h"

#include <string_view>

#include <vector>

namespace operations {

/// A row is blank when its cells in these first columns are all empty; columns further right are never looked at.
inline constexpr int kBlankRowColumns = 20;

/// The row numbers from `first` to `last` (ascending) whose cells in columns 1 to 20 all compare equal to the empty
/// text. Every cell of the range is read by its own Cells call, also after a non-empty one, so that a cell holding
/// an error value anywhere in those columns is noticed.
///
/// Throws AutomationError when the sheet refuses a read (a row outside the sheet, no usable sheet) or a cell holds
/// an error value, which cannot be compared. Changes nothing. Cost: 20 reads per row.
std::vector<double> findBlankRows(const automation::Object& sheet, double first, double last);

/// Ends a successful click: shows `doneText`, then brings the spreadsheet to the front by its Caption. A failure to
/// read the caption shows `failureText` after the completion. Never throws.
void finishInSpreadsheet(automation::Module1& module, automation::Desktop& desktop, std::string_view doneText,
                         std::string_view failureText);

} // namespace operations
