#include "sheet/engine/Book.h"

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

std::string_view encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Auto:
        return "自动识别";
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Gb18030:
        return "GB18030";
    case TextEncoding::Windows1252:
        return "Windows-1252";
    case TextEncoding::Utf16Le:
        return "UTF-16 LE";
    case TextEncoding::Utf16Be:
        return "UTF-16 BE";
    case TextEncoding::Utf32Le:
        return "UTF-32 LE";
    case TextEncoding::Utf32Be:
        return "UTF-32 BE";
    }
    return "UTF-8";
}

} // namespace sheet
