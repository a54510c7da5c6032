#include "link/Module1.h"

#include <optional>

namespace automation {

namespace {

// Runs one step with errors suppressed: a failure abandons the step and becomes the pending error.
template <class Step> void attempt(std::optional<AutomationError>& pending, Step&& step)
{
    try {
        step();
    } catch (const AutomationError& e) {
        pending = e;
    }
}

} // namespace

void Module1::OpenExcel()
{
    std::optional<AutomationError> pending;

    attempt(pending, [&] { xlApp = Value(m_host.getActiveObject(kSpreadsheetClass)); });

    if (pending) {
        // No running instance: start one.
        pending.reset();
        bool started = false;
        attempt(pending, [&] {
            xlApp = Value(m_host.createObject(kSpreadsheetClass));
            started = true;
        });
        // Without a new instance, adding a workbook would either fail with a misleading error or change an
        // instance that an earlier call bound: report the failure to start instead.
        if (started) {
            attempt(pending, [&] { xlApp.get("Workbooks").call("Add"); });
            attempt(pending, [&] { xlApp.get("Worksheets").call("Add"); });
        }
        if (pending) {
            m_desktop.messageBox(pending->description(), {}, kStyleOkOnly);
            return;
        }
    }

    // From here on failures are not reported; each leaves its own target unchanged.
    attempt(pending, [&] { xlApp.put("Visible", true); });
    attempt(pending, [&] {
        Value book = xlApp.get("ActiveWorkbook");
        book.toObject(); // a workbook is an object reference, possibly null
        xlBook = std::move(book);
    });
    attempt(pending, [&] { xlSheet = xlBook.get("ActiveSheet").toObject(); });
    attempt(pending, [&] {
        const std::string caption = xlApp.get("Caption").toText();
        m_desktop.activateWindow(caption);
    });
}

} // namespace automation
