#pragma once

#include "objectmodel/ObjectModel.h"
#include "operations/Operations.h"

#include <cstdint>
#include <string_view>

namespace operations {

/// What distinguishes inserting rows from inserting columns.
struct Axis {
    std::string_view member;   // the worksheet member that returns one whole line: "Rows" or "Columns"
    std::int16_t shift;        // the Insert call's Shift: xlShiftDown or xlShiftToRight
    double lineCount;          // lines of a worksheet along this axis
    std::string_view lineWord; // 行 or 列, for the failure message
};

/// The interval insertion shared by rows and columns; see insertBlankRows.
void insertAtIntervals(const Axis& axis, automation::Module1& module, automation::Desktop& desktop,
                       const IntervalFields& fields);

} // namespace operations
