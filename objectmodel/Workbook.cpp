#include "objectmodel/Workbook.h"

#include "objectmodel/Arguments.h"
#include "objectmodel/Errors.h"
#include "objectmodel/MemberTable.h"
#include "objectmodel/Worksheet.h"

#include <unordered_map>

namespace objectmodel {

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
template <class NameAt> std::size_t itemIndex(const automation::Value& key, std::size_t count, NameAt nameAt)
{
    if (key.kind() == automation::Value::Kind::Text) {
        for (std::size_t i = 0; i < count; ++i)
            if (nameAt(i) == key.text())
                return i;
        throw automation::errors::subscriptOutOfRange();
    }
    const std::int32_t n = key.toInt32();
    if (n < 1 || static_cast<std::size_t>(n) > count)
        throw automation::errors::subscriptOutOfRange();
    return static_cast<std::size_t>(n - 1);
}

// The late-bound object of each workbook and sheet that a caller holds: asked twice, the object model gives the same
// object, which callers compare. Never destroyed, so that an object released at exit still finds it.
std::unordered_map<const Counted*, automation::Dispatch*>& objects()
{
    static auto* const map = new std::unordered_map<const Counted*, automation::Dispatch*>;
    return *map;
}

template <class Facade, class Document, class... Make>
automation::Value objectFor(const Ref<Document>& document, Make&&... make)
{
    if (!document)
        return automation::Object();
    if (auto it = objects().find(document.get()); it != objects().end())
        return automation::Object(it->second);
    automation::Object made(new Facade(std::forward<Make>(make)...));
    objects().emplace(document.get(), made.dispatch());
    return made;
}

void forget(const Counted* document, const automation::Dispatch* object)
{
    if (auto it = objects().find(document); it != objects().end() && it->second == object)
        objects().erase(it);
}

} // namespace

Workbook::~Workbook()
{
    forget(m_book.get(), this);
}

Worksheet::~Worksheet()
{
    forget(m_sheet.get(), this);
}

automation::Value workbookObject(Ref<WorkbookDocument> book)
{
    return objectFor<Workbook>(book, book);
}

automation::Value sheetObject(Ref<WorkbookDocument> book, Ref<SheetDocument> sheet)
{
    return objectFor<Worksheet>(sheet, std::move(book), sheet);
}

automation::Value Workbook::invoke(std::string_view member, automation::CallKind kind,
                                   std::span<const automation::Value> args, std::span<const automation::NamedArg>)
{
    if (!m_book->connected())
        throw automation::errors::disconnected();
    const Member id = workbookMembers().find(member, Member::Unknown);
    if (kind == automation::CallKind::Put) {
        if (id == Member::Name && !args.empty()) {
            m_book->rename(args.back().toText());
            return {};
        }
        throw automation::errors::memberNotFound(member);
    }
    switch (id) {
    case Member::ActiveSheet:
        return sheetObject(m_book, Ref<SheetDocument>(m_book->activeSheet()));
    case Member::Worksheets:
        return automation::Object(new Worksheets(m_book));
    case Member::Name:
        return automation::Value(m_book->name());
    case Member::Activate:
        m_book->activate();
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
    ApplicationDocument& app = *m_application;
    switch (id) {
    case Member::Add:
        return workbookObject(Ref<WorkbookDocument>(&app.addWorkbook()));
    case Member::Count:
        return automation::Value(static_cast<std::int32_t>(app.workbookCount()));
    case Member::Item: {
        const std::size_t i = itemIndex(a.require(0, "Index"), app.workbookCount(),
                                        [&](std::size_t n) { return app.workbook(n).name(); });
        return workbookObject(Ref<WorkbookDocument>(&app.workbook(i)));
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
    if (!m_book->connected())
        throw automation::errors::disconnected();
    const Member id = collectionMembers().find(member, Member::Unknown);
    if (kind == automation::CallKind::Put)
        throw automation::errors::memberNotFound(member);
    const Arguments a(args, named);
    WorkbookDocument& book = *m_book;
    switch (id) {
    case Member::Add: {
        const auto* before = a.find(0, "Before");
        const auto* after = a.find(1, "After");
        if (before && !before->isEmpty() && after && !after->isEmpty())
            throw applicationError("不能同时指定 Before 和 After。");
        auto placeOf = [&](const automation::Value& v) {
            const auto* sheet = modelObject<Worksheet>(v.toObject());
            if (!sheet || !book.holds(sheet->document()))
                throw applicationError("Worksheets 类的 Add 方法无效: 工作表不在此工作簿中。");
            return sheet->document().index();
        };
        // By default a new sheet goes before the active one.
        const SheetDocument* active = book.activeSheet();
        std::size_t index = active ? active->index() : 0;
        if (before && !before->isEmpty())
            index = placeOf(*before);
        else if (after && !after->isEmpty())
            index = placeOf(*after) + 1;
        std::int32_t count = 1;
        if (const auto* c = a.find(2, "Count"); c && !c->isEmpty())
            count = c->toInt32();
        if (count < 1 || count > 255)
            throw applicationError("Worksheets 类的 Add 方法无效: Count 须在 1 到 255 之间。");
        SheetDocument* added = nullptr;
        for (std::int32_t i = 0; i < count; ++i)
            added = &book.addSheet(index + static_cast<std::size_t>(i));
        return sheetObject(m_book, Ref<SheetDocument>(added));
    }
    case Member::Count:
        return automation::Value(static_cast<std::int32_t>(book.sheetCount()));
    case Member::Item: {
        const std::size_t i =
            itemIndex(a.require(0, "Index"), book.sheetCount(), [&](std::size_t n) { return book.sheet(n).name(); });
        return sheetObject(m_book, Ref<SheetDocument>(&book.sheet(i)));
    }
    default:
        break;
    }
    throw automation::errors::memberNotFound(member);
}

} // namespace objectmodel
