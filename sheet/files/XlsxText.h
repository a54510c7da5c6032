#pragma once

#include <string>
#include <string_view>

// Texts as the parts of an XLSX file carry them. Characters XML cannot carry (control characters, U+FFFE) are
// written as _xHHHH_, and a literal "_x" that looks like such an escape as _x005F_x, as spreadsheet files do.
namespace sheet::xlsx {

/// Appends `text` as the content of an element, read back exactly by us and by other programs: markup characters as
/// entities, a carriage return as a character reference (a bare one would come back as a line feed), characters XML
/// cannot carry and text that looks like such an escape in the _xHHHH_ form, and malformed UTF-8 as U+FFFD so that
/// the file stays well-formed. O(length).
void appendText(std::string& out, std::string_view text);

/// Decodes the _xHHHH_ escapes of a text read in place, joining surrogate pairs written so; a lone surrogate becomes
/// U+FFFD. O(length).
void unescapeText(std::string& text);

} // namespace sheet::xlsx
