#include "operations/IntervalInsertion.h"

namespace operations {

void insertBlankColumns(automation::Module1& module, automation::Desktop& desktop, const IntervalFields& fields)
{
    static constexpr Axis kColumns{"Columns", objectmodel::kShiftToRight, objectmodel::kSheetColumns, "列"};
    insertAtIntervals(kColumns, module, desktop, fields);
}

} // namespace operations
