#pragma once

#include "Application.h"
#include "ApplicationObserver.h"
#include "Area.h"
#include "LocalHost.h"
#include "Ref.h"

#include <QStringList>
#include <QWidget>

class QTabBar;
class QTableView;

namespace sheet {

class SheetModel;
class Workbook;

/// The embedded spreadsheet application's own window: the active sheet of the active workbook as a grid, with the
/// workbook's sheets as tabs underneath and the sheet's selection highlighted.
///
/// Attached to one application as its observer, it is shown while the application is visible and titled with its
/// caption. Closing the window quits the application, so the next automation call starts a new one; when the
/// application quits, the window closes. Either way the window then deletes itself.
///
/// Changes are coalesced: the observer call only notes what changed, and one refresh on the event loop redraws
/// everything, however many changes came before it (100,000 row insertions cost one repaint). Only showing, hiding
/// and the title follow at once, so that a caller may find the window by its caption right after making it visible.
///
/// Clicking a cell, a row number or a column letter makes that cell, row or column the sheet's selection; clicking a
/// tab activates that sheet; typing into a cell stores what was typed (see SheetModel::typedCell).
class SheetWindow final : public QWidget, public ApplicationObserver {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SheetWindow)

public:
    /// Creates the window of `app`, hidden unless the application is visible, and attaches it as its observer
    /// (replacing any other). The window owns itself; it lives until it is closed or the application quits.
    static SheetWindow* attach(const Ref<Application>& app);
    /// The window attached to `app`, or null. O(number of top-level windows).
    static SheetWindow* forApplication(const Application* app);
    ~SheetWindow() override;

    void applicationChanged(Change what) override;

    Application& application() const { return *m_app; }
    /// How many refreshes have run: a test hook showing that changes are coalesced.
    int refreshCount() const { return m_refreshCount; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit SheetWindow(Ref<Application> app);

    void scheduleRefresh();
    void refresh();
    void updateTitle();
    void updateTabs(const Workbook* book);
    void scrollToSelection();
    void selectArea(Area area);
    void activateTab(int index);
    void detach();

    Ref<Application> m_app;
    SheetModel* m_model;
    QTableView* m_view;
    QTabBar* m_tabs;
    QStringList m_tabNames;

    bool m_refreshScheduled = false;
    bool m_selectionChanged = false;
    bool m_scrollPending = false; // the selection changed through automation, not by a click here
    bool m_selectingHere = false;
    int m_refreshCount = 0;
};

/// As registerEmbeddedSpreadsheet, but every application started through `host` gets a SheetWindow, hidden until
/// the application is made visible. Call once at start-up, after a QApplication exists.
void registerEmbeddedSpreadsheetWithWindow(automation::LocalHost& host);

} // namespace sheet
