#pragma once

#include "sheet/engine/Grid.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sheet {

/// One worksheet as a file holds it.
struct BookSheet {
    std::string name;
    Grid grid;
};

/// What the embedded spreadsheet cannot keep of a file it opened: saving would drop it.
struct Losses {
    bool formulas = false; // formulas (their cached values are kept)
    bool styles = false;   // fonts, fills, borders, number formats other than dates
    bool mergedCells = false;
    bool otherParts = false;      // charts, pictures, comments, defined names and any part not read
    bool unreadableCells = false; // cells whose value is not what their type says: left blank
    bool cutTexts = false;        // texts longer than a cell keeps: their ends
    bool macros = false;          // a macro-enabled workbook's macros (its VBA project)
    bool templateKind = false;    // a template's nature: saved, it is an ordinary workbook
    bool any() const
    {
        return formulas || styles || mergedCells || otherParts || unreadableCells || cutTexts || macros || templateKind;
    }
    /// The losses in words, e.g. "公式、合并单元格".
    std::string describe() const;
};

/// The character encodings a text file (CSV, tab-separated) is read in. Auto: found from the bytes.
enum class TextEncoding { Auto, Utf8, Gb18030, Windows1252, Utf16Le, Utf16Be, Utf32Le, Utf32Be };

/// The encoding's usual name, as the user knows it: "UTF-8", "GB18030", "Windows-1252", "UTF-16 LE"; "自动识别"
/// for Auto.
std::string_view encodingName(TextEncoding encoding);

/// How the bytes of a text file became its text.
struct TextReading {
    TextEncoding encoding = TextEncoding::Utf8;
    /// Whether the encoding was guessed from how plausible the text reads, rather than known from a byte-order
    /// mark, from the bytes being valid UTF-8, or from the user's choice. A guess may be wrong; saving in another
    /// encoding would make a wrong guess permanent.
    bool guessed = false;
    /// In a text that is UTF-8 but for a few bytes: how many bytes were not, each read as its Windows-1252
    /// character (as in "caf\xE9"). Always a guess.
    std::size_t strayBytes = 0;
    /// Whether the file held valid UTF-8, so that saving the text as UTF-8 keeps its bytes (but for a byte-order
    /// mark).
    bool isUtf8() const { return encoding == TextEncoding::Utf8 && strayBytes == 0; }
};

/// A workbook read from or written to a file: its sheets in order, what reading it could not keep, and for a text
/// file how its text was read.
struct Book {
    std::vector<BookSheet> sheets;
    Losses losses;
    TextReading reading;
};

} // namespace sheet
