#include "sheet/model/Workbook.h"

#include "sheet/engine/SheetName.h"
#include "sheet/model/Application.h"
#include "sheet/model/Errors.h"
#include "sheet/model/MemberTable.h"

#include <algorithm>

namespace sheet {

namespace {

enum class Member { Unknown, ActiveSheet, Worksheets, Name, Activate, Add, Count, Item };

const MemberTable<Member>& workbookMembers()
{
    static const MemberTable<Member> table{{"ActiveSheet", Member::ActiveSheet},
                                           {"Worksheets", Member::Worksheets},
                                           {"Sheets", Member::Worksheets},
                                           {"Name", Member::Name},
                                           {"Activate", Member::Activate}};
    return table;
}

const MemberTable<Member>& collectionMembers()
{
    static const MemberTable<Member> table{
        {"Add", Member::Add}, {"Count", Member::Count}, {"Item", Member::Item}, {"", Member::Item}};
    return table;
}

// The index of an item named by number (1-based) or by name; error 9 when there is none.
template <class Items, class NameOf>
std::size_t itemIndex(const automation::Value& key, const Items& items, NameOf nameOf)
{
    if (key.kind() == automation::Value::Kind::Text) {
        for (std::size_t i = 0; i < items.size(); ++i)
            if (nameOf(items[i]) == key.text())
                return i;
        throw automation::errors::subscriptOutOfRange();
    }
    const std::int32_t n = key.toInt32();
    if (n < 1 || static_cast<std::size_t>(n) > items.size())
        throw automation::errors::subscriptOutOfRange();
    return static_cast<std::size_t>(n - 1);
}

} // namespace

Workbook::Workbook(std::shared_ptr<ApplicationState> state, Application* application, std::string name)
    : ModelObject(std::move(state)), m_application(application), m_name(std::move(name))
{}

Workbook::~Workbook()
{
    for (auto& sheet : m_sheets)
        sheet->detach();
}

void Workbook::close()
{
    for (auto& sheet : m_sheets)
        sheet->detach();
    m_application = nullptr;
}

std::string Workbook::title() const
{
    return m_name + " - " + std::string(Application::kName) + (m_modified ? " *" : "");
}

void Workbook::setFile(const std::string& path, FileFormat format)
{
    // Both separators: a path from Windows may use either.
    const auto slash = path.find_last_of("/\\");
    m_name = slash == std::string::npos ? path : path.substr(slash + 1);
    m_path = path;
    m_format = format;
}

void Workbook::rename(std::string name)
{
    m_name = std::move(name);
    touch();
    notify(Change::Structure);
}

void Workbook::setSaved(const std::string& path, FileFormat format)
{
    setFile(path, format);
    m_losses = {};
    m_textReading = {};
    m_modified = false;
    notify(Change::Structure);
}

Worksheet& Workbook::adoptSheet(std::string name, Grid grid)
{
    Ref<Worksheet> sheet(new Worksheet(state(), this, std::move(name)));
    sheet->grid() = std::move(grid);
    m_sheets.push_back(sheet);
    if (!m_active)
        m_active = sheet.get();
    // Sheets added later must not take the name of one read from the file.
    m_nextSheetNumber = static_cast<int>(m_sheets.size()) + 1;
    return *sheet;
}

Worksheet& Workbook::addSheet(std::size_t index)
{
    index = std::min(index, m_sheets.size());
    std::string name;
    do // a file's sheets may hold any of these names already
        name = "Sheet" + std::to_string(m_nextSheetNumber++);
    while (std::any_of(m_sheets.begin(), m_sheets.end(),
                       [&](const Ref<Worksheet>& s) { return sameSheetName(s->name(), name); }));
    Ref<Worksheet> sheet(new Worksheet(state(), this, std::move(name)));
    m_sheets.insert(m_sheets.begin() + static_cast<std::ptrdiff_t>(index), sheet);
    m_active = sheet.get();
    touch();
    notify(Change::Structure);
    return *sheet;
}

void Workbook::activateSheet(Worksheet& sheet)
{
    m_active = &sheet;
    notify(Change::Structure);
}

void Workbook::notify(Change what)
{
    if (what == Change::Cells)
        touch();
    if (m_application)
        m_application->notify(what);
}

std::size_t Workbook::indexOf(const Worksheet& sheet) const
{
    auto it =
        std::find_if(m_sheets.begin(), m_sheets.end(), [&](const Ref<Worksheet>& s) { return s.get() == &sheet; });
    return static_cast<std::size_t>(it - m_sheets.begin());
}

automation::Value Workbook::invoke(std::string_view member, automation::CallKind kind,
                                   std::span<const automation::Value> args, std::span<const automation::NamedArg>)
{
    requireRunning();
    if (!m_application)
        throw automation::errors::disconnected();
    const Member id = workbookMembers().find(member, Member::Unknown);
    if (kind == automation::CallKind::Put) {
        if (id == Member::Name && !args.empty()) {
            m_name = args.back().toText();
            touch();
            notify(Change::Structure);
            return {};
        }
        throw automation::errors::memberNotFound(member);
    }
    switch (id) {
    case Member::ActiveSheet:
        return automation::Value(automation::Object(m_active));
    case Member::Worksheets:
        return automation::Value(automation::Object(new Worksheets(Ref<Workbook>(this))));
    case Member::Name:
        return automation::Value(m_name);
    case Member::Activate:
        if (m_application)
            m_application->activateWorkbook(*this);
        return {};
    default:
        break;
    }
    throw automation::errors::memberNotFound(member);
}

automation::Value Workbooks::invoke(std::string_view member, automation::CallKind kind,
                                    std::span<const automation::Value> args,
                                    std::span<const automation::NamedArg> named)
{
    if (!m_application->isRunning())
        throw automation::errors::disconnected();
    const Member id = collectionMembers().find(member, Member::Unknown);
    if (kind == automation::CallKind::Put)
        throw automation::errors::memberNotFound(member);
    const Arguments a(args, named);
    const auto& books = m_application->workbooks();
    switch (id) {
    case Member::Add:
        return automation::Value(automation::Object(&m_application->addWorkbook()));
    case Member::Count:
        return automation::Value(static_cast<std::int32_t>(books.size()));
    case Member::Item: {
        const std::size_t i = itemIndex(a.require(0, "Index"), books, [](const Ref<Workbook>& b) { return b->name(); });
        return automation::Value(books[i].object());
    }
    default:
        break;
    }
    throw automation::errors::memberNotFound(member);
}

automation::Value Worksheets::invoke(std::string_view member, automation::CallKind kind,
                                     std::span<const automation::Value> args,
                                     std::span<const automation::NamedArg> named)
{
    if (!m_workbook->isRunning() || !m_workbook->application())
        throw automation::errors::disconnected();
    const Member id = collectionMembers().find(member, Member::Unknown);
    if (kind == automation::CallKind::Put)
        throw automation::errors::memberNotFound(member);
    const Arguments a(args, named);
    const auto& sheets = m_workbook->sheets();
    switch (id) {
    case Member::Add: {
        const auto* before = a.find(0, "Before");
        const auto* after = a.find(1, "After");
        if (before && !before->isEmpty() && after && !after->isEmpty())
            throw applicationError("不能同时指定 Before 和 After。");
        auto placeOf = [&](const automation::Value& v) {
            const auto* sheet = modelObject<Worksheet>(v.toObject());
            if (!sheet || sheet->workbook() != m_workbook.get())
                throw applicationError("Worksheets 类的 Add 方法无效: 工作表不在此工作簿中。");
            return m_workbook->indexOf(*sheet);
        };
        // By default a new sheet goes before the active one.
        std::size_t index = m_workbook->activeSheet() ? m_workbook->indexOf(*m_workbook->activeSheet()) : 0;
        if (before && !before->isEmpty())
            index = placeOf(*before);
        else if (after && !after->isEmpty())
            index = placeOf(*after) + 1;
        std::int32_t count = 1;
        if (const auto* c = a.find(2, "Count"); c && !c->isEmpty())
            count = c->toInt32();
        if (count < 1 || count > 255)
            throw applicationError("Worksheets 类的 Add 方法无效: Count 须在 1 到 255 之间。");
        Worksheet* added = nullptr;
        for (std::int32_t i = 0; i < count; ++i)
            added = &m_workbook->addSheet(index + static_cast<std::size_t>(i));
        return automation::Value(automation::Object(added));
    }
    case Member::Count:
        return automation::Value(static_cast<std::int32_t>(sheets.size()));
    case Member::Item: {
        const std::size_t i =
            itemIndex(a.require(0, "Index"), sheets, [](const Ref<Worksheet>& s) { return s->name(); });
        return automation::Value(sheets[i].object());
    }
    default:
        break;
    }
    throw automation::errors::memberNotFound(member);
}

} // namespace sheet
