#include "operations/BlankRows.h"
#include "operations/Fields.h"
#include "operations/Messages.h"
#include "operations/Operations.h"

#include <cmath>
#include <string>

namespace operations {

namespace {

constexpr std::string_view kFailure = "请检查输入的数据,在输入的行号区间内可能不存在空行!";

} // namespace

void selectBlankRows(automation::Module1& module, automation::Desktop& desktop, std::string_view startText,
                     std::string_view endText)
{
    using automation::kStyleInformation;
    using automation::Value;

    module.OpenExcel();

    // nearbyint rounds halves to the even neighbour in the default rounding mode: 2.5 names row 2, 3.5 row 4.
    const double start = std::nearbyint(readField(startText));
    const double end = std::nearbyint(readField(endText));
    auto fail = [&] { desktop.messageBox(kFailure, kNoticeTitle, kStyleInformation); };

    if (!std::isfinite(start) || !std::isfinite(end)) {
        fail();
        return;
    }

    std::size_t selected = 0;
    try {
        const automation::Object sheet = module.xlSheet;
        const std::vector<double> blank = findBlankRows(sheet, start, end);
        if (blank.empty()) {
            fail();
            return;
        }
        // One union per blank row after the first, in ascending order; a single row is united with itself.
        Value range = sheet.get("Rows", blank.front());
        for (std::size_t k = 1; k + 1 < blank.size(); ++k)
            range = module.xlApp.call("Union", range, sheet.get("Rows", blank[k]));
        range = module.xlApp.call("Union", range, sheet.get("Rows", blank.back()));
        range.call("Select");
        selected = blank.size();
    } catch (const automation::AutomationError&) {
        fail();
        return;
    }

    finishInSpreadsheet(module, desktop, "数据处理完成,共选择空行 " + std::to_string(selected) + " 个!", kFailure);
}

} // namespace operations
