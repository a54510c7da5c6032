#pragma once

#include "link/Desktop.h"
#include "link/Module1.h"

#include <string>
#include <string_view>

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
void insertBlankRows(automation::Module1& module, automation::Desktop& desktop, const IntervalFields& fields);

/// The same for columns: N blank columns after every K columns, each by its own Columns(P).Insert call; at most
/// as many insertions in all as a sheet has columns.
void insertBlankColumns(automation::Module1& module, automation::Desktop& desktop, const IntervalFields& fields);

/// Deletes the blank rows (columns 1 to 20 empty) from the start row to the end row, after connecting.
///
/// The boxes are rounded down. A start or end row below 1, an end row before the start row, or any failure of the
/// spreadsheet (a cell holding an error value, a row beyond the sheet, a refused deletion) shows
/// "请检查输入的数据". Only rows of the range that were blank when scanned are deleted, bottom up; nothing is
/// written into the sheet, so a failure leaves no trace but the rows already deleted. On success reports
/// "数据处理完成,共删除空行 N 个!" and brings the spreadsheet to the front. Never throws.
/// Cost: 20 reads per row of the range and one Rows(i).Delete per blank row.
void deleteBlankRows(automation::Module1& module, automation::Desktop& desktop, std::string_view startText,
                     std::string_view endText);

/// Selects the blank rows from the start row to the end row as one range of whole rows, after connecting.
///
/// The boxes are rounded to the nearest row, halves to even. No blank row, an end row before the start row, a row
/// outside the sheet, a number that is no row at all, or any failure of the spreadsheet shows
/// "请检查输入的数据,在输入的行号区间内可能不存在空行!" with the sheet and its selection unchanged. On success
/// reports "数据处理完成,共选择空行 N 个!" and brings the spreadsheet to the front. Never throws.
/// Cost: 20 reads per row, one Union per blank row after the first, one Select.
void selectBlankRows(automation::Module1& module, automation::Desktop& desktop, std::string_view startText,
                     std::string_view endText);

} // namespace operations
