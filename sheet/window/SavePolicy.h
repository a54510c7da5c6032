#pragma once

#include "sheet/document/Workbook.h"

#include <cstddef>

namespace sheet {

/// What the window knows of a save: of the workbook and its own file, of the file chosen in Save As, and what the
/// user has agreed to so far. The window finds the facts, asks the policy what comes next, acts on the answer, and
/// asks again with what it learned; no Qt and no file system here.
struct SaveFacts {
    bool hasPath = false;                 // the workbook belongs to a file
    FileFormat format = FileFormat::None; // that file's format
    bool losses = false;                  // that file holds what the workbook does not: saving over it drops it
    std::size_t sheets = 1;
    bool reencodes = false;       // that file is text in another encoding than UTF-8, or one guessed; saving changes it
    bool conflict = false;        // the target changed on the disk since it was read, or another program holds it
    bool targetIsOwnFile = false; // Save As: the file chosen is the workbook's own
    bool targetOpenElsewhere = false; // Save As: another window has the file chosen open
    bool reencodingConfirmed = false;
    bool overwriteConfirmed = false;
};

/// The next step of a save.
enum class SaveDecision {
    ChooseFile,          // no file to save over: Save As
    OfferSaveAsLosses,   // refuse to write over a file whose content would be lost; offer Save As
    OfferSaveAsSheets,   // a text file keeps one sheet of several: offer Save As, to a workbook
    RefuseOriginal,      // Save As chose the file whose content would be lost: say so and choose again
    AskOverwrite,        // ask: overwrite, save as another file, or cancel
    RefuseOpenElsewhere, // Save As chose a file another window has open: say so and choose again
    ConfirmReencoding,   // ask before the text file is written as UTF-8
    Write,
};

/// Where Save As starts: the workbook's name as a new .xlsx, a copy beside a file that must stay as it is, a
/// workbook beside a text file of several sheets, or the workbook's own file.
enum class SaveAsStart { NewFile, CopyBeside, WorkbookBeside, OwnFile };

/// File > Save: what comes next. O(1), like the others.
SaveDecision decideSave(const SaveFacts& facts);
/// File > Save As, once a file is chosen: what comes next.
SaveDecision decideSaveAs(const SaveFacts& facts);
SaveAsStart saveAsStart(const SaveFacts& facts);

} // namespace sheet
