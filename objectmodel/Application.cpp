#include "objectmodel/Application.h"

#include "objectmodel/Arguments.h"
#include "objectmodel/Errors.h"
#include "objectmodel/MemberTable.h"
#include "objectmodel/Range.h"
#include "objectmodel/Workbook.h"

#include <vector>

namespace objectmodel {

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

} // namespace

Ref<Range> unite(std::span<Range* const> ranges)
{
    const SheetDocument* sheet = &ranges.front()->sheet().document();
    AreaList areas = ranges.front()->areas();
    for (Range* r : ranges.subspan(1)) {
        if (&r->sheet().document() != sheet)
            throw applicationError("Application 类的 Union 方法无效: 区域不在同一工作表上。");
        areas = areas.appended(r->areas());
    }
    return Ref<Range>(new Range(ranges.front()->sheetRef(), std::move(areas)));
}

automation::Value Application::invoke(std::string_view member, automation::CallKind kind,
                                      std::span<const automation::Value> args,
                                      std::span<const automation::NamedArg> named)
{
    using automation::Object;
    using automation::Value;
    if (!m_document->isRunning())
        throw automation::errors::disconnected();
    const Member id = members().find(member, Member::Unknown);
    const Arguments a(args, named);
    ApplicationDocument& app = *m_document;

    if (kind == automation::CallKind::Put) {
        if (id == Member::Visible) {
            app.setVisible(a.putValue().toBoolean());
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
        return Value(Object(new Workbooks(m_document)));
    case Member::Worksheets: {
        WorkbookDocument* book = app.activeWorkbook();
        if (!book)
            throw applicationError("没有打开的工作簿。");
        return Value(Object(new Worksheets(Ref<WorkbookDocument>(book))));
    }
    case Member::ActiveWorkbook:
        return workbookObject(Ref<WorkbookDocument>(app.activeWorkbook()));
    case Member::ActiveSheet: {
        WorkbookDocument* book = app.activeWorkbook();
        return sheetObject(Ref<WorkbookDocument>(book), Ref<SheetDocument>(book ? book->activeSheet() : nullptr));
    }
    case Member::Visible:
        return Value(app.visible());
    case Member::Caption:
        return Value(app.caption());
    case Member::Name:
        return Value(app.name());
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
        app.quit();
        return {};
    case Member::Unknown:
        break;
    }
    throw automation::errors::memberNotFound(member);
}

} // namespace objectmodel
