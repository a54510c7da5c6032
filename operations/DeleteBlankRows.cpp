#include "operations/BlankRows.h"
#include "operations/Fields.h"
#include "operations/Messages.h"
#include "operations/Operations.h"

#include <cmath>
#include <string>

namespace operations {

namespace {

constexpr std::string_view kFailure = "请检查输入的数据";

} // namespace

void deleteBlankRows(automation::Module1& module, automation::Desktop& desktop, std::string_view startText,
                     std::string_view endText)
{
    using automation::kStyleInformation;

    module.OpenExcel();

    const double start = std::floor(readField(startText));
    const double end = std::floor(readField(endText));
    auto fail = [&] { desktop.messageBox(kFailure, kNoticeTitle, kStyleInformation); };

    if (!std::isfinite(start) || !std::isfinite(end) || start < 0.99 || end < 0.99 || end < start) {
        fail();
        return;
    }

    long long deleted = 0;
    try {
        const automation::Object sheet = module.xlSheet;
        const std::vector<double> blank = findBlankRows(sheet, start, end);
        // Bottom up: every row still stands where the scan found it, so only rows that were blank are deleted,
        // and nothing has to be written into the sheet to remember them.
        for (auto row = blank.rbegin(); row != blank.rend(); ++row) {
            sheet.get("Rows", *row).call("Delete");
            ++deleted;
        }
    } catch (const automation::AutomationError&) {
        fail();
        return;
    }

    finishInSpreadsheet(module, desktop, "数据处理完成,共删除空行 " + std::to_string(deleted) + " 个!", kFailure);
}

} // namespace operations
