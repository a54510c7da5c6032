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
    add(unreadableCells, "无法读取的单元格");
    add(cutTexts, "超长文本的末尾");
    add(macros, "宏");
    add(templateKind, "模板");
    return out;
}

} // namespace sheet
