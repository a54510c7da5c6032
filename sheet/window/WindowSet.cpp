#include "sheet/window/WindowSet.h"

#include "objectmodel/ObjectModel.h"
#include "sheet/document/Workbook.h"
#include "sheet/window/SheetWindow.h"

#include <algorithm>

namespace sheet {

WindowSet::WindowSet(Ref<Application> app) : m_app(std::move(app))
{
    m_app->setObserver(this);
    sync();
}

WindowSet* WindowSet::attach(const Ref<Application>& app)
{
    return new WindowSet(app);
}

WindowSet::~WindowSet()
{
    detach();
}

void WindowSet::detach()
{
    if (m_app->observer() == this)
        m_app->setObserver(nullptr);
}

void WindowSet::forget(SheetWindow* window)
{
    std::erase(m_windows, window);
}

void WindowSet::sync()
{
    if (!m_app->isRunning())
        return;
    const auto& books = m_app->workbooks();
    // The window of a workbook closed elsewhere goes; it cannot close itself from inside this call.
    for (SheetWindow* w : std::vector<SheetWindow*>(m_windows)) {
        Workbook* book = w->workbook();
        if (book && std::none_of(books.begin(), books.end(), [&](const Ref<Workbook>& b) { return b.get() == book; })) {
            forget(w);
            QMetaObject::invokeMethod(w, &SheetWindow::closeQuietly, Qt::QueuedConnection);
        }
    }
    for (const auto& book : books) {
        if (std::any_of(m_windows.begin(), m_windows.end(),
                        [&](SheetWindow* w) { return w->workbook() == book.get(); }))
            continue;
        // A spreadsheet started without a workbook shows an empty window; the first workbook takes it over.
        auto empty = std::find_if(m_windows.begin(), m_windows.end(), [](SheetWindow* w) { return !w->workbook(); });
        if (empty != m_windows.end()) {
            (*empty)->setWorkbook(book.get());
            continue;
        }
        auto* window = new SheetWindow(*this, m_app, book.get());
        m_windows.push_back(window);
        if (m_app->visible()) {
            window->show();
            if (book.get() == m_app->activeWorkbook())
                window->activateWindow();
        }
    }
    if (m_windows.empty())
        m_windows.push_back(new SheetWindow(*this, m_app, nullptr));
}

void WindowSet::applicationChanged(Change what)
{
    // Called for every single change, up to 100,000 times in one edit: each window notes it and leaves.
    switch (what) {
    case Change::Structure:
        sync();
        break;
    case Change::Visibility:
        if (m_app->visible())
            sync();
        break;
    case Change::Quit:
        detach();
        for (SheetWindow* w : std::vector<SheetWindow*>(m_windows))
            w->closeQuietly();
        m_windows.clear();
        deleteLater();
        return;
    default:
        break;
    }
    for (SheetWindow* w : m_windows)
        w->noteChange(what);
}

void registerEmbeddedSpreadsheetWithWindow(automation::LocalHost& host)
{
    host.registerClass(objectmodel::kApplicationClass,
                       [](const std::shared_ptr<automation::RunningObjectTable>& table) {
                           Application::Started app = Application::start(table);
                           WindowSet::attach(app.document);
                           return app.object;
                       });
}

} // namespace sheet
