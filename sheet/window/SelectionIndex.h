#pragma once

#include "objectmodel/Area.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace sheet {

using objectmodel::Area;
using objectmodel::AreaList;

/// Answers "is this cell selected" for a selection of any size, fast enough to ask for every cell drawn.
///
/// A selection of blank rows can hold 100,000 whole-row areas: asking each area in turn, for each of a few hundred
/// visible cells, would make every repaint crawl. Whole-row and whole-column areas are kept as sorted, merged
/// intervals; other rectangles sorted by their top row.
///
/// Costs (n areas, t rectangles whose rows span the row asked about): building O(n log n), once per change of the
/// selection; contains() O(log n + t). Memory 8 bytes per whole-row or whole-column area, 16 per other rectangle.
class SelectionIndex {
public:
    /// An index of nothing: no cell is selected.
    SelectionIndex() = default;
    /// An index of `areas`, which are 1-based and inside the sheet.
    explicit SelectionIndex(const AreaList& areas);

    bool empty() const { return m_rows.empty() && m_columns.empty() && m_rectangles.empty(); }
    /// Whether (row, column), 1-based, lies in any area.
    bool contains(std::int32_t row, std::int32_t column) const;
    /// The area with the smallest top row, where a window would scroll to show the selection; nothing when empty.
    /// Adjacent or overlapping whole rows (or columns) come back as one area.
    std::optional<Area> topmost() const;

private:
    struct Interval {
        std::int32_t first;
        std::int32_t last;
    };
    static void sortAndMerge(std::vector<Interval>& intervals);
    static bool covers(const std::vector<Interval>& intervals, std::int32_t position);

    std::vector<Interval> m_rows;    // whole rows, also the whole sheet
    std::vector<Interval> m_columns; // whole columns
    std::vector<Area> m_rectangles;  // sorted by top
    std::int32_t m_tallest = 0;      // rows of the tallest rectangle: bounds how far back a search must look
};

} // namespace sheet
