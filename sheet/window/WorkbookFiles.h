#pragma once

#include "sheet/document/Application.h"
#include "sheet/files/Progress.h"
#include "sheet/window/WindowDialogs.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace automation {
class AutomationHost;
}

namespace sheet {

class Application;

/// Whether the two paths name one file, whether or not it exists.
bool sameFile(const QString& a, const QString& b);

/// The workbook of `app` that belongs to the file at `path`, or null.
Workbook* workbookWithFile(const Application& app, const QString& path);

/// The format a file's extension names, in any letter case: XLSX for .xlsx and the macro-enabled and template kinds
/// .xlsm, .xltx, .xltm (read as workbooks; what they hold beyond one is the reader's to report); CSV for .csv;
/// tab-separated text for .tsv and .txt (as "Unicode text" is saved). None for any other.
FileFormat formatOfExtension(const QString& path);

/// Reads the file at `path` as `kind` into a new workbook of `app`, active and unmodified (see
/// Application::openWorkbook); a text file in `encoding`. A file already open is not read again: its workbook is
/// activated instead. Throws FileError, leaving `app` as it was, when the file cannot be read or its kind is none
/// of those formatOfExtension knows; FileCancelled when `progress` says stop.
Workbook& openWorkbookFile(Application& app, const QString& path, FileKind kind,
                           TextEncoding encoding = TextEncoding::Auto, const Progress& progress = {});

/// As openWorkbookFile, but any failure is shown as a warning over `parent` and nothing is opened (null). A read
/// that takes longer than a second shows its progress, and may be cancelled.
Workbook* openWorkbookFileOrWarn(Application& app, const QString& path, FileKind kind, QWidget* parent,
                                 TextEncoding encoding = TextEncoding::Auto);

/// Reads the text file of `book` again in `encoding`, into a new workbook that takes its place (active, unmodified;
/// `book` is closed). Throws FileError, leaving `book` open as it was, when the file cannot be read so.
Workbook& reopenWorkbookFile(Application& app, Workbook& book, TextEncoding encoding);

/// What the window says of how the text of `book` was read, e.g. "按 GB18030 读取(编码是推测的)…"; empty when
/// there is nothing to say: not a text file, or valid UTF-8.
QString textReadingNote(const Workbook& book);
/// The question to ask before saving `book` over its own text file when that changes the file's encoding: read in
/// another encoding (above all a guessed one), it is saved as UTF-8. Empty when saving keeps the encoding.
QString reencodingQuestion(const Workbook& book);

/// Where and as what `choice` saves: the format of a path formatOfExtension knows, but for the XLSX kinds other than
/// .xlsx (their content would not be what they claim); otherwise that of the chosen kind (XLSX when none), with its
/// extension appended.
std::pair<QString, FileFormat> resolveSaveChoice(const FileChoice& choice);

/// Writes `book` to `path` in `format`; the file is replaced only once the new one is complete. XLSX holds every
/// sheet; CSV and tab-separated text (UTF-8 with a BOM) hold one, the active sheet. Returns whether sheets were left
/// out. Throws FileError, changing nothing of the workbook, or FileCancelled when `progress` says stop. Does not
/// touch the workbook's path or modified flag.
bool writeWorkbookFile(const Workbook& book, const QString& path, FileFormat format, const Progress& progress = {});

/// The file at `path` as it is on the disk now, through symbolic links; unknown when there is none.
FileStamp fileStampOf(const QString& path);

/// Who else edits the file at `path`, in words ("LibreOffice: 张三 (zhang@pc-12)，自 09.12.2026 14:05 起"), or an
/// empty text when nobody does. See otherEditor.
QString editedElsewhere(const QString& path);

/// What saving `book` over its own file now would overwrite of others' work, in words: another program edits
/// the file, or it was written since the workbook read or wrote it. Empty when nothing stands in the way.
QString overwriteConflict(const Workbook& book);

/// Opens `paths` (of any extension formatOfExtension knows) at start-up in a new embedded spreadsheet created through
/// `host`, so that it is the running instance the driving program attaches to, and makes it visible. A file that cannot
/// be read gets a warning naming it; the others still open. When none opens, the spreadsheet quits again, leaving
/// things as they were. Returns how many opened; nothing is done for an empty list.
int openFilesAtStart(automation::AutomationHost& host, const QStringList& paths);

} // namespace sheet
