#pragma once

#include "sheet/engine/Book.h"

#include <QString>

#include <optional>

class QWidget;

namespace sheet {

/// How a file is read or written, as chosen in a file dialog. ByExtension: by its extension (see
/// formatOfExtension); Csv and Tsv: as comma- or tab-separated text, whatever the extension.
enum class FileKind { ByExtension, Xlsx, Csv, Tsv };

struct FileChoice {
    QString path;
    FileKind kind = FileKind::ByExtension;
    /// For a text file: the encoding to read it in; Auto finds it (see decodeText).
    TextEncoding encoding = TextEncoding::Auto;
};

/// The answer to "save the changes before closing?".
enum class CloseAnswer { Save, Discard, Cancel };

/// The answer to "another program has the file; overwrite it?".
enum class OverwriteAnswer { Overwrite, SaveAs, Cancel };

/// The answer to "unsaved work of a program that was killed: recover it?".
enum class RecoveryAnswer { Recover, Discard, Later };

/// The modal dialogs of the spreadsheet's windows. The real ones block; a test puts its own, which answer at once and
/// record what they were shown. `parent` is the window that asks, null for the program's active window; the real
/// dialogs stay above it and above every window of the program kept on top.
class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    /// The file to open and how to read it; nothing when cancelled.
    virtual std::optional<FileChoice> openFile(QWidget* parent) = 0;
    /// Where and how to save, starting from `suggested`; nothing when cancelled. Asks before replacing a file.
    virtual std::optional<FileChoice> saveFile(QWidget* parent, const QString& suggested) = 0;
    /// Save, Don't Save or Cancel for the unsaved changes of the workbook `name`.
    virtual CloseAnswer askSaveChanges(QWidget* parent, const QString& name) = 0;
    /// Explains `message` (saving would drop part of the original file) and asks whether to save as a new file
    /// instead; false cancels the save.
    virtual bool askSaveAsInstead(QWidget* parent, const QString& message) = 0;
    /// Explains `message` (another program edits the file, or wrote it since it was read) and asks whether to
    /// overwrite it, save as another file, or cancel.
    virtual OverwriteAnswer askOverwrite(QWidget* parent, const QString& message) = 0;
    /// Tells of the unsaved work `message` describes, left by a program that was killed, and asks whether to recover
    /// it, discard it for good, or ask again next time.
    virtual RecoveryAnswer askRecover(QWidget* parent, const QString& message) = 0;
    /// Explains `message` and asks whether to go on and `action` (the words of the button that does); false when the
    /// user cancels.
    virtual bool confirm(QWidget* parent, const QString& message, const QString& action) = 0;
    /// The encoding to read the text file `name` in again, `current` offered first; nothing when cancelled.
    virtual std::optional<TextEncoding> chooseEncoding(QWidget* parent, const QString& name, TextEncoding current) = 0;
    virtual void warn(QWidget* parent, const QString& message) = 0;
    virtual void inform(QWidget* parent, const QString& message) = 0;

    /// The dialogs in use: the real ones unless setCurrent gave others.
    static WindowDialogs& current();
    /// Uses `dialogs` from now on (null: the real ones again). It must outlive its use.
    static void setCurrent(WindowDialogs* dialogs);
};

} // namespace sheet
