#include "operations/IntervalInsertion.h"

#include "operations/Fields.h"
#include "operations/Messages.h"

#include <cmath>
#include <string>

namespace operations {

namespace {

constexpr std::string_view kRatioMessage = "重新调整总行数和间隔行数！";
constexpr std::string_view kInputMessage = "检查数据输入！";
constexpr std::string_view kDoneMessage = "数据处理完成,谢谢使用!";

} // namespace

void insertAtIntervals(const Axis& axis, automation::Module1& module, automation::Desktop& desktop,
                       const IntervalFields& fields)
{
    using automation::kStyleInformation;

    const double start = readField(fields.start);
    const double end = readField(fields.end);
    const double interval = readField(fields.interval);
    const double count = readField(fields.count);

    if (!std::isfinite(start) || !std::isfinite(end) || !std::isfinite(interval) || !std::isfinite(count)) {
        desktop.messageBox(kInputMessage, kErrorTitle, kStyleInformation);
        return;
    }

    // A zero interval, or a span too wide for a double, leaves no ratio to count intervals by.
    const double ratio = (end - start) / interval;
    const double points = std::isfinite(ratio) ? std::floor(ratio) : 0;
    if (points < 1) {
        desktop.messageBox(kRatioMessage, kErrorTitle, kStyleInformation);
        return;
    }

    if (isBlankBox(fields.start) || isBlankBox(fields.end) || isBlankBox(fields.interval) || isBlankBox(fields.count)) {
        desktop.messageBox(kInputMessage, kErrorTitle, kStyleInformation);
        return;
    }

    // More insertions than the sheet has lines could never succeed, and would keep the window frozen for ages.
    const double perPoint = count >= 1 ? std::floor(count) : 0;
    if (perPoint > 0 && points * perPoint > axis.lineCount) {
        desktop.messageBox(kInputMessage, kErrorTitle, kStyleInformation);
        return;
    }

    module.OpenExcel();

    long long inserted = 0;
    try {
        // With nothing to insert at each point, walking the points would change nothing.
        if (perPoint > 0) {
            const auto shift = automation::Named("Shift", axis.shift);
            for (double i = 1; i <= points; ++i) {
                const double position = start + interval * i + count * (i - 1);
                for (double j = 1; j <= perPoint; ++j) {
                    module.xlSheet.get(axis.member, position).call("Insert", shift);
                    ++inserted;
                }
            }
        }
    } catch (const automation::AutomationError& e) {
        const std::string text = "插入空" + std::string(axis.lineWord) + "时出错,已插入 " + std::to_string(inserted) +
                                 " " + std::string(axis.lineWord) + "。\n" + e.description();
        desktop.messageBox(text, kNoticeTitle, kStyleInformation);
        return;
    }

    desktop.messageBox(kDoneMessage, kNoticeTitle, kStyleInformation);
    desktop.activateWindow(automation::kProgramTitle);
}

} // namespace operations
