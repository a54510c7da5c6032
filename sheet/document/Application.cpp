#include "sheet/document/Application.h"

#include "objectmodel/Application.h"
#include "objectmodel/ObjectModel.h"
#include "objectmodel/Worksheet.h"

#include <algorithm>

namespace sheet {

namespace {

constexpr std::string_view kClassName = objectmodel::kApplicationClass;

} // namespace

Application::Started Application::start(const std::shared_ptr<automation::RunningObjectTable>& table)
{
    Ref<Application> app(new Application(table));
    automation::Object object(new objectmodel::Application(app));
    if (table)
        app->m_cookie = table->registerActive(kClassName, object);
    return {app, object};
}

Application::~Application()
{
    // Objects that outlive the application must never reach back into it.
    m_running = false;
    for (auto& book : m_workbooks)
        book->close();
}

std::string Application::caption() const
{
    if (m_active)
        return m_active->name() + " - " + std::string(kName);
    return std::string(kName);
}

void Application::setVisible(bool visible)
{
    m_visible = visible;
    notify(Change::Visibility);
}

void Application::activateWorkbook(Workbook& workbook)
{
    m_active = &workbook;
    notify(Change::Structure);
}

Workbook& Application::addWorkbook()
{
    Ref<Workbook> book(new Workbook(this, "工作簿" + std::to_string(m_nextWorkbookNumber++)));
    book->adoptSheet("Sheet1", Grid()); // a new workbook has nothing to save yet
    m_workbooks.push_back(book);
    m_active = book.get();
    notify(Change::Structure);
    return *book;
}

Workbook& Application::openWorkbook(Book&& book, const std::string& path, FileFormat format)
{
    Ref<Workbook> opened(new Workbook(this, {}));
    for (BookSheet& s : book.sheets)
        opened->adoptSheet(std::move(s.name), std::move(s.grid));
    if (opened->sheets().empty())
        opened->adoptSheet("Sheet1", Grid());
    opened->setOpened(path, format, std::move(book.losses), std::move(book.reading));
    m_workbooks.push_back(opened);
    m_active = opened.get();
    notify(Change::Structure);
    return *opened;
}

void Application::closeWorkbook(Workbook& workbook)
{
    auto it = std::find_if(m_workbooks.begin(), m_workbooks.end(),
                           [&](const Ref<Workbook>& b) { return b.get() == &workbook; });
    if (it == m_workbooks.end())
        return;
    const Ref<Workbook> closing = *it; // alive until it has let go of its sheets
    m_workbooks.erase(it);
    closing->close();
    if (m_active == &workbook)
        m_active = m_workbooks.empty() ? nullptr : m_workbooks.back().get();
    notify(Change::Structure);
}

void Application::quit()
{
    if (!m_running)
        return;
    Ref<Application> self(this); // revoking may drop the last reference
    m_running = false;
    if (auto table = m_table.lock())
        table->revoke(m_cookie);
    // The observer may still read the workbooks while it takes its leave, but hears nothing afterwards.
    notify(Change::Quit);
    m_observer = nullptr;
    m_active = nullptr;
    // A caller may still hold a workbook or a sheet, and must find it disconnected, not reach back into this.
    for (auto& book : m_workbooks)
        book->close();
    m_workbooks.clear();
    m_visible = false;
}

template <> Application* documentOf<Application>(const automation::Object& object)
{
    auto* app = objectmodel::modelObject<objectmodel::Application>(object);
    return app ? dynamic_cast<Application*>(&app->document()) : nullptr;
}

template <> Worksheet* documentOf<Worksheet>(const automation::Object& object)
{
    auto* sheet = objectmodel::modelObject<objectmodel::Worksheet>(object);
    return sheet ? dynamic_cast<Worksheet*>(&sheet->document()) : nullptr;
}

void registerEmbeddedSpreadsheet(automation::LocalHost& host)
{
    host.registerClass(kClassName, [](const std::shared_ptr<automation::RunningObjectTable>& table) {
        return Application::start(table).object;
    });
}

} // namespace sheet
