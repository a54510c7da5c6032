#include "sheet/document/Worksheet.h"

#include "objectmodel/Errors.h"
#include "sheet/document/Application.h"
#include "sheet/document/Workbook.h"

namespace sheet {

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

void Worksheet::rename(std::string name)
{
    m_name = std::move(name);
    if (m_workbook)
        m_workbook->markModified();
    notify(Change::Structure);
}

void Worksheet::takeSavedName(std::string name)
{
    m_name = std::move(name);
    notify(Change::Structure);
}

bool Worksheet::connected() const
{
    return m_workbook && m_workbook->connected();
}

bool Worksheet::isActive() const
{
    return m_workbook && m_workbook->activeSheet() == this && m_workbook->application() &&
           m_workbook->application()->activeWorkbook() == m_workbook;
}

std::size_t Worksheet::index() const
{
    return m_workbook ? m_workbook->indexOf(*this) : 0;
}

void Worksheet::activate()
{
    m_workbook->activateSheet(*this);
    if (Application* app = m_workbook->application())
        app->activateWorkbook(*m_workbook);
}

automation::Value Worksheet::cell(std::int32_t row, std::int32_t column)
{
    return toValue(m_grid.cell(row, column));
}

void Worksheet::fill(const AreaList& areas, const automation::Value& value)
{
    const CellView cell = toCell(value);
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const Area& a = areas[i];
        for (std::int32_t r = a.top; r <= a.bottom; ++r)
            for (std::int32_t c = a.left; c <= a.right; ++c)
                m_grid.setCell(r, c, cell);
    }
    notify(Change::Cells);
}

// Runs a change of rows or columns: false when it would push a value off the sheet, which the grid refuses
// before it changes anything.
template <class Edit> bool Worksheet::edit(Edit&& change)
{
    try {
        change(m_grid);
    } catch (const GridError& e) {
        if (e.reason() == GridError::Reason::DataWouldBeLost)
            return false;
        throw objectmodel::applicationError(std::string("位置超出工作表范围: ") + e.what());
    }
    notify(Change::Cells);
    return true;
}

bool Worksheet::insertRows(std::int32_t at, std::int32_t count)
{
    return edit([&](Grid& g) { g.insertRows(at, count); });
}

bool Worksheet::insertColumns(std::int32_t at, std::int32_t count)
{
    return edit([&](Grid& g) { g.insertColumns(at, count); });
}

void Worksheet::deleteRows(std::int32_t at, std::int32_t count)
{
    edit([&](Grid& g) { g.deleteRows(at, count); });
}

void Worksheet::deleteColumns(std::int32_t at, std::int32_t count)
{
    edit([&](Grid& g) { g.deleteColumns(at, count); });
}

automation::Value toValue(const CellView& cell)
{
    switch (cell.kind) {
    case CellKind::Empty:
        return {};
    case CellKind::Number:
        return automation::Value(cell.number);
    case CellKind::Text:
        return automation::Value(cell.text);
    case CellKind::Boolean:
        return automation::Value(cell.number != 0);
    case CellKind::Date:
        return automation::Value(automation::Date{cell.number});
    case CellKind::Error:
        return automation::Value(automation::ErrorValue{cell.error});
    }
    return {};
}

CellView toCell(const automation::Value& value)
{
    using Kind = automation::Value::Kind;
    switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null:
        return {};
    case Kind::Double:
    case Kind::Int16:
    case Kind::Int32:
        return CellView::makeNumber(value.toDouble());
    case Kind::Text:
        // Storing an empty text clears the cell, as it does when typed.
        return value.text().empty() ? CellView{} : CellView::makeText(value.text());
    case Kind::Boolean:
        return CellView::makeBoolean(value.boolean());
    case Kind::Date:
        return CellView::makeDate(value.date().serial);
    case Kind::Error:
        return CellView::makeError(value.errorCode());
    case Kind::Object:
        break;
    }
    throw automation::errors::typeMismatch();
}

} // namespace sheet
