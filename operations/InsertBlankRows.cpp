#include "IntervalInsertion.h"

namespace operations {

void insertBlankRows(automation::Module1& module, automation::Platform& platform, const IntervalFields& fields)
{
    static constexpr Axis kRows{"Rows", kShiftDown, 1'048'576, "行"};
    insertAtIntervals(kRows, module, platform, fields);
}

} // namespace operations
