#pragma once

#include "sheet/engine/Book.h"
#include "sheet/files/Progress.h"

#include <string>
#include <string_view>

namespace sheet {

/// Reads comma-separated values into one sheet: RFC 4180 quoting (quoted fields with doubled quotes, separators and
/// line breaks inside them; CRLF, LF or CR between records) read as other spreadsheet programs read it, so that
/// files written by hand or by careless programs open too:
/// - a quote opens a quoted field only at the start of a field (after blanks at most, which are dropped); anywhere
///   else it is an ordinary character: `12" pipe`, `37°36'37.8"N`;
/// - a quoted field closes at a quote followed, after blanks at most (kept), by the separator or the end of the
///   record; other quotes inside it are ordinary characters: `"He said "hi" to me"` holds He said "hi" to me;
/// - a field with a quote inside that closes nothing is read as written, quotes included, unless a closing quote
///   follows before the next separator or line break: `"ab"c` holds "ab"c.
/// `separator` is ',' for CSV, '\t' for tab-separated text. The text is read in `encoding` (see decodeText: Auto
/// follows a byte-order mark, takes valid UTF-8 as UTF-8 and guesses otherwise); Book::reading tells how. A field
/// that is a number (blanks around it allowed, e.g. " 12", "-3.5", "1e3") becomes a number, an empty field an empty
/// cell, anything else text.
///
/// Throws FileError naming `name` for bytes that are not text in the encoding, a quoted field still open at the end
/// of the file (cut short), or more rows or columns than a sheet has. Cost: one pass; memory about the sheet's own.
/// `progress` hears how far reading has come every 4 MB of text; when it says stop, FileCancelled is thrown.
Book readCsv(std::string_view bytes, const std::string& name, TextEncoding encoding = TextEncoding::Auto,
             char separator = ',', const Progress& progress = {});
Book readCsvFile(const std::string& path, TextEncoding encoding = TextEncoding::Auto, char separator = ',',
                 const Progress& progress = {});

/// The cells of `grid` as CSV, or as tab-separated text for `separator` '\t': UTF-8 with a BOM (so that other
/// spreadsheet programs read Chinese text right), CRLF after every row up to the last non-empty one, each row up to
/// its last non-empty cell; a field holding the separator, a quote or a line break, or with blanks at its ends, is
/// quoted. Numbers are written to round-trip exactly; truth values as TRUE and FALSE, dates and times as formatDate
/// writes them (yyyy-mm-dd hh:mm:ss.s, a time alone as hh:mm:ss), errors as #N/A and the like.
std::string csvText(const Grid& grid, char separator = ',', const Progress& progress = {});
/// Writes csvText(grid, separator) to `path`, replacing a file there only once complete (writeReplacing).
/// Throws FileError, or FileCancelled when `progress` says stop, the file at `path` left as it was.
void writeCsvFile(const std::string& path, const Grid& grid, char separator = ',', const Progress& progress = {});

} // namespace sheet
