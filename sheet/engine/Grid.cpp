#include "sheet/engine/Grid.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

// Layout: a row node's cells are 16-byte slots sorted by column node id. Column ids, not positions, are stored so
// that inserting or deleting columns never touches a row. Deleting a column that still holds cells retires its id
// instead of visiting every row: the slots left behind ("orphans") can never match a live column again, are skipped
// when reading, and are dropped whenever their row is rewritten or released. Because of orphans a row node may hold
// no live cell, but never the last row node, so lastRow() stays the index total.

namespace sheet {

struct Grid::Slot {
    std::uint32_t column; // column node id
    std::uint8_t kind;    // a CellKind
    std::uint8_t length;  // Text: bytes held inline, or kLongText when `payload` holds an id of m_longTexts
    std::uint8_t payload[10];
};

namespace {
constexpr std::size_t kInlineText = 10;
constexpr std::uint8_t kLongText = 0xFF;
} // namespace

Grid::Grid() = default;
Grid::~Grid() = default;

Grid::Grid(Grid&& other) noexcept
{
    swap(other);
}

Grid& Grid::operator=(Grid&& other) noexcept
{
    if (this != &other) {
        Grid old(std::move(other));
        swap(old);
    }
    return *this;
}

void Grid::swap(Grid& other) noexcept
{
    using std::swap;
    swap(m_rows, other.m_rows);
    swap(m_columns, other.m_columns);
    swap(m_rowCells, other.m_rowCells);
    swap(m_columnCounts, other.m_columnCounts);
    m_longTexts.swap(other.m_longTexts);
    swap(m_cellCount, other.m_cellCount);
    // Both caches may now describe the other grid's rows.
    m_version = other.m_version = std::max(m_version, other.m_version) + 1;
}

CellView Grid::cell(std::int32_t row, std::int32_t column) const
{
    checkCell(row, column);
    const NodeId rowId = rowNode(row);
    if (rowId == PositionIndex::npos)
        return {};
    const NodeId columnId = columnNode(column);
    if (columnId == PositionIndex::npos)
        return {};
    const RowCells& cells = m_rowCells[rowId];
    const auto it = std::lower_bound(cells.begin(), cells.end(), columnId,
                                     [](const Slot& slot, NodeId id) { return slot.column < id; });
    if (it == cells.end() || it->column != columnId)
        return {};
    return decode(*it);
}

void Grid::setCell(std::int32_t row, std::int32_t column, const CellView& value)
{
    checkCell(row, column);
    if (value.isEmpty()) {
        clearCell(row, column);
        return;
    }

    // Encode first: it copies the text before anything moves, so `value` may view this grid's own storage.
    place(row, column, encode(value));
}

Grid::SharedText Grid::shareText(std::string_view text)
{
    SharedText shared;
    shared.m_grid = this;
    if (text.size() <= kInlineText) {
        shared.m_short = text;
    } else {
        shared.m_id = m_longTexts.add(text);
        shared.m_long = true;
    }
    return shared;
}

void Grid::setCell(std::int32_t row, std::int32_t column, const SharedText& text)
{
    checkCell(row, column);
    if (text.m_grid != this)
        throw std::invalid_argument("Grid::setCell: the shared text belongs to another grid");
    if (!text.m_long || !m_longTexts.addHolder(text.m_id)) {
        // A short text, or one held by as many cells as a count can say: a copy of its own.
        const std::string_view bytes = text.m_long ? m_longTexts.text(text.m_id) : std::string_view(text.m_short);
        place(row, column, encode(CellView::makeText(bytes)));
        return;
    }
    Slot fresh{};
    fresh.kind = static_cast<std::uint8_t>(CellKind::Text);
    fresh.length = kLongText;
    std::memcpy(fresh.payload, &text.m_id, sizeof text.m_id);
    place(row, column, fresh);
}

Grid::SharedText::~SharedText()
{
    if (m_grid && m_long)
        m_grid->m_longTexts.release(m_id);
}

Grid::SharedText::SharedText(SharedText&& other) noexcept
    : m_grid(std::exchange(other.m_grid, nullptr)), m_id(other.m_id), m_long(std::exchange(other.m_long, false)),
      m_short(std::move(other.m_short))
{}

Grid::SharedText& Grid::SharedText::operator=(SharedText&& other) noexcept
{
    if (this != &other) {
        SharedText old(std::move(*this));
        m_grid = std::exchange(other.m_grid, nullptr);
        m_id = other.m_id;
        m_long = std::exchange(other.m_long, false);
        m_short = std::move(other.m_short);
    }
    return *this;
}

// Stores a slot already encoded, holding its text if it has one; releases that text again if storing fails.
void Grid::place(std::int32_t row, std::int32_t column, Slot fresh)
{
    NodeId rowId = rowNode(row);
    NodeId columnId = m_columns.find(column);
    const bool newRow = rowId == PositionIndex::npos;
    const bool newColumn = columnId == PositionIndex::npos;
    try {
        if (newRow) {
            m_rowCells.resize(std::max<std::size_t>(m_rowCells.size(), m_rows.idLimit() + std::size_t{1}));
            rowId = m_rows.insert(row);
            rowsChanged();
            m_cachedRow = row;
            m_cachedRowNode = rowId;
            m_cachedVersion = m_version;
        }
        if (newColumn) {
            m_columnCounts.resize(std::max<std::size_t>(m_columnCounts.size(), m_columns.idLimit() + std::size_t{1}));
            columnId = m_columns.insert(column);
        }
        fresh.column = columnId;

        RowCells& cells = m_rowCells[rowId];
        const auto byColumn = [](const Slot& slot, NodeId id) { return slot.column < id; };
        auto it = std::lower_bound(cells.begin(), cells.end(), columnId, byColumn);
        if (it != cells.end() && it->column == columnId) {
            releaseText(*it);
            *it = fresh;
            return;
        }
        if (cells.size() == cells.capacity()) {
            growRow(cells);
            it = std::lower_bound(cells.begin(), cells.end(), columnId, byColumn);
        }
        cells.insert(it, fresh); // cannot throw: capacity is there and slots are trivially copyable
        ++m_columnCounts[columnId];
        ++m_cellCount;
    } catch (...) {
        // Only allocation can fail here; undo the nodes made for this cell so no blank row or column is left.
        if (newColumn && columnId != PositionIndex::npos)
            m_columns.erase(column);
        if (newRow && rowId != PositionIndex::npos) {
            m_rows.erase(row);
            rowsChanged();
        }
        releaseText(fresh);
        throw;
    }
}

void Grid::insertRows(std::int32_t at, std::int32_t count)
{
    insertSpan(m_rows, at, count, kRows);
    rowsChanged();
}

void Grid::insertColumns(std::int32_t at, std::int32_t count)
{
    insertSpan(m_columns, at, count, kColumns);
}

void Grid::deleteRows(std::int32_t at, std::int32_t count)
{
    checkSpan(at, count, kRows);
    const std::vector<NodeId> removed = m_rows.eraseRange(at, count, PositionIndex::Release::Free);
    rowsChanged();
    for (NodeId id : removed)
        releaseRow(id);
    trimTrailingBlankRows();
}

void Grid::deleteColumns(std::int32_t at, std::int32_t count)
{
    checkSpan(at, count, kColumns);
    // Retired, not freed: the rows still hold slots with these ids, and a reused id would bring them back.
    const std::vector<NodeId> removed = m_columns.eraseRange(at, count, PositionIndex::Release::Retire);
    for (NodeId id : removed) {
        m_cellCount -= m_columnCounts[id];
        m_columnCounts[id] = 0;
    }
    if (!removed.empty())
        trimTrailingBlankRows();
}

std::size_t Grid::clearArea(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right)
{
    checkCell(top, left);
    checkCell(bottom, right);
    if (top > bottom || left > right)
        throw GridError(GridError::Reason::OutOfRange, "area (" + std::to_string(top) + ", " + std::to_string(left) +
                                                           ")-(" + std::to_string(bottom) + ", " +
                                                           std::to_string(right) + ") is upside down");
    bottom = std::min(bottom, lastRow());
    right = std::min(right, lastColumn());
    if (top > bottom || left > right)
        return 0;

    // Everything is gathered before the first cell goes, so running out of memory changes nothing.
    std::vector<RowAt> rows;
    if (static_cast<std::size_t>(bottom - top) < m_rows.size()) {
        for (std::int32_t row = top; row <= bottom; ++row)
            if (const NodeId id = m_rows.find(row); id != PositionIndex::npos)
                rows.push_back({row, id});
    } else {
        m_rows.forEach([&](std::int32_t row, NodeId id) {
            if (row >= top && row <= bottom)
                rows.push_back({row, id});
        });
    }
    if (rows.empty())
        return 0;

    // A few columns are looked up one by one; for many, one pass gives every column's position.
    std::vector<NodeId> narrow;
    std::vector<std::int32_t> positionOf;
    const bool wide = static_cast<std::size_t>(right - left) >= m_columns.size();
    if (wide) {
        positionOf.assign(m_columns.idLimit(), 0);
        m_columns.forEach([&](std::int32_t column, NodeId id) { positionOf[id] = column; });
    } else {
        for (std::int32_t column = left; column <= right; ++column)
            if (const NodeId id = m_columns.find(column); id != PositionIndex::npos)
                narrow.push_back(id);
        std::sort(narrow.begin(), narrow.end());
        if (narrow.empty())
            return 0;
    }
    return clearInRows(rows, [&](std::int32_t, NodeId column) {
        if (wide)
            return positionOf[column] >= left && positionOf[column] <= right;
        return std::binary_search(narrow.begin(), narrow.end(), column);
    });
}

std::size_t Grid::clearWhere(const std::function<bool(std::int32_t row, std::int32_t column)>& inside)
{
    std::vector<std::int32_t> positionOf(m_columns.idLimit(), 0); // 0: retired or free, so an orphan
    m_columns.forEach([&](std::int32_t column, NodeId id) { positionOf[id] = column; });
    std::vector<RowAt> rows;
    rows.reserve(m_rows.size());
    m_rows.forEach([&](std::int32_t row, NodeId id) { rows.push_back({row, id}); });
    return clearInRows(rows, [&](std::int32_t row, NodeId column) {
        return positionOf[column] > 0 && inside(row, positionOf[column]);
    });
}

// Erasing a row or column node leaves every other position as it was, so the positions gathered by the caller
// stay true throughout; nothing here allocates.
std::size_t Grid::clearInRows(const std::vector<RowAt>& rows,
                              const std::function<bool(std::int32_t row, NodeId column)>& selected)
{
    std::size_t cleared = 0;
    for (const RowAt& at : rows) {
        RowCells& cells = m_rowCells[at.id];
        const std::size_t before = cleared;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const Slot slot = cells[i];
            if (!isLive(slot) || !selected(at.position, slot.column)) {
                cells[kept++] = slot;
                continue;
            }
            releaseText(slot);
            --m_cellCount;
            ++cleared;
            if (--m_columnCounts[slot.column] == 0)
                m_columns.erase(m_columns.position(slot.column));
        }
        if (cleared == before)
            continue;
        cells.resize(kept);
        if (hasLiveCell(cells))
            continue;
        releaseRow(at.id);
        m_rows.erase(at.position);
        rowsChanged();
    }
    if (cleared > 0)
        trimTrailingBlankRows();
    return cleared;
}

std::int32_t Grid::lastRow() const
{
    return m_rows.total();
}

std::int32_t Grid::lastColumn() const
{
    return m_columns.total();
}

std::size_t Grid::cellCount() const
{
    return m_cellCount;
}

std::size_t Grid::longTextBytes() const
{
    return m_longTexts.bytes();
}

void Grid::forEachCell(const std::function<void(std::int32_t row, std::int32_t column, const CellView&)>& visit) const
{
    std::vector<std::int32_t> columnPosition(m_columns.idLimit(), 0); // 0: retired or free, so an orphan
    m_columns.forEach([&](std::int32_t pos, NodeId id) { columnPosition[id] = pos; });

    std::vector<std::pair<std::int32_t, const Slot*>> line;
    m_rows.forEach([&](std::int32_t row, NodeId id) {
        line.clear();
        for (const Slot& slot : m_rowCells[id]) {
            if (const std::int32_t column = columnPosition[slot.column]; column > 0)
                line.emplace_back(column, &slot);
        }
        // Ids usually follow positions (columns filled left to right), so the sort is mostly skipped.
        const auto byColumn = [](const auto& a, const auto& b) { return a.first < b.first; };
        if (!std::is_sorted(line.begin(), line.end(), byColumn))
            std::sort(line.begin(), line.end(), byColumn);
        for (const auto& [column, slot] : line)
            visit(row, column, decode(*slot));
    });
}

void Grid::checkCell(std::int32_t row, std::int32_t column)
{
    if (row < 1 || row > kRows || column < 1 || column > kColumns)
        throw GridError(GridError::Reason::OutOfRange,
                        "cell (" + std::to_string(row) + ", " + std::to_string(column) + ") is outside the sheet");
}

void Grid::checkSpan(std::int32_t at, std::int32_t count, std::int32_t limit)
{
    if (at < 1 || at > limit || count < 1 || count > limit - at + 1)
        throw GridError(GridError::Reason::OutOfRange,
                        "span of " + std::to_string(count) + " at " + std::to_string(at) + " is outside the sheet");
}

void Grid::insertSpan(PositionIndex& index, std::int32_t at, std::int32_t count, std::int32_t limit)
{
    checkSpan(at, count, limit);
    // With the span inside the sheet, a last position past limit - count is necessarily at or after `at`.
    const std::int32_t last = index.total();
    if (last > limit - count)
        throw GridError(GridError::Reason::DataWouldBeLost, "inserting " + std::to_string(count) + " at " +
                                                                std::to_string(at) + " would push position " +
                                                                std::to_string(last) + " off the sheet");
    index.shift(at, count);
}

Grid::NodeId Grid::rowNode(std::int32_t row) const noexcept
{
    if (m_cachedRow != row || m_cachedVersion != m_version) {
        m_cachedRowNode = m_rows.find(row);
        m_cachedRow = row;
        m_cachedVersion = m_version;
    }
    return m_cachedRowNode;
}

Grid::NodeId Grid::columnNode(std::int32_t column) const noexcept
{
    CachedColumn& cached = m_cachedColumns[static_cast<std::size_t>(column) % m_cachedColumns.size()];
    if (cached.position != column || cached.version != m_columns.version())
        cached = {column, m_columns.find(column), m_columns.version()};
    return cached.id;
}

// Live columns always hold at least one cell; free and retired ids count zero, and only orphans point at those.
bool Grid::isLive(const Slot& slot) const noexcept
{
    return m_columnCounts[slot.column] != 0;
}

bool Grid::hasLiveCell(const RowCells& cells) const noexcept
{
    return std::any_of(cells.begin(), cells.end(), [this](const Slot& slot) { return isLive(slot); });
}

Grid::Slot Grid::encode(const CellView& value)
{
    static_assert(sizeof(Slot) == 16, "slots are sized for memory; keep them at 16 bytes");
    static_assert(std::is_trivially_copyable_v<Slot>, "rows shift slots as plain bytes");
    Slot slot{};
    slot.kind = static_cast<std::uint8_t>(value.kind);
    switch (value.kind) {
    case CellKind::Number:
    case CellKind::Date:
        std::memcpy(slot.payload, &value.number, sizeof value.number);
        break;
    case CellKind::Boolean:
        slot.payload[0] = value.number != 0 ? 1 : 0;
        break;
    case CellKind::Error:
        std::memcpy(slot.payload, &value.error, sizeof value.error);
        break;
    case CellKind::Text:
        if (value.text.size() <= kInlineText) {
            slot.length = static_cast<std::uint8_t>(value.text.size());
            if (!value.text.empty())
                std::memcpy(slot.payload, value.text.data(), value.text.size());
        } else {
            const std::uint32_t index = m_longTexts.add(value.text);
            slot.length = kLongText;
            std::memcpy(slot.payload, &index, sizeof index);
        }
        break;
    case CellKind::Empty:
    default:
        throw std::invalid_argument("Grid::setCell: unknown cell kind");
    }
    return slot;
}

CellView Grid::decode(const Slot& slot) const noexcept
{
    CellView view;
    view.kind = static_cast<CellKind>(slot.kind);
    switch (view.kind) {
    case CellKind::Number:
    case CellKind::Date:
        std::memcpy(&view.number, slot.payload, sizeof view.number);
        break;
    case CellKind::Boolean:
        view.number = slot.payload[0];
        break;
    case CellKind::Error:
        std::memcpy(&view.error, slot.payload, sizeof view.error);
        break;
    case CellKind::Text:
        if (slot.length == kLongText) {
            std::uint32_t index = 0;
            std::memcpy(&index, slot.payload, sizeof index);
            view.text = m_longTexts.text(index);
        } else {
            view.text = std::string_view(reinterpret_cast<const char*>(slot.payload), slot.length);
        }
        break;
    case CellKind::Empty:
        break;
    }
    return view;
}

void Grid::releaseText(const Slot& slot) noexcept
{
    if (slot.kind != static_cast<std::uint8_t>(CellKind::Text) || slot.length != kLongText)
        return;
    std::uint32_t index = 0;
    std::memcpy(&index, slot.payload, sizeof index);
    m_longTexts.release(index);
}

void Grid::clearCell(std::int32_t row, std::int32_t column)
{
    const NodeId rowId = rowNode(row);
    if (rowId == PositionIndex::npos)
        return;
    const NodeId columnId = m_columns.find(column);
    if (columnId == PositionIndex::npos)
        return;
    RowCells& cells = m_rowCells[rowId];
    const auto it = std::lower_bound(cells.begin(), cells.end(), columnId,
                                     [](const Slot& slot, NodeId id) { return slot.column < id; });
    if (it == cells.end() || it->column != columnId)
        return;

    releaseText(*it);
    cells.erase(it);
    --m_cellCount;
    if (--m_columnCounts[columnId] == 0)
        m_columns.erase(column);
    if (hasLiveCell(cells))
        return;
    releaseRow(rowId);
    m_rows.erase(row);
    rowsChanged();
    if (row > m_rows.total())
        trimTrailingBlankRows();
}

// Called when a row is full: orphans are dropped first, since the row is about to be copied anyway.
void Grid::growRow(RowCells& cells)
{
    const auto orphans =
        std::stable_partition(cells.begin(), cells.end(), [this](const Slot& slot) { return isLive(slot); });
    std::for_each(orphans, cells.end(), [this](const Slot& slot) { releaseText(slot); });
    cells.erase(orphans, cells.end());
    if (cells.size() < cells.capacity())
        return;
    // Growing by a quarter, not doubling: a row filled cell by cell wastes little, which keeps a full sheet small.
    cells.reserve(cells.size() + cells.size() / 4 + 4);
}

// Drops every slot of row node `row`, which is already out of the row index or about to leave it.
void Grid::releaseRow(NodeId row)
{
    RowCells cells = std::move(m_rowCells[row]);
    m_rowCells[row] = RowCells();
    for (const Slot& slot : cells) {
        releaseText(slot);
        if (!isLive(slot))
            continue;
        --m_cellCount;
        if (--m_columnCounts[slot.column] == 0)
            m_columns.erase(m_columns.position(slot.column));
    }
}

// Restores "the last row node holds a live cell" after orphans appeared or the last row went away.
void Grid::trimTrailingBlankRows()
{
    for (NodeId last = m_rows.last(); last != PositionIndex::npos; last = m_rows.last()) {
        if (hasLiveCell(m_rowCells[last]))
            return;
        releaseRow(last);
        m_rows.erase(m_rows.total());
        rowsChanged();
    }
}

} // namespace sheet
