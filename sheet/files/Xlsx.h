#pragma once

#include "Book.h"
#include "Progress.h"

#include <string>
#include <string_view>

namespace sheet {

/// Reads an Office Open XML workbook: every worksheet, with numbers, shared and inline strings, truth values,
/// error values, dates (cells whose number format is a date) and the cached values of formulas. What cannot be
/// kept (formulas themselves, styles, merged cells, charts and other parts) is reported in Book::losses.
///
/// Throws FileError naming `name` and what is wrong: not a zip archive, a missing part, malformed XML, a cell
/// reference outside the sheet, a shared-string index out of range, a value that is not what its type says.
/// Parts are streamed: memory is about the sheets' own.
Book readXlsx(std::string_view bytes, const std::string& name);
Book readXlsxFile(const std::string& path);

/// The names sheets named `names` get in a saved workbook: valid, and no two the same when letter case is ignored
/// ("Data", "DATA" become "Data", "DATA (2)"), as other spreadsheet programs require. O(n log n).
std::vector<std::string> savedSheetNames(const std::vector<std::string>& names);

/// Writes `sheets` as an Office Open XML workbook that other spreadsheet programs open: numbers, texts, truth
/// values, dates (with a date format) and error values. Sheet names are made valid and distinct by
/// savedSheetNames.
/// An existing file at `path` is replaced only once the new one is complete (writeReplacing). `progress` hears how
/// far it has come; when it says stop, FileCancelled is thrown and the file at `path` is left as it was.
/// Throws FileError.
void writeXlsxFile(const std::string& path, const std::vector<const BookSheet*>& sheets, const Progress& progress = {});

} // namespace sheet
