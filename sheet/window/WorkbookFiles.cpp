#include "sheet/window/WorkbookFiles.h"

#include "link/AutomationHost.h"
#include "objectmodel/ObjectModel.h"
#include "sheet/document/Application.h"
#include "sheet/files/Csv.h"
#include "sheet/files/FileError.h"
#include "sheet/files/FilePath.h"
#include "sheet/files/LockFile.h"
#include "sheet/files/WriteReplacing.h"
#include "sheet/files/Xlsx.h"
#include "sheet/window/FileProgress.h"

#include <QDir>
#include <QFileInfo>
#include <QOperatingSystemVersion>

#include <filesystem>

namespace sheet {

bool sameFile(const QString& a, const QString& b)
{
    const QFileInfo first(a);
    const QFileInfo second(b);
    // QFileInfo's own comparison holds any two missing files for the same: compare their names instead, in the
    // letter case the platform's file names have.
    if (first.exists() && second.exists())
        return first == second;
    const auto type = QOperatingSystemVersion::currentType();
    const bool caseless = type == QOperatingSystemVersion::Windows || type == QOperatingSystemVersion::MacOS;
    return QDir::cleanPath(first.absoluteFilePath())
               .compare(QDir::cleanPath(second.absoluteFilePath()),
                        caseless ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

Workbook* workbookWithFile(const Application& app, const QString& path)
{
    for (const auto& book : app.workbooks())
        if (!book->path().empty() && sameFile(QString::fromStdString(book->path()), path))
            return book.get();
    return nullptr;
}

FileFormat formatOfExtension(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const char* xlsx : {"xlsx", "xlsm", "xltx", "xltm"})
        if (suffix == QLatin1String(xlsx))
            return FileFormat::Xlsx;
    if (suffix == QStringLiteral("csv"))
        return FileFormat::Csv;
    if (suffix == QStringLiteral("tsv") || suffix == QStringLiteral("txt"))
        return FileFormat::Tsv;
    return FileFormat::None;
}

namespace {

char separatorOf(FileFormat format)
{
    return format == FileFormat::Tsv ? '\t' : ',';
}

Book readWorkbookFile(const std::string& name, FileFormat format, TextEncoding encoding, const Progress& progress = {})
{
    if (format == FileFormat::Xlsx) {
        XlsxReadOptions options;
        options.progress = progress;
        return readXlsxFile(name, options);
    }
    return readCsvFile(name, encoding, separatorOf(format), progress);
}

QString nameOf(TextEncoding encoding)
{
    const std::string_view text = encodingName(encoding);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

Workbook& openWorkbookFile(Application& app, const QString& path, FileKind kind, TextEncoding encoding,
                           const Progress& progress)
{
    const std::string name = path.toStdString();
    if (Workbook* open = workbookWithFile(app, path)) {
        app.activateWorkbook(*open);
        return *open;
    }
    FileFormat format = kind == FileKind::Xlsx  ? FileFormat::Xlsx
                        : kind == FileKind::Csv ? FileFormat::Csv
                        : kind == FileKind::Tsv ? FileFormat::Tsv
                                                : formatOfExtension(path);
    if (format == FileFormat::None)
        throw fileError(name, "只能打开 .xlsx、.xlsm、.xltx、.xltm 工作簿和 .csv、.tsv、.txt 文本文件。");
    // Taken before reading: a change made while the file is read is a change after it.
    const FileStamp stamp = fileStampOf(path);
    // Read completely before the application sees any of it: a file that fails leaves no half workbook behind.
    Workbook& book = app.openWorkbook(readWorkbookFile(name, format, encoding, progress), name, format);
    book.setFileStamp(stamp);
    return book;
}

FileStamp fileStampOf(const QString& path)
{
    namespace fs = std::filesystem;
    const fs::path target = saveTarget(filePath(path.toStdString()));
    std::error_code ec;
    FileStamp stamp;
    const auto size = fs::file_size(target, ec);
    if (ec)
        return stamp;
    const auto written = fs::last_write_time(target, ec);
    if (ec)
        return stamp;
    stamp.known = true;
    stamp.size = size;
    stamp.modified = static_cast<std::int64_t>(written.time_since_epoch().count());
    return stamp;
}

QString editedElsewhere(const QString& path)
{
    const auto editor = otherEditor(path.toStdString());
    if (!editor)
        return {};
    QString text = QString::fromStdString(editor->who);
    if (!editor->since.empty())
        text += QStringLiteral("，自 %1 起").arg(QString::fromStdString(editor->since));
    return text;
}

QString overwriteConflict(const Workbook& book)
{
    const QString path = QString::fromStdString(book.path());
    const QString name = QFileInfo(path).fileName();
    if (const QString who = editedElsewhere(path); !who.isEmpty())
        return QStringLiteral("“%1”正在另一个程序中编辑(%2)。\n覆盖它，那边的修改和这里的修改会互相冲掉。")
            .arg(name, who);
    const FileStamp now = fileStampOf(path);
    if (book.fileStamp().known && now != book.fileStamp()) {
        if (!now.known)
            return QStringLiteral("“%1”在打开之后已被移走或删除。\n保存会在原处重新创建它。").arg(name);
        return QStringLiteral("“%1”在打开之后已被其他程序修改。\n覆盖它会丢失那些修改。").arg(name);
    }
    return {};
}

Workbook& reopenWorkbookFile(Application& app, Workbook& book, TextEncoding encoding)
{
    const std::string name = book.path();
    const FileFormat format = book.format();
    const FileStamp stamp = fileStampOf(QString::fromStdString(name));
    Book read = readWorkbookFile(name, format, encoding);
    // The new workbook opens before the old one closes, so that the application is never left without one.
    Workbook& reopened = app.openWorkbook(std::move(read), name, format);
    reopened.setFileStamp(stamp);
    app.closeWorkbook(book);
    return reopened;
}

QString textReadingNote(const Workbook& book)
{
    const TextReading& reading = book.textReading();
    if (!isTextFormat(book.format()) || reading.isUtf8())
        return {};
    const QString encoding = nameOf(reading.encoding);
    if (!reading.guessed)
        return QStringLiteral("按 %1 读取。").arg(encoding);
    QString how = QStringLiteral("按 %1 读取(编码是推测的)").arg(encoding);
    if (reading.strayBytes > 0)
        how =
            QStringLiteral("按 UTF-8 读取，其中 %1 个字节不是 UTF-8，按 Windows-1252 推测读取").arg(reading.strayBytes);
    return how + QStringLiteral("。文字显示不对时，请用“文件 > 以其他编码重新打开”。");
}

QString reencodingQuestion(const Workbook& book)
{
    const TextReading& reading = book.textReading();
    if (!isTextFormat(book.format()) || reading.isUtf8())
        return {};
    const QString file = QFileInfo(QString::fromStdString(book.path())).fileName();
    if (reading.strayBytes > 0)
        return QStringLiteral("“%1”按 UTF-8 读取，但其中 %2 个字节不是 UTF-8，是按 Windows-1252 推测读取的。\n"
                              "保存会用 UTF-8 改写这个文件；如果推测错了，这些字节原来的文字将无法恢复。\n"
                              "要先检查，请取消，再用“文件 > 以其他编码重新打开”。")
            .arg(file)
            .arg(reading.strayBytes);
    const QString encoding = nameOf(reading.encoding);
    if (reading.guessed)
        return QStringLiteral("“%1”的编码是推测的: 按 %2 读取。\n保存会把这个文件改写为 UTF-8 编码；"
                              "如果推测错了，原文件中的文字将无法恢复。\n"
                              "要先检查，请取消，再用“文件 > 以其他编码重新打开”。")
            .arg(file, encoding);
    return QStringLiteral("“%1”是 %2 编码的文本。保存会把这个文件改为 UTF-8 编码(其他程序一般都能读取)。")
        .arg(file, encoding);
}

Workbook* openWorkbookFileOrWarn(Application& app, const QString& path, FileKind kind, QWidget* parent,
                                 TextEncoding encoding)
{
    try {
        Workbook* opened = nullptr;
        {
            // Only while reading: the note below is no file operation, and must not hold up the rest.
            FileProgress progress(parent, QStringLiteral("正在打开“%1”…").arg(QFileInfo(path).fileName()));
            opened = &openWorkbookFile(app, path, kind, encoding, progress.callback());
        }
        Workbook& book = *opened;
        if (const QString who = editedElsewhere(path); !who.isEmpty())
            WindowDialogs::current().inform(
                parent, QStringLiteral("“%1”正在另一个程序中编辑(%2)。\n可以在这里查看和修改它；保存之前会先问您。")
                            .arg(QFileInfo(path).fileName(), who));
        return &book;
    } catch (const FileCancelled&) {
        // The user stopped it: there is nothing to tell.
    } catch (const FileError& e) {
        WindowDialogs::current().warn(parent, QString::fromUtf8(e.what()));
    } catch (const GridError& e) {
        WindowDialogs::current().warn(parent, QStringLiteral("文件“%1”: %2").arg(path, QString::fromUtf8(e.what())));
    } catch (const std::bad_alloc&) {
        WindowDialogs::current().warn(parent, QStringLiteral("文件“%1”太大，内存不足，无法打开。").arg(path));
    } catch (const std::system_error& e) {
        WindowDialogs::current().warn(
            parent,
            QStringLiteral("文件“%1”无法打开: %2。").arg(path, QString::fromStdString(systemErrorText(e.code()))));
    } catch (const std::exception& e) {
        WindowDialogs::current().warn(parent,
                                      QStringLiteral("文件“%1”无法打开: %2").arg(path, QString::fromUtf8(e.what())));
    }
    return nullptr;
}

int openFilesAtStart(automation::AutomationHost& host, const QStringList& paths)
{
    if (paths.isEmpty())
        return 0;
    automation::Object object;
    try {
        object = host.createObject(objectmodel::kApplicationClass);
    } catch (const automation::AutomationError& e) {
        WindowDialogs::current().warn(nullptr, QString::fromStdString(e.description()));
        return 0;
    }
    Application* app = documentOf<Application>(object);
    if (!app)
        return 0;
    int opened = 0;
    for (const QString& path : paths)
        opened += openWorkbookFileOrWarn(*app, path, FileKind::ByExtension, nullptr) != nullptr;
    if (opened == 0)
        app->quit();
    else
        app->setVisible(true);
    return opened;
}

std::pair<QString, FileFormat> resolveSaveChoice(const FileChoice& choice)
{
    const FileFormat named = formatOfExtension(choice.path);
    if (named != FileFormat::None &&
        (named != FileFormat::Xlsx || QFileInfo(choice.path).suffix().toLower() == QStringLiteral("xlsx")))
        return {choice.path, named};
    if (choice.kind == FileKind::Csv)
        return {choice.path + QStringLiteral(".csv"), FileFormat::Csv};
    if (choice.kind == FileKind::Tsv)
        return {choice.path + QStringLiteral(".tsv"), FileFormat::Tsv};
    return {choice.path + QStringLiteral(".xlsx"), FileFormat::Xlsx};
}

bool writeWorkbookFile(const Workbook& book, const QString& path, FileFormat format, const Progress& progress)
{
    const std::string name = path.toStdString();
    if (isTextFormat(format)) {
        writeCsvFile(name, book.activeSheet()->grid(), separatorOf(format), progress);
        return book.sheets().size() > 1;
    }
    // The grids stay in the workbook: a window repainted while the file is written shows them as they are.
    std::vector<SheetToWrite> sheets;
    sheets.reserve(book.sheets().size());
    for (const auto& sheet : book.sheets())
        sheets.emplace_back(sheet->name(), sheet->grid());
    writeXlsxFile(name, sheets, progress);
    return false;
}

} // namespace sheet
