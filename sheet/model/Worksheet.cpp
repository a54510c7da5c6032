#include "sheet/model/Worksheet.h"

#include "sheet/engine/SheetName.h"
#include "sheet/model/Application.h"
#include "sheet/model/Errors.h"
#include "sheet/model/MemberTable.h"
#include "sheet/model/Range.h"
#include "sheet/model/Values.h"
#include "sheet/model/Workbook.h"

#include <cmath>

namespace sheet {

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

Worksheet::Worksheet(std::shared_ptr<ApplicationState> state, Workbook* workbook, std::string name)
    : ModelObject(std::move(state)), m_workbook(workbook), m_name(std::move(name))
{}

void Worksheet::setCell(std::int32_t row, std::int32_t column, const CellView& value)
{
    m_grid.setCell(row, column, value);
    notify(Change::Cells);
}

void Worksheet::setSelection(AreaList selection)
{
    m_selection = std::move(selection);
    notify(Change::Selection);
}

void Worksheet::notify(Change what) const
{
    if (m_workbook)
        m_workbook->notify(what);
}

void Worksheet::requireConnected() const
{
    requireRunning();
    if (!m_workbook)
        throw automation::errors::disconnected();
}

bool Worksheet::isActive() const
{
    return m_workbook && m_workbook->activeSheet() == this && m_workbook->application() &&
           m_workbook->application()->activeWorkbook() == m_workbook;
}

void Worksheet::rename(std::string name)
{
    m_name = std::move(name);
    notify(Change::Structure);
}

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
            for (const Ref<Worksheet>& other : m_workbook->sheets())
                if (other.get() != this && sameSheetName(other->name(), name))
                    throw applicationError("工作表名“" + name + "”已被使用,请换一个名称。");
            m_name = std::move(name);
            m_workbook->markModified();
            notify(Change::Structure);
            return {};
        }
        if (id == Member::Cells && a.positionalCount() == 3) {
            // sheet.Cells(row, column) = value
            setCell(rowNumber(args[0]), columnNumber(args[1]), toCell(args[2]));
            return {};
        }
        throw automation::errors::memberNotFound(member);
    }

    switch (id) {
    case Member::Rows:
        if (const auto* row = a.find(0, "RowIndex")) {
            const std::int32_t r = rowNumber(*row);
            return makeRange(*this, {r, 1, r, Grid::kColumns});
        }
        return makeRange(*this, {1, 1, Grid::kRows, Grid::kColumns});
    case Member::Columns:
        if (const auto* column = a.find(0, "ColumnIndex")) {
            const std::int32_t c = columnNumber(*column);
            return makeRange(*this, {1, c, Grid::kRows, c});
        }
        return makeRange(*this, {1, 1, Grid::kRows, Grid::kColumns});
    case Member::Cells: {
        const auto* row = a.find(0, "RowIndex");
        const auto* column = a.find(1, "ColumnIndex");
        if (!row && !column)
            return makeRange(*this, {1, 1, Grid::kRows, Grid::kColumns});
        if (!row || !column)
            throw automation::errors::argumentNotOptional();
        const std::int32_t r = rowNumber(*row);
        const std::int32_t c = columnNumber(*column);
        return makeRange(*this, {r, c, r, c});
    }
    case Member::Name:
        return automation::Value(m_name);
    case Member::Index:
        return automation::Value(static_cast<std::int32_t>(m_workbook->indexOf(*this) + 1));
    case Member::Activate:
        m_workbook->activateSheet(*this);
        if (Application* app = m_workbook->application())
            app->activateWorkbook(*m_workbook);
        return {};
    case Member::Unknown:
        break;
    }
    throw automation::errors::memberNotFound(member);
}

} // namespace sheet
