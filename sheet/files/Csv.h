#pragma once

#include "Book.h"

#include <string>
#include <string_view>

namespace sheet {

enum class TextEncoding { Auto, Utf8, Gb18030 };

/// Reads comma-separated values (RFC 4180: quoted fields with doubled quotes, commas and line breaks inside them,
/// CRLF or LF between records) into one sheet. Auto takes UTF-8 when the text is valid UTF-8 (a BOM is skipped)
/// and GB18030 otherwise. A field that is a number (blanks around it allowed, e.g. " 12", "-3.5", "1e3") becomes
/// a number, an empty field an empty cell, anything else text.
///
/// Throws FileError naming `name` for an unreadable encoding, an unclosed quote, or more rows or columns than a
/// sheet has. Cost: one pass; memory about the sheet's own.
Book readCsv(std::string_view bytes, const std::string& name, TextEncoding encoding = TextEncoding::Auto);
Book readCsvFile(const std::string& path, TextEncoding encoding = TextEncoding::Auto);

/// The cells of `grid` as CSV: UTF-8 with a BOM (so that other spreadsheet programs read Chinese text right), CRLF
/// after every row up to the last non-empty one, each row up to its last non-empty cell. Numbers are written to
/// round-trip exactly; truth values as TRUE and FALSE, dates as yyyy-mm-dd hh:mm:ss, errors as #N/A and the like.
std::string csvText(const Grid& grid);
/// Writes csvText(grid) to `path`. Throws FileError.
void writeCsvFile(const std::string& path, const Grid& grid);

} // namespace sheet
