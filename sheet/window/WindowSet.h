#pragma once

#include "link/LocalHost.h"
#include "objectmodel/Ref.h"
#include "sheet/document/Application.h"
#include "sheet/document/ApplicationObserver.h"

#include <QObject>

#include <vector>

namespace sheet {

class SheetWindow;

/// The windows of one embedded spreadsheet application: one per open workbook, and one empty window while it has
/// none. Attached to the application as its observer, it opens a window for every workbook added or opened, closes
/// the window of a workbook closed, shows and hides them all with the application, and closes them all when it
/// quits; then it deletes itself.
class WindowSet final : public QObject, public ApplicationObserver {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowSet)

public:
    /// Attaches the windows of `app` (replacing any other observer); they are hidden unless it is visible.
    static WindowSet* attach(const Ref<Application>& app);
    ~WindowSet() override;

    void applicationChanged(Change what) override;
    /// Called by a window the user closes, before it closes its workbook.
    void forget(SheetWindow* window);

private:
    explicit WindowSet(Ref<Application> app);
    // One window per workbook; called for every change of structure, so O(workbooks × windows) and no more.
    void sync();
    void detach();

    Ref<Application> m_app;
    std::vector<SheetWindow*> m_windows;
};

/// As registerEmbeddedSpreadsheet, but every application started through `host` gets its windows (a WindowSet),
/// hidden until the application is made visible. Call once at start-up, after a QApplication exists.
void registerEmbeddedSpreadsheetWithWindow(automation::LocalHost& host);

} // namespace sheet
