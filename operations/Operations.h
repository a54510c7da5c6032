#pragma once

#include "Module1.h"
#include "Platform.h"

#include <string>

namespace operations {

/// The four boxes of an interval insertion, as the user typed them.
struct IntervalFields {
    std::string start;    // first row (column) of the range
    std::string end;      // last row (column) of the range
    std::string interval; // K: rows (columns) in each group
    std::string count;    // N: blank rows (columns) inserted after each group
};

/// Inserts N blank rows after every K rows from the start row, for as many whole intervals as fit before the end row.
///
/// Checks the input before connecting: a range shorter than one interval, or an interval with no finite ratio
/// (K = 0), shows "重新调整总行数和间隔行数！"; a blank box, a number beyond the range of a double, or more
/// insertions than the sheet has rows shows "检查数据输入！" (both titled "错误"). Then connects through
/// `module.OpenExcel()`, inserts each blank row by its own Rows(P).Insert call, reports completion and brings the
/// main window back to the front. A failing call ends the click with its description; the rows inserted so far stay.
/// Never throws. Cost: two calls to the spreadsheet per blank row.
void insertBlankRows(automation::Module1& module, automation::Platform& platform, const IntervalFields& fields);

} // namespace operations
