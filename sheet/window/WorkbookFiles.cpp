#include "WorkbookFiles.h"

#include "Application.h"
#include "AutomationHost.h"
#include "Csv.h"
#include "FileError.h"
#include "FilePath.h"
#include "LockFile.h"
#include "Module1.h"
#include "WriteReplacing.h"
#include "Xlsx.h"

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

Workbook& openWorkbookFile(Application& app, const QString& path, FileKind kind)
{
    const std::string name = path.toStdString();
    if (Workbook* open = workbookWithFile(app, path)) {
        app.activateWorkbook(*open);
        return *open;
    }
    if (kind == FileKind::ByExtension) {
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QStringLiteral("xlsx"))
            kind = FileKind::Xlsx;
        else if (suffix == QStringLiteral("csv"))
            kind = FileKind::Csv;
        else
            throw fileError(name, "只能打开 .xlsx 和 .csv 文件。");
    }
    // Taken before reading: a change made while the file is read is a change after it.
    const FileStamp stamp = fileStampOf(path);
    // Read completely before the application sees any of it: a file that fails leaves no half workbook behind.
    Workbook* book = nullptr;
    if (kind == FileKind::Xlsx) {
        book = &app.openWorkbook(readXlsxFile(name), name, FileFormat::Xlsx);
    } else {
        const TextEncoding encoding = kind == FileKind::CsvGb18030 ? TextEncoding::Gb18030 : TextEncoding::Auto;
        book = &app.openWorkbook(readCsvFile(name, encoding), name, FileFormat::Csv);
    }
    book->setFileStamp(stamp);
    return *book;
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

Workbook* openWorkbookFileOrWarn(Application& app, const QString& path, FileKind kind, QWidget* parent)
{
    try {
        Workbook& book = openWorkbookFile(app, path, kind);
        if (const QString who = editedElsewhere(path); !who.isEmpty())
            WindowDialogs::current().inform(
                parent, QStringLiteral("“%1”正在另一个程序中编辑(%2)。\n可以在这里查看和修改它；保存之前会先问您。")
                            .arg(QFileInfo(path).fileName(), who));
        return &book;
    } catch (const FileError& e) {
        WindowDialogs::current().warn(parent, QString::fromUtf8(e.what()));
    } catch (const GridError& e) {
        WindowDialogs::current().warn(parent, QStringLiteral("文件“%1”: %2").arg(path, QString::fromUtf8(e.what())));
    } catch (const std::bad_alloc&) {
        WindowDialogs::current().warn(parent, QStringLiteral("文件“%1”太大，内存不足，无法打开。").arg(path));
    } catch (const std::system_error& e) {
        WindowDialogs::current().warn(parent, QStringLiteral("文件“%1”无法打开: %2。")
                                                  .arg(path, QString::fromStdString(systemErrorText(e.code()))));
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
        object = host.createObject(automation::kSpreadsheetClass);
    } catch (const automation::AutomationError& e) {
        WindowDialogs::current().warn(nullptr, QString::fromStdString(e.description()));
        return 0;
    }
    Application* app = modelObject<Application>(object);
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
    const QString suffix = QFileInfo(choice.path).suffix().toLower();
    if (suffix == QStringLiteral("xlsx"))
        return {choice.path, FileFormat::Xlsx};
    if (suffix == QStringLiteral("csv"))
        return {choice.path, FileFormat::Csv};
    const bool csv = choice.kind == FileKind::Csv || choice.kind == FileKind::CsvGb18030;
    return {choice.path + (csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx")),
            csv ? FileFormat::Csv : FileFormat::Xlsx};
}

bool writeWorkbookFile(Workbook& book, const QString& path, FileFormat format)
{
    const std::string name = path.toStdString();
    if (format == FileFormat::Csv) {
        writeCsvFile(name, book.activeSheet()->grid());
        return book.sheets().size() > 1;
    }
    // The writer takes whole sheets: lend it the grids (a move each, no copy) and take them back however it ends.
    // Everything that can fail is done before the first grid moves; moving grids cannot fail.
    std::vector<BookSheet> lent(book.sheets().size());
    std::vector<const BookSheet*> sheets;
    sheets.reserve(lent.size());
    for (std::size_t i = 0; i < lent.size(); ++i) {
        lent[i].name = book.sheets()[i]->name();
        sheets.push_back(&lent[i]);
    }
    struct GiveBack {
        Workbook& book;
        std::vector<BookSheet>& lent;
        ~GiveBack()
        {
            for (std::size_t i = 0; i < lent.size(); ++i)
                book.sheets()[i]->grid() = std::move(lent[i].grid);
        }
    } giveBack{book, lent};
    for (std::size_t i = 0; i < lent.size(); ++i)
        lent[i].grid = std::move(book.sheets()[i]->grid());
    writeXlsxFile(name, sheets);
    return false;
}

} // namespace sheet
