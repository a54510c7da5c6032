#pragma once

#include "link/LocalHost.h"
#include "sheet/model/ApplicationObserver.h"
#include "sheet/model/ModelObject.h"
#include "sheet/model/Range.h"
#include "sheet/model/Ref.h"
#include "sheet/model/Workbook.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sheet {

/// The embedded spreadsheet application, reached under the class name "Excel.Application".
///
/// While it runs it is registered as the running instance of that class. A new instance is hidden and has no
/// workbook. Quit unregisters it and releases its workbooks; every later call on it or on any of its objects raises
/// the disconnection error.
///
/// Members: Workbooks, Worksheets and Sheets (of the active workbook), ActiveWorkbook (a null reference when none is
/// open), ActiveSheet, Visible (get, put), Caption, Name, Union(range, range, ...), ScreenUpdating (get, put), Quit.
class Application final : public ModelObject {
public:
    /// The application's name; its window is titled with it.
    static constexpr std::string_view kName = "Tessavo 表格";

    /// Starts an instance and registers it in `table` as the running one.
    static Ref<Application> start(const std::shared_ptr<automation::RunningObjectTable>& table);
    ~Application() override;

    automation::Value invoke(std::string_view member, automation::CallKind kind,
                             std::span<const automation::Value> args,
                             std::span<const automation::NamedArg> named) override;

    bool visible() const { return m_visible; }
    /// Shows or hides the application, and tells the observer.
    void setVisible(bool visible);
    /// The active workbook's name, then the application's name; the application's name alone without one. It is
    /// the title of the active workbook's window up to the modified mark (see Workbook::title), so that activating a
    /// window by caption, which takes a title starting with it, finds that window before and after an edit.
    std::string caption() const;

    const std::vector<Ref<Workbook>>& workbooks() const { return m_workbooks; }
    Workbook* activeWorkbook() const { return m_active; }
    void activateWorkbook(Workbook& workbook);
    /// Adds a workbook named "工作簿N" holding one sheet, and makes it active.
    Workbook& addWorkbook();
    /// Adds a workbook holding the sheets of `book` (grids moved in, first sheet active; one blank sheet when it has
    /// none), read from `path` (UTF-8) as `format`, unmodified and remembering book.losses and book.reading; makes
    /// it active and notifies Structure. O(number of sheets).
    Workbook& openWorkbook(Book&& book, const std::string& path, FileFormat format);
    /// Removes `workbook` and closes it (see Workbook::close); another workbook, if any, becomes active. Notifies
    /// Structure. Does nothing for a workbook that is not this application's.
    void closeWorkbook(Workbook& workbook);
    /// The range covering all areas of `ranges`, which must all lie on one sheet (else error 1004).
    Ref<Range> unite(std::span<Range* const> ranges) const;

    /// Tells the observer Quit, then unregisters the instance and releases its workbooks; the observer is detached
    /// and never called again. Does nothing once quit.
    void quit();

    /// Attaches the one observer told about every change a window would show; null detaches it. Replaces any
    /// earlier observer. The observer must stay alive until detached or until the application has quit.
    void setObserver(ApplicationObserver* observer) { m_observer = observer; }
    ApplicationObserver* observer() const { return m_observer; }
    /// Tells the observer, if any, that `what` changed. Costs one virtual call; nothing without an observer.
    void notify(Change what) const
    {
        if (m_observer)
            m_observer->applicationChanged(what);
    }

private:
    explicit Application(std::weak_ptr<automation::RunningObjectTable> table);

    std::weak_ptr<automation::RunningObjectTable> m_table;
    std::uint32_t m_cookie = 0;
    std::vector<Ref<Workbook>> m_workbooks;
    Workbook* m_active = nullptr;
    bool m_visible = false;
    bool m_screenUpdating = true;
    int m_nextWorkbookNumber = 1;
    ApplicationObserver* m_observer = nullptr;
};

/// Makes the embedded spreadsheet creatable through `host` under "Excel.Application".
void registerEmbeddedSpreadsheet(automation::LocalHost& host);

} // namespace sheet
