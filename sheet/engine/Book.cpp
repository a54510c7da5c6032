#include "Book.h"

namespace sheet {

std::string Losses::describe() const
{
    std::string out;
    auto add = [&](bool lost, const char* what) {
        if (!lost)
            return;
        if (!out.empty())
            out += "、";
        out += what;
    };
    add(formulas, "公式");
    add(styles, "格式");
    add(mergedCells, "合并单元格");
    add(otherParts, "图表、图片、批注等其他内容");
    return out;
}

} // namespace sheet
