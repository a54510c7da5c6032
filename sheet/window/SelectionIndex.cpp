#include "sheet/window/SelectionIndex.h"

#include "sheet/engine/Grid.h"

#include <algorithm>

namespace sheet {

SelectionIndex::SelectionIndex(const AreaList& areas)
{
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const Area& a = areas[i];
        if (a.isWholeRows())
            m_rows.push_back({a.top, a.bottom});
        else if (a.isWholeColumns())
            m_columns.push_back({a.left, a.right});
        else
            m_rectangles.push_back(a);
    }
    sortAndMerge(m_rows);
    sortAndMerge(m_columns);
    std::sort(m_rectangles.begin(), m_rectangles.end(), [](const Area& x, const Area& y) { return x.top < y.top; });
    for (const Area& a : m_rectangles)
        m_tallest = std::max(m_tallest, a.bottom - a.top + 1);
}

void SelectionIndex::sortAndMerge(std::vector<Interval>& intervals)
{
    std::sort(intervals.begin(), intervals.end(), [](Interval x, Interval y) { return x.first < y.first; });
    std::size_t kept = 0;
    for (const Interval& next : intervals) {
        // Adjacent intervals merge too: rows 3 and 4 selected one by one draw as one block.
        if (kept > 0 && next.first <= intervals[kept - 1].last + 1)
            intervals[kept - 1].last = std::max(intervals[kept - 1].last, next.last);
        else
            intervals[kept++] = next;
    }
    intervals.resize(kept);
}

bool SelectionIndex::covers(const std::vector<Interval>& intervals, std::int32_t position)
{
    auto after = std::upper_bound(intervals.begin(), intervals.end(), position,
                                  [](std::int32_t p, Interval i) { return p < i.first; });
    return after != intervals.begin() && std::prev(after)->last >= position;
}

bool SelectionIndex::contains(std::int32_t row, std::int32_t column) const
{
    if (covers(m_rows, row) || covers(m_columns, column))
        return true;
    // Only rectangles starting at most m_tallest - 1 rows above can reach down to `row`.
    const std::int32_t lowestTop = row - m_tallest + 1;
    auto from = std::lower_bound(m_rectangles.begin(), m_rectangles.end(), lowestTop,
                                 [](const Area& a, std::int32_t top) { return a.top < top; });
    for (auto it = from; it != m_rectangles.end() && it->top <= row; ++it)
        if (it->bottom >= row && it->left <= column && column <= it->right)
            return true;
    return false;
}

std::optional<Area> SelectionIndex::topmost() const
{
    std::optional<Area> best;
    auto consider = [&](const Area& a) {
        if (!best || a.top < best->top)
            best = a;
    };
    if (!m_columns.empty())
        consider({1, m_columns.front().first, Grid::kRows, m_columns.front().last});
    if (!m_rows.empty())
        consider({m_rows.front().first, 1, m_rows.front().last, Grid::kColumns});
    if (!m_rectangles.empty())
        consider(m_rectangles.front());
    return best;
}

} // namespace sheet
