#include "IntervalInsertion.h"

namespace operations {

void insertBlankRows(automation::Module1& module, automation::Platform& platform, const IntervalFields& fields)
{
    static constexpr Axis kRows{"Rows", objectmodel::kShiftDown, objectmodel::kSheetRows, "行"};
    insertAtIntervals(kRows, module, platform, fields);
}

} // namespace operations
