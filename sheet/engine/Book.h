#pragma once

#include "Grid.h"

#include <string>
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

/// A workbook read from or written to a file: its sheets in order, and what reading it could not keep.
struct Book {
    std::vector<BookSheet> sheets;
    Losses losses;
};

} // namespace sheet
