#pragma once

#include "objectmodel/ObjectModel.h"
#include "sheet/engine/CellView.h"
#include "sheet/engine/PositionIndex.h"
#include "sheet/engine/SharedTexts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sheet {

/// Why the grid refused a change. Nothing has changed when it throws.
class GridError : public std::runtime_error {
public:
    enum class Reason { OutOfRange, DataWouldBeLost };
    GridError(Reason reason, const std::string& what) : std::runtime_error(what), m_reason(reason) {}
    Reason reason() const { return m_reason; }

private:
    Reason m_reason;
};

/// The cells of one worksheet: kRows x kColumns, 1-based, sparse.
///
/// Rows and columns that hold no value take no memory. Each non-blank row and column is one node of a
/// PositionIndex, which stores positions as gaps, so inserting or deleting a row or column shifts everything after
/// it without renumbering a single cell.
///
/// Costs (R non-blank rows, C non-blank columns, W cells in the touched row, k non-blank rows/columns removed,
/// n bytes of a text longer than a slot holds):
///   cell()                         O(log R + log C + log W); O(log C + log W) for repeated reads of one row
///   setCell()                      O(log R + log C + W), plus O(n) for a text longer than 16 bytes (one hash, and a
///                                  comparison with an equal text held or a copy); a SharedText adds nothing
///   shareText()                    O(n)
///   insertRows/insertColumns       O(log R) / O(log C) whatever the count
///   deleteRows/deleteColumns       O(log R + k * (W + log C)) / O(log C + k + W of the last row)
///   clearArea (h rows, w columns)  O(min(h log R, R) + min(w log C, C') + W of every non-blank row in the area)
///   clearWhere                     O(R + C' + cells) plus one call of its test per non-empty cell
///                                  (C' counts deleted columns too; both gather what they clear first, O(R) memory)
/// Memory: about 16 bytes per cell plus up to a quarter of slack per row. A text of 11 to 16 bytes adds 32 bytes to
/// its cell; a longer one is held once per grid however many cells hold it (see SharedTexts), adding its bytes and
/// about 40 more, and a SharedText stores a shorter one once too.
/// Deleting a column that holds cells leaves its cells' memory in place until their row is rewritten or deleted,
/// and keeps one 24-byte index entry for the grid's lifetime.
///
/// Failures: a position outside the sheet throws GridError(OutOfRange); an insertion that would push a non-blank
/// cell past the last row or column throws GridError(DataWouldBeLost). Either way nothing has changed. Only
/// std::bad_alloc can escape otherwise, and leaves the grid as it was.
///
/// Not thread-safe, not even for concurrent reads: cell() updates a one-row cache.
class Grid {
public:
    static constexpr std::int32_t kRows = objectmodel::kSheetRows;
    static constexpr std::int32_t kColumns = objectmodel::kSheetColumns;

    /// A text the grid holds for as long as the handle lives, to be stored in any number of cells at the cost of a
    /// slot each, with no hash or copy of its bytes: a workbook's shared string read once is stored once. Move-only.
    /// It must be destroyed before its grid is moved or destroyed, and used with that grid only.
    class SharedText {
    public:
        SharedText() = default;
        ~SharedText();
        SharedText(SharedText&& other) noexcept;
        SharedText& operator=(SharedText&& other) noexcept;
        SharedText(const SharedText&) = delete;
        SharedText& operator=(const SharedText&) = delete;

    private:
        friend class Grid;
        Grid* m_grid = nullptr;
        SharedTexts::Id m_id = 0; // with m_long
        bool m_long = false;
        std::string m_short; // a text a slot holds
    };

    Grid();
    ~Grid();
    Grid(Grid&&) noexcept;
    Grid& operator=(Grid&&) noexcept;
    Grid(const Grid&) = delete;
    Grid& operator=(const Grid&) = delete;

    /// The value at (row, column); its text stays valid until the next change of this grid.
    CellView cell(std::int32_t row, std::int32_t column) const;
    /// Stores a copy of `value`; an Empty value clears the cell. A Text value with empty text is kept as text, not
    /// cleared. `value.text` may view this grid's own storage. Throws std::invalid_argument for a kind outside
    /// CellKind.
    void setCell(std::int32_t row, std::int32_t column, const CellView& value);
    /// Holds a copy of `text` (which may view this grid's own storage) for setCell(row, column, SharedText).
    SharedText shareText(std::string_view text);
    /// Stores the text `text` holds, as setCell(row, column, CellView::makeText(...)) would, sharing its bytes.
    /// Throws std::invalid_argument, changing nothing, for a handle made by another grid or moved from.
    void setCell(std::int32_t row, std::int32_t column, const SharedText& text);

    /// Inserts `count` blank rows at `at`; the row at `at` and all below move down by `count`.
    void insertRows(std::int32_t at, std::int32_t count);
    /// Removes rows at..at+count-1; the rows below move up, blank rows appear at the bottom. Throws
    /// GridError(OutOfRange) unless 1 <= at and at + count - 1 <= kRows with count >= 1; the same holds for
    /// inserting and for columns.
    void deleteRows(std::int32_t at, std::int32_t count);
    void insertColumns(std::int32_t at, std::int32_t count);
    void deleteColumns(std::int32_t at, std::int32_t count);

    /// Clears every cell of rows top..bottom, columns left..right (1-based, inclusive) and returns how many held a
    /// value. Only non-blank rows are visited: a whole column of the sheet costs what its rows hold, never a step per
    /// blank row. Throws GridError(OutOfRange), changing nothing, unless 1 <= top <= bottom <= kRows and
    /// 1 <= left <= right <= kColumns. Example: clearArea(1, 3, kRows, 3) empties column C.
    std::size_t clearArea(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right);
    /// Clears every non-empty cell for which `inside(row, column)` is true and returns how many there were: for a
    /// selection of many areas, asked once per cell rather than once per area. `inside` must neither throw nor
    /// change the grid.
    std::size_t clearWhere(const std::function<bool(std::int32_t row, std::int32_t column)>& inside);

    /// The last row / column holding a value, 0 when the grid is empty.
    std::int32_t lastRow() const;
    std::int32_t lastColumn() const;
    /// Number of non-empty cells.
    std::size_t cellCount() const;
    /// Bytes of the texts too long for a slot that cells or SharedText handles hold, each text longer than 16 bytes
    /// counted once however many hold it. O(1).
    std::size_t longTextBytes() const;

    /// Calls `visit` for every non-empty cell, rows top to bottom, each row left to right. O(cells + C), plus a
    /// sort of the rows whose columns were created out of order. `visit` must not change the grid.
    void forEachCell(const std::function<void(std::int32_t row, std::int32_t column, const CellView&)>& visit) const;

private:
    struct Slot;
    using NodeId = PositionIndex::NodeId;
    using RowCells = std::vector<Slot>;
    struct RowAt {
        std::int32_t position;
        NodeId id;
    };

    static void checkCell(std::int32_t row, std::int32_t column);
    static void checkSpan(std::int32_t at, std::int32_t count, std::int32_t limit);
    static void insertSpan(PositionIndex& index, std::int32_t at, std::int32_t count, std::int32_t limit);
    NodeId rowNode(std::int32_t row) const noexcept;
    bool isLive(const Slot& slot) const noexcept;
    bool hasLiveCell(const RowCells& cells) const noexcept;
    Slot encode(const CellView& value);
    CellView decode(const Slot& slot) const noexcept;
    void place(std::int32_t row, std::int32_t column, Slot fresh);
    void releaseText(const Slot& slot) noexcept;
    void clearCell(std::int32_t row, std::int32_t column);
    std::size_t clearInRows(const std::vector<RowAt>& rows,
                            const std::function<bool(std::int32_t row, NodeId column)>& selected);
    void growRow(RowCells& cells);
    void releaseRow(NodeId row);
    void trimTrailingBlankRows();
    void rowsChanged() noexcept { ++m_version; }
    void swap(Grid& other) noexcept;

    PositionIndex m_rows;
    PositionIndex m_columns;
    std::vector<RowCells> m_rowCells;          // by row node id, each sorted by column node id
    std::vector<std::uint32_t> m_columnCounts; // live cells by column node id; 0 for free and retired ids
    SharedTexts m_longTexts;                   // texts too long for a slot, by id
    std::size_t m_cellCount = 0;
    std::uint64_t m_version = 0; // bumped whenever a row position may map to a different node

    // cell() is read row by row far more often than anything else; remembering the last row saves its descent.
    mutable std::int32_t m_cachedRow = 0;
    mutable NodeId m_cachedRowNode = PositionIndex::npos;
    mutable std::uint64_t m_cachedVersion = ~std::uint64_t{0};
    // And each row is read column by column: remember where the columns read last are, by position.
    struct CachedColumn {
        std::int32_t position = 0;
        NodeId id = PositionIndex::npos;
        std::uint64_t version = 0;
    };
    mutable std::array<CachedColumn, 64> m_cachedColumns{};
    NodeId columnNode(std::int32_t column) const noexcept;
};

} // namespace sheet
