#pragma once

#include "sheet/engine/Book.h"
#include "sheet/files/XlsxArchive.h"
#include "sheet/files/XlsxStyles.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The cells of a workbook's worksheets and the strings they share.
namespace sheet::xlsx {

/// The shared strings of a workbook, all in one buffer: 8 bytes each besides their text.
struct SharedStrings {
    std::string bytes;
    std::vector<std::uint64_t> ends;
    std::vector<std::uint32_t> cut; // in order: the strings cut at kMaxCellTextBytes

    std::size_t size() const { return ends.size(); }
    std::string_view at(std::size_t i) const
    {
        const std::uint64_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(bytes).substr(begin, ends[i] - begin);
    }
    bool wasCut(std::size_t i) const
    {
        return !cut.empty() && std::binary_search(cut.begin(), cut.end(), static_cast<std::uint32_t>(i));
    }
    std::uint64_t memory() const { return bytes.capacity() + ends.capacity() * sizeof(std::uint64_t); }
};

/// The shared strings part `part`: at most `maxCount` strings, counted against `budget` as they are read, their
/// escapes decoded and those longer than kMaxCellTextBytes cut. Throws FileError.
SharedStrings readSharedStrings(Archive& archive, const std::string& part, std::size_t maxCount, MemoryBudget& budget);

/// What the worksheets of one workbook share while they are read.
struct SheetContext {
    const SharedStrings& strings;
    const CellFormats& formats;
    bool date1904 = false;
    Losses& losses;
    MemoryBudget& budget;
    // Shared strings stored in the sheet being read, each once: by string index, 1 + the position of its handle in
    // the sheet's own list. Sheets take turns with one table, sized once, which each leaves as it found it.
    std::vector<std::uint32_t> sharedAt;
};

/// Reads the worksheet part `part` into `grid`: numbers, shared and inline strings, truth values, error values,
/// dates, the cached values of formulas; what it cannot keep is told in context.losses, a cell whose value is not
/// what its type says left blank. The memory the grid takes is counted against and settled in context.budget.
/// Throws FileError for a cell outside the sheet, malformed XML or a bound passed.
void readSheet(Archive& archive, const std::string& part, SheetContext& context, Grid& grid);

} // namespace sheet::xlsx
