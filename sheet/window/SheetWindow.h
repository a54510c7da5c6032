#pragma once

#include "objectmodel/Area.h"
#include "sheet/files/LockFile.h"
#include "sheet/window/WindowSet.h"

#include <QMainWindow>
#include <QModelIndex>
#include <QStringList>

#include <optional>

class QAction;
class QLabel;
class QTabBar;

namespace sheet {

class GridView;
class SheetModel;
class Workbook;

/// The window of one workbook: its active sheet as a grid, its sheets as tabs underneath, the sheet's selection
/// highlighted, and a File menu (New, Open, Reopen with Another Encoding, Save, Save As, Close). Titled with
/// Workbook::title, which starts with the application's Caption while the workbook is the active one; activating the
/// window makes its workbook active.
///
/// Changes are coalesced: the observer call only notes what changed, and one refresh on the event loop redraws
/// everything, however many changes came before it (100,000 row insertions cost one repaint). Only showing, hiding
/// and the title follow at once, so that a caller may find the window by its caption right after making it visible.
///
/// Clicking a cell, a row number or a column letter makes that cell, row or column the sheet's selection, and so does
/// moving to a cell by the keyboard (see GridView); a selection made through automation stays until the user moves,
/// and its top left cell is where the next move starts. Clicking a tab activates that sheet; typing into a cell
/// stores what was typed (see SheetModel::typedCell); Delete clears every cell of the selection.
///
/// A text file whose encoding was guessed, or is not UTF-8, says how it was read in a status line, and saving it over
/// its file (as UTF-8) asks first.
///
/// Closing a window with unsaved changes asks Save / Don't Save / Cancel; closing the last one quits the
/// application, so the next automation call starts a new one. File errors are shown as warnings, never thrown.
/// Dialogs go through WindowDialogs::current().
class SheetWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SheetWindow)

public:
    /// The window of the active workbook of `app`, else any of its windows, or null. O(number of top-level windows).
    static SheetWindow* forApplication(const Application* app);
    /// The window showing `book`, or null.
    static SheetWindow* forWorkbook(const Workbook* book);
    ~SheetWindow() override;

    Application& application() const { return *m_app; }
    /// The workbook shown; null for the empty window of an application without workbooks.
    Workbook* workbook() const { return m_book.get(); }
    /// How many refreshes have run: a test hook showing that changes are coalesced.
    int refreshCount() const { return m_refreshCount; }

    /// File > New, Open…, Save, Save As…: what the menu does. The save functions return whether the workbook was
    /// written; a CSV of one sheet out of several is written but leaves the workbook modified.
    void newWorkbook();
    void openFile();
    bool save();
    bool saveAs();
    /// File > Reopen with Another Encoding…: reads the workbook's text file again in the encoding the user chooses,
    /// in a new window that takes this one's place; asks first when that would drop unsaved changes.
    void reopenWithEncoding();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class WindowSet;
    SheetWindow(WindowSet& set, Ref<Application> app, Workbook* book);

    void setWorkbook(Workbook* book);
    void noteChange(Change what);
    void closeQuietly();
    /// Leaves the set of windows and the workbook: the first steps of closing, however it closes.
    void letGo();
    bool writeTo(const QString& path, FileFormat format);
    // Explains `message`, and runs Save As if the user agrees.
    bool askSaveAs(const QString& message);
    bool isOpen() const;

    void scheduleRefresh();
    void refresh();
    void updateTitle();
    void updateTabs(const Workbook* book);
    std::optional<QModelIndex> selectionAnchor() const;
    void scrollToSelection();
    void selectArea(Area area);
    void clearSelection();
    void activateTab(int index);
    void createMenu();
    // Keeps the claim on the workbook's file that other programs see (a lock file), following Save As.
    void claimFile();

    WindowSet* m_set;
    Ref<Application> m_app;
    Ref<Workbook> m_book;
    SheetModel* m_model;
    GridView* m_view;
    QTabBar* m_tabs;
    QStringList m_tabNames;
    EditLock m_lock;
    std::string m_lockedPath;
    QLabel* m_readingNote; // how a text file's encoding was read, when there is anything to say
    QAction* m_reopenAction;

    bool m_refreshScheduled = false;
    bool m_selectionChanged = false;
    bool m_scrollPending = false; // the selection changed through automation, not by a click here
    bool m_selectingHere = false;
    bool m_markShown = false; // whether the title shows the workbook as modified
    bool m_closingQuietly = false;
    int m_refreshCount = 0;
};

} // namespace sheet
