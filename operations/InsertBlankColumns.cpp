#include "IntervalInsertion.h"

namespace operations {

void insertBlankColumns(automation::Module1& module, automation::Platform& platform, const IntervalFields& fields)
{
    static constexpr Axis kColumns{"Columns", objectmodel::kShiftToRight, objectmodel::kSheetColumns, "列"};
    insertAtIntervals(kColumns, module, platform, fields);
}

} // namespace operations
