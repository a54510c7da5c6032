#pragma once

// What a sheet of a remote office is known to hold: its used extent, and the values of one block of rows read in
// one request. Plain data; the sheet keeps it up to date with its own changes and drops it on anyone else's.

#include "link/Automation.h"

#include <cstdint>
#include <vector>

namespace automation::uno {

/// Rows top..top+rows-1, columns 1..columns; reads past the used extent need no request at all.
struct BlockWindow {
    std::int32_t top = 0;
    std::int32_t rows = 0;
    std::int32_t columns = 0;
};

class CellBlock {
public:
    /// Whether the used extent is known: the last row and column holding anything (0 when the sheet is blank).
    bool knowsExtent() const { return m_extentKnown; }
    void setExtent(std::int32_t lastRow, std::int32_t lastColumn);
    /// Whether a cell is known to be blank because it lies past the used extent.
    bool pastExtent(std::int32_t row, std::int32_t column) const
    {
        return m_extentKnown && (row > m_lastRow || column > m_lastColumn);
    }

    /// The cell's value when the block holds it, else null.
    const Value* find(std::int32_t row, std::int32_t column) const
    {
        if (row < m_window.top || row >= m_window.top + m_window.rows || column < 1 || column > m_window.columns)
            return nullptr;
        return &m_values[static_cast<std::size_t>(row - m_window.top) * static_cast<std::size_t>(m_window.columns) +
                         static_cast<std::size_t>(column - 1)];
    }

    /// What to read for a miss at (row, column), inside the extent: rows from `row` on, more the longer a scan
    /// runs on from the block before, at most a bounded number of cells.
    BlockWindow windowFor(std::int32_t row, std::int32_t column);
    /// Takes the values read for `window`, row by row.
    void fill(BlockWindow window, std::vector<Value> values);

    /// The sheet's own changes, as the office makes them.
    void cellSet(std::int32_t row, std::int32_t column, const Value& value);
    void rowsInserted(std::int32_t at, std::int32_t count);
    void rowsDeleted(std::int32_t at, std::int32_t count);
    void columnsInserted(std::int32_t at, std::int32_t count);
    void columnsDeleted(std::int32_t at, std::int32_t count);
    /// Anything else changed the sheet: nothing is known any more.
    void forget();
    /// The values may have changed where the cells did not move (formulas): the extent still holds.
    void forgetValues();

private:
    void dropBlock();

    bool m_extentKnown = false;
    std::int32_t m_lastRow = 0;
    std::int32_t m_lastColumn = 0;
    BlockWindow m_window;
    std::vector<Value> m_values;
    std::int32_t m_nextRows = kFirstRows;

    static constexpr std::int32_t kFirstRows = 64;
    static constexpr std::int32_t kMostRows = 4096;
    static constexpr std::int32_t kFewestColumns = 32;
    static constexpr std::size_t kMostCells = 128 * 1024;
};

} // namespace automation::uno
