#pragma once

#include "sheet/engine/Book.h"
#include "sheet/files/Progress.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sheet {

/// The longest text a cell keeps when read: 4 MiB of UTF-8, over 1.3 million characters of any script. A longer
/// one is cut at a whole character and reported in Losses::cutTexts.
constexpr std::size_t kMaxCellTextBytes = std::size_t{4} << 20;

/// What reading may be given besides the file.
struct XlsxReadOptions {
    /// Called with the fraction read so far (0 to 1) after about every 4 MB of inflated data, and with 1 at the end;
    /// returning false stops reading with FileCancelled. May be empty.
    std::function<bool(double fraction)> progress;
    /// Memory the machine has for reading, in bytes; 0 asks the system (availableMemory(), 4 GiB where it does not
    /// say).
    std::uint64_t memoryAvailable = 0;
    /// Units of work reading may take (see readXlsx); 0 for the bound the file's size gives.
    std::uint64_t workLimit = 0;
};

/// Reads an Office Open XML workbook (.xlsx, and the macro-enabled and template kinds .xlsm, .xltx, .xltm, in the
/// transitional and the strict form): every worksheet, with numbers, shared and inline strings, truth values,
/// error values, dates (cells whose number format is a date, and ISO dates and times) and the cached values of
/// formulas. The workbook is found through the package's relationships. What cannot be kept (formulas themselves,
/// styles, merged cells, charts and other parts, macros, a template's nature, cells whose value is not what their
/// type says, the ends of texts longer than kMaxCellTextBytes) is reported in Book::losses.
///
/// Bounds, so that no file costs more than its size lets it: the parts read inflate to at most the memory available;
/// the work of reading (a unit per byte inflated, 24 per element, text or comment) is at most 640 Mi units (about
/// 3 s) or 64 units per byte of the file if that is more; the workbook takes at most three quarters of the memory
/// available and at most 50 times the file's size or 256 MiB if that is more, counting 24 bytes a cell and the texts
/// held; no XML token (a tag, a comment) is longer than 16 MiB; there are at most 65,536 shared strings plus one for
/// every 20 bytes the worksheets declare. A file beyond any of them is refused, by what its archive declares before
/// anything is inflated, and by what it inflates to whatever it declared.
///
/// Cost: O(n) in the bytes inflated, whatever they are. Parts are streamed: memory is about the sheets' own.
///
/// Throws FileError naming `name` and what is wrong: not a zip archive, a missing part, malformed XML, a cell
/// reference outside the sheet, a bound passed. Throws FileCancelled when `options.progress` says stop. Nothing
/// half-read is returned.
Book readXlsx(std::string_view bytes, const std::string& name);
Book readXlsx(std::string_view bytes, const std::string& name, const XlsxReadOptions& options);
Book readXlsxFile(const std::string& path);
Book readXlsxFile(const std::string& path, const XlsxReadOptions& options);

/// The names sheets named `names` get in a saved workbook: valid, and no two the same when letter case is ignored
/// ("Data", "DATA" become "Data", "DATA (2)"), as other spreadsheet programs require. O(n log n).
std::vector<std::string> savedSheetNames(const std::vector<std::string>& names);

/// A sheet to write as it stands: its name, and its cells, which stay where they are (and must stay unchanged
/// while they are written, and outlive the writing). The name is a copy: a sheet may give it only by value.
struct SheetToWrite {
    SheetToWrite(std::string_view sheetName, const Grid& cells) : name(sheetName), grid(cells) {}
    // A Book's sheet is one as it is.
    SheetToWrite(const BookSheet& sheet) : name(sheet.name), grid(sheet.grid) {}

    std::string name;
    const Grid& grid;
};

/// Writes `sheets` as an Office Open XML workbook that other spreadsheet programs open: numbers, texts, truth
/// values, dates (with a date format) and error values. Sheet names are made valid and distinct by
/// savedSheetNames; no sheets at all are written as one blank sheet.
/// An existing file at `path` is replaced only once the new one is complete (writeReplacing). `progress` hears how
/// far it has come; when it says stop, FileCancelled is thrown and the file at `path` is left as it was.
/// Throws FileError.
void writeXlsxFile(const std::string& path, const std::vector<SheetToWrite>& sheets, const Progress& progress = {});

} // namespace sheet
