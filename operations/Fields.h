#pragma once

#include <string_view>

namespace operations {

/// The numeric value of a text box: the leading number of its text.
///
/// Full-width forms (U+FF01 to U+FF5E, as "１２", "－", "．", "Ｅ") and the ideographic space (U+3000) are first read
/// as their ASCII characters, so that what a Chinese input method types in full-width mode reads as typed.
/// Blanks, tabs and line feeds anywhere in the text are skipped ("1 2" reads 12). An optional sign, digits, a period
/// as the decimal point and an exponent introduced by E or D (either case) are read; "&H" and "&O" introduce a
/// hexadecimal or octal whole number. Reading stops at the first character that cannot continue the number, and a
/// text that does not begin with a number reads 0: "12abc" reads 12, "" and "abc" read 0, "1.5D2" reads 150.
///
/// Never fails. A number beyond the range of a double reads as an infinity of its sign, so callers can refuse it;
/// one too small to represent reads 0. Cost: two passes over the text and one copy of it.
double readField(std::string_view text);

/// Whether a box is blank: empty once its leading and trailing space characters (only U+0020) are removed.
bool isBlankBox(std::string_view text);

} // namespace operations
