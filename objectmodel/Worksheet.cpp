#include "objectmodel/Worksheet.h"

#include "objectmodel/Arguments.h"
#include "objectmodel/Errors.h"
#include "objectmodel/MemberTable.h"
#include "objectmodel/ObjectModel.h"
#include "objectmodel/Positions.h"
#include "objectmodel/Range.h"
#include "objectmodel/SheetName.h"

namespace objectmodel {

namespace {

enum class Member { Unknown, Rows, Columns, Cells, Name, Index, Activate };

const MemberTable<Member>& members()
{
    static const MemberTable<Member> table{{"Rows", Member::Rows},   {"Columns", Member::Columns},
                                           {"Cells", Member::Cells}, {"Name", Member::Name},
                                           {"Index", Member::Index}, {"Activate", Member::Activate}};
    return table;
}

automation::Object makeRange(Worksheet& sheet, Area area)
{
    return automation::Object(new Range(Ref<Worksheet>(&sheet), AreaList(area)));
}

} // namespace

automation::Value Worksheet::invoke(std::string_view member, automation::CallKind kind,
                                    std::span<const automation::Value> args,
                                    std::span<const automation::NamedArg> named)
{
    using automation::CallKind;
    requireConnected();
    const Arguments a(args, named);
    const Member id = members().find(member, Member::Unknown);

    if (kind == CallKind::Put) {
        if (id == Member::Name) {
            // Refused as a spreadsheet refuses it: a name no file could hold, or one another sheet has.
            std::string name = a.putValue().toText();
            if (const auto fault = sheetNameFault(name))
                throw applicationError(*fault);
            for (std::size_t i = 0; i < m_book->sheetCount(); ++i) {
                const SheetDocument& other = m_book->sheet(i);
                if (&other != m_sheet.get() && sameSheetName(other.name(), name))
                    throw applicationError("工作表名“" + name + "”已被使用,请换一个名称。");
            }
            m_sheet->rename(std::move(name));
            return {};
        }
        if (id == Member::Cells && a.positionalCount() == 3) {
            // sheet.Cells(row, column) = value
            const std::int32_t r = rowNumber(args[0]);
            const std::int32_t c = columnNumber(args[1]);
            if (args[2].isObject())
                throw automation::errors::typeMismatch();
            m_sheet->fill(AreaList({r, c, r, c}), args[2]);
            return {};
        }
        throw automation::errors::memberNotFound(member);
    }

    switch (id) {
    case Member::Rows:
        if (const auto* row = a.find(0, "RowIndex")) {
            const std::int32_t r = rowNumber(*row);
            return makeRange(*this, {r, 1, r, kSheetColumns});
        }
        return makeRange(*this, {1, 1, kSheetRows, kSheetColumns});
    case Member::Columns:
        if (const auto* column = a.find(0, "ColumnIndex")) {
            const std::int32_t c = columnNumber(*column);
            return makeRange(*this, {1, c, kSheetRows, c});
        }
        return makeRange(*this, {1, 1, kSheetRows, kSheetColumns});
    case Member::Cells: {
        const auto* row = a.find(0, "RowIndex");
        const auto* column = a.find(1, "ColumnIndex");
        if (!row && !column)
            return makeRange(*this, {1, 1, kSheetRows, kSheetColumns});
        if (!row || !column)
            throw automation::errors::argumentNotOptional();
        const std::int32_t r = rowNumber(*row);
        const std::int32_t c = columnNumber(*column);
        return makeRange(*this, {r, c, r, c});
    }
    case Member::Name:
        return automation::Value(m_sheet->name());
    case Member::Index:
        return automation::Value(static_cast<std::int32_t>(m_sheet->index() + 1));
    case Member::Activate:
        m_sheet->activate();
        return {};
    case Member::Unknown:
        break;
    }
    throw automation::errors::memberNotFound(member);
}

} // namespace objectmodel
