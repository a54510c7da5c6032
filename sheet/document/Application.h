#pragma once

#include "link/LocalHost.h"
#include "objectmodel/Document.h"
#include "sheet/document/ApplicationObserver.h"
#include "sheet/document/Workbook.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sheet {

/// The embedded spreadsheet application: its workbooks, one of them active, its visibility, and the one observer
/// told about every change (its windows).
///
/// While it runs, the object model over it is registered as the running instance of "Excel.Application". A new
/// instance is hidden and has no workbook. Quit unregisters it and releases its workbooks; its objects are no
/// longer connected afterwards.
class Application final : public objectmodel::ApplicationDocument {
public:
    /// The application's name; its window is titled with it.
    static constexpr std::string_view kName = "Tessavo 表格";

    /// A running instance and the late-bound object it is reached by.
    struct Started {
        Ref<Application> document;
        automation::Object object;
    };
    /// Starts an instance and registers its object in `table` as the running one.
    static Started start(const std::shared_ptr<automation::RunningObjectTable>& table);
    ~Application() override;

    bool isRunning() const override { return m_running; }
    std::string name() const override { return std::string(kName); }
    bool visible() const override { return m_visible; }
    /// Shows or hides the application, and tells the observer.
    void setVisible(bool visible) override;
    /// The active workbook's name, then the application's name; the application's name alone without one. It is
    /// the title of the active workbook's window up to the modified mark (see Workbook::title), so that activating a
    /// window by caption, which takes a title starting with it, finds that window before and after an edit.
    std::string caption() const override;

    const std::vector<Ref<Workbook>>& workbooks() const { return m_workbooks; }
    std::size_t workbookCount() const override { return m_workbooks.size(); }
    Workbook& workbook(std::size_t index) const override { return *m_workbooks[index]; }
    Workbook* activeWorkbook() const override { return m_active; }
    void activateWorkbook(Workbook& workbook);
    /// Adds a workbook named "工作簿N" holding one sheet, and makes it active.
    Workbook& addWorkbook() override;
    /// Adds a workbook holding the sheets of `book` (grids moved in, first sheet active; one blank sheet when it has
    /// none), read from `path` (UTF-8) as `format`, unmodified and remembering book.losses and book.reading; makes
    /// it active and notifies Structure. O(number of sheets).
    Workbook& openWorkbook(Book&& book, const std::string& path, FileFormat format);
    /// Removes `workbook` and closes it (see Workbook::close); another workbook, if any, becomes active. Notifies
    /// Structure. Does nothing for a workbook that is not this application's.
    void closeWorkbook(Workbook& workbook);

    /// Tells the observer Quit, then unregisters the instance and releases its workbooks; the observer is detached
    /// and never called again. Does nothing once quit.
    void quit() override;

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
    explicit Application(std::weak_ptr<automation::RunningObjectTable> table) : m_table(std::move(table)) {}

    std::weak_ptr<automation::RunningObjectTable> m_table;
    std::uint32_t m_cookie = 0;
    bool m_running = true;
    std::vector<Ref<Workbook>> m_workbooks;
    Workbook* m_active = nullptr;
    bool m_visible = false;
    int m_nextWorkbookNumber = 1;
    ApplicationObserver* m_observer = nullptr;
};

/// The embedded spreadsheet's object behind a late-bound reference to its object model (the application, or one
/// of its sheets), or null when it is none of these.
template <class T> T* documentOf(const automation::Object& object);
template <> Application* documentOf<Application>(const automation::Object& object);
template <> Worksheet* documentOf<Worksheet>(const automation::Object& object);

/// Makes the embedded spreadsheet creatable through `host` under "Excel.Application".
void registerEmbeddedSpreadsheet(automation::LocalHost& host);

} // namespace sheet
