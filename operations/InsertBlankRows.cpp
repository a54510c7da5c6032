#include "operations/IntervalInsertion.h"

namespace operations {

void insertBlankRows(automation::Module1& module, automation::Desktop& desktop, const IntervalFields& fields)
{
    static constexpr Axis kRows{"Rows", objectmodel::kShiftDown, objectmodel::kSheetRows, "行"};
    insertAtIntervals(kRows, module, desktop, fields);
}

} // namespace operations
