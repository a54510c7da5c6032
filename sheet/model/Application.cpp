#include "sheet/model/Application.h"

#include "objectmodel/ObjectModel.h"
#include "sheet/model/Errors.h"
#include "sheet/model/MemberTable.h"

#include <algorithm>
#include <vector>

namespace sheet {

namespace {

enum class Member {
    Unknown,
    Workbooks,
    Worksheets,
    ActiveWorkbook,
    ActiveSheet,
    Visible,
    Caption,
    Name,
    Union,
    ScreenUpdating,
    Quit
};

const MemberTable<Member>& members()
{
    static const MemberTable<Member> table{
        {"Workbooks", Member::Workbooks},
        {"Worksheets", Member::Worksheets},
        {"Sheets", Member::Worksheets},
        {"ActiveWorkbook", Member::ActiveWorkbook},
        {"ActiveSheet", Member::ActiveSheet},
        {"Visible", Member::Visible},
        {"Caption", Member::Caption},
        {"Name", Member::Name},
        {"Union", Member::Union},
        {"ScreenUpdating", Member::ScreenUpdating},
        {"Quit", Member::Quit},
    };
    return table;
}

constexpr std::string_view kClassName = objectmodel::kApplicationClass;

} // namespace

Application::Application(std::weak_ptr<automation::RunningObjectTable> table)
    : ModelObject(std::make_shared<ApplicationState>()), m_table(std::move(table))
{}

Ref<Application> Application::start(const std::shared_ptr<automation::RunningObjectTable>& table)
{
    Ref<Application> app(new Application(table));
    if (table)
        app->m_cookie = table->registerActive(kClassName, app.object());
    return app;
}

Application::~Application()
{
    // Objects that outlive the application must never reach back into it.
    state()->running = false;
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
    Ref<Workbook> book(new Workbook(state(), this, "工作簿" + std::to_string(m_nextWorkbookNumber++)));
    book->addSheet(0);
    book->m_modified = false; // a new workbook has nothing to save yet
    m_workbooks.push_back(book);
    m_active = book.get();
    notify(Change::Structure);
    return *book;
}

Workbook& Application::openWorkbook(Book&& book, const std::string& path, FileFormat format)
{
    Ref<Workbook> opened(new Workbook(state(), this, {}));
    for (BookSheet& s : book.sheets)
        opened->adoptSheet(std::move(s.name), std::move(s.grid));
    if (opened->sheets().empty())
        opened->adoptSheet("Sheet1", Grid());
    opened->setFile(path, format);
    opened->m_losses = book.losses;
    opened->m_textReading = book.reading;
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

Ref<Range> Application::unite(std::span<Range* const> ranges) const
{
    Worksheet* sheet = &ranges.front()->sheet();
    AreaList areas = ranges.front()->areas();
    for (Range* r : ranges.subspan(1)) {
        if (&r->sheet() != sheet)
            throw applicationError("Application 类的 Union 方法无效: 区域不在同一工作表上。");
        areas = areas.appended(r->areas());
    }
    return Ref<Range>(new Range(ranges.front()->sheetRef(), std::move(areas)));
}

void Application::quit()
{
    if (!isRunning())
        return;
    Ref<Application> self(this); // revoking may drop the last reference
    state()->running = false;
    if (auto table = m_table.lock())
        table->revoke(m_cookie);
    // The observer may still read the workbooks while it takes its leave, but hears nothing afterwards.
    notify(Change::Quit);
    m_observer = nullptr;
    m_active = nullptr;
    m_workbooks.clear();
    m_visible = false;
}

automation::Value Application::invoke(std::string_view member, automation::CallKind kind,
                                      std::span<const automation::Value> args,
                                      std::span<const automation::NamedArg> named)
{
    using automation::Object;
    using automation::Value;
    requireRunning();
    const Member id = members().find(member, Member::Unknown);
    const Arguments a(args, named);

    if (kind == automation::CallKind::Put) {
        if (id == Member::Visible) {
            setVisible(a.putValue().toBoolean());
            return {};
        }
        if (id == Member::ScreenUpdating) {
            m_screenUpdating = a.putValue().toBoolean();
            return {};
        }
        throw automation::errors::memberNotFound(member);
    }

    switch (id) {
    case Member::Workbooks:
        return Value(Object(new Workbooks(Ref<Application>(this))));
    case Member::Worksheets:
        if (!m_active)
            throw applicationError("没有打开的工作簿。");
        return Value(Object(new Worksheets(Ref<Workbook>(m_active))));
    case Member::ActiveWorkbook:
        return Value(Object(m_active));
    case Member::ActiveSheet:
        return Value(Object(m_active ? m_active->activeSheet() : nullptr));
    case Member::Visible:
        return Value(m_visible);
    case Member::Caption:
        return Value(caption());
    case Member::Name:
        return Value(std::string(kName));
    case Member::ScreenUpdating:
        return Value(m_screenUpdating);
    case Member::Union: {
        if (a.positionalCount() < 2)
            throw automation::errors::argumentNotOptional();
        std::vector<Range*> ranges;
        ranges.reserve(args.size());
        for (const Value& v : args) {
            const Object& o = v.toObject();
            if (!o)
                throw automation::errors::objectNotSet();
            Range* r = modelObject<Range>(o);
            if (!r)
                throw automation::errors::typeMismatch();
            ranges.push_back(r);
        }
        return Value(unite(ranges).object());
    }
    case Member::Quit:
        quit();
        return {};
    case Member::Unknown:
        break;
    }
    throw automation::errors::memberNotFound(member);
}

void registerEmbeddedSpreadsheet(automation::LocalHost& host)
{
    host.registerClass(kClassName, [](const std::shared_ptr<automation::RunningObjectTable>& table) {
        return Application::start(table).object();
    });
}

} // namespace sheet
