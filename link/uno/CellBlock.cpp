#include "link/uno/CellBlock.h"

#include "objectmodel/ObjectModel.h"

#include <algorithm>

namespace automation::uno {

using objectmodel::kSheetColumns;
using objectmodel::kSheetRows;

void CellBlock::setExtent(std::int32_t lastRow, std::int32_t lastColumn)
{
    m_extentKnown = true;
    m_lastRow = lastRow;
    m_lastColumn = lastColumn;
}

BlockWindow CellBlock::windowFor(std::int32_t row, std::int32_t column)
{
    // A scan that runs on past the block reads more at a time; a jump elsewhere starts small again.
    const bool runsOn = m_window.rows > 0 && row == m_window.top + m_window.rows;
    m_nextRows = runsOn ? std::min(m_nextRows * 2, kMostRows) : kFirstRows;
    const std::int32_t lastColumn = m_extentKnown ? m_lastColumn : kSheetColumns;
    const std::int32_t lastRow = m_extentKnown ? m_lastRow : kSheetRows;
    const std::int32_t columns = std::min(lastColumn, std::max(column, kFewestColumns));
    const auto cellsBound = static_cast<std::int32_t>(kMostCells / static_cast<std::size_t>(columns));
    const std::int32_t rows = std::max(1, std::min({m_nextRows, cellsBound, lastRow - row + 1}));
    return {row, rows, columns};
}

void CellBlock::fill(BlockWindow window, std::vector<Value> values)
{
    m_window = window;
    m_values = std::move(values);
}

void CellBlock::cellSet(std::int32_t row, std::int32_t column, const Value& value)
{
    // Compared as the sheet stores it: an error value is not blank, and cannot be compared as text.
    const bool blank = value.isEmpty() || (value.kind() == Value::Kind::Text && value.text().empty());
    if (m_extentKnown && !blank && pastExtent(row, column))
        setExtent(std::max(m_lastRow, row), std::max(m_lastColumn, column));
    if (find(row, column))
        m_values[static_cast<std::size_t>(row - m_window.top) * static_cast<std::size_t>(m_window.columns) +
                 static_cast<std::size_t>(column - 1)] = value;
}

void CellBlock::rowsInserted(std::int32_t at, std::int32_t count)
{
    if (m_extentKnown && m_lastRow >= at)
        m_lastRow = std::min(kSheetRows, m_lastRow + count);
    if (m_window.rows == 0 || at >= m_window.top + m_window.rows)
        return;
    if (at <= m_window.top)
        m_window.top += count; // the whole block moves down with its rows
    else
        dropBlock(); // blank rows inside the block: read again when needed
    if (m_window.top + m_window.rows - 1 > kSheetRows)
        dropBlock();
}

void CellBlock::rowsDeleted(std::int32_t at, std::int32_t count)
{
    const std::int32_t end = at + count; // first row after the deleted ones
    if (m_extentKnown && m_lastRow >= at)
        m_lastRow = std::max(at - 1, m_lastRow - count);
    if (m_window.rows == 0)
        return;
    const std::int32_t top = m_window.top;
    const std::int32_t bottom = top + m_window.rows; // past the block
    if (at >= bottom)
        return;
    // The block's rows that stay are contiguous again once the deleted ones are gone.
    const std::int32_t cutFrom = std::max(at, top);
    const std::int32_t cutTo = std::min(end, bottom);
    const auto width = static_cast<std::size_t>(m_window.columns);
    if (cutFrom < cutTo)
        m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>((cutFrom - top) * width),
                       m_values.begin() + static_cast<std::ptrdiff_t>((cutTo - top) * width));
    m_window.rows -= cutTo > cutFrom ? cutTo - cutFrom : 0;
    m_window.top = top < at ? top : std::max(at, top - count);
    if (m_window.rows == 0)
        dropBlock();
}

void CellBlock::columnsInserted(std::int32_t at, std::int32_t count)
{
    if (m_extentKnown && m_lastColumn >= at)
        m_lastColumn = std::min(kSheetColumns, m_lastColumn + count);
    if (m_window.rows > 0 && at <= m_window.columns)
        dropBlock();
}

void CellBlock::columnsDeleted(std::int32_t at, std::int32_t count)
{
    if (m_extentKnown && m_lastColumn >= at)
        m_lastColumn = std::max(at - 1, m_lastColumn - count);
    if (m_window.rows > 0 && at <= m_window.columns)
        dropBlock();
}

void CellBlock::forgetValues()
{
    dropBlock();
}

void CellBlock::forget()
{
    m_extentKnown = false;
    dropBlock();
}

void CellBlock::dropBlock()
{
    m_window = {};
    m_values.clear();
}

} // namespace automation::uno
