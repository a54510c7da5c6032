#include "BlankRows.h"

namespace operations {

std::vector<double> findBlankRows(const automation::Object& sheet, double first, double last)
{
    std::vector<double> blank;
    for (double row = first; row <= last; ++row) {
        int empty = 0;
        for (double column = 1; column <= kBlankRowColumns; ++column)
            empty += sheet.get("Cells", row, column).equalsText("") ? 1 : 0;
        if (empty == kBlankRowColumns)
            blank.push_back(row);
    }
    return blank;
}

} // namespace operations
