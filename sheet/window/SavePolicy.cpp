#include "sheet/window/SavePolicy.h"

namespace sheet {

static bool keepsOneSheetOfSeveral(const SaveFacts& f)
{
    return isTextFormat(f.format) && f.sheets > 1;
}

SaveDecision decideSave(const SaveFacts& f)
{
    if (!f.hasPath || f.format == FileFormat::None)
        return SaveDecision::ChooseFile;
    // Saving over the original would keep only what we hold of it: the rest must stay in that file.
    if (f.losses)
        return SaveDecision::OfferSaveAsLosses;
    // Asked before writing: the file would keep the active sheet only, whichever sheet that is now.
    if (keepsOneSheetOfSeveral(f))
        return SaveDecision::OfferSaveAsSheets;
    if (f.reencodes && !f.reencodingConfirmed)
        return SaveDecision::ConfirmReencoding;
    if (f.conflict && !f.overwriteConfirmed)
        return SaveDecision::AskOverwrite;
    return SaveDecision::Write;
}

SaveDecision decideSaveAs(const SaveFacts& f)
{
    // A file holding more than we keep is never taken as the place to save.
    if (f.hasPath && f.losses && f.targetIsOwnFile)
        return SaveDecision::RefuseOriginal;
    // Someone else's file, or our own changed by someone else since: asked before it is overwritten.
    if (f.conflict && !f.overwriteConfirmed)
        return SaveDecision::AskOverwrite;
    // Two workbooks of one file: whichever were saved last would silently win.
    if (f.targetOpenElsewhere)
        return SaveDecision::RefuseOpenElsewhere;
    if (f.targetIsOwnFile && f.reencodes && !f.reencodingConfirmed)
        return SaveDecision::ConfirmReencoding;
    return SaveDecision::Write;
}

SaveAsStart saveAsStart(const SaveFacts& f)
{
    if (!f.hasPath)
        return SaveAsStart::NewFile;
    if (f.losses)
        return SaveAsStart::CopyBeside;
    return keepsOneSheetOfSeveral(f) ? SaveAsStart::WorkbookBeside : SaveAsStart::OwnFile;
}

} // namespace sheet
