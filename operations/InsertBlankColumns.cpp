#include "IntervalInsertion.h"

namespace operations {

void insertBlankColumns(automation::Module1& module, automation::Platform& platform, const IntervalFields& fields)
{
    static constexpr Axis kColumns{"Columns", kShiftToRight, 16'384, "列"};
    insertAtIntervals(kColumns, module, platform, fields);
}

} // namespace operations
