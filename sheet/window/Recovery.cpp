#include "sheet/window/Recovery.h"

#include "link/AutomationError.h"
#include "link/AutomationHost.h"
#include "objectmodel/ObjectModel.h"
#include "sheet/document/Application.h"
#include "sheet/document/Workbook.h"
#include "sheet/document/Worksheet.h"
#include "sheet/files/FilePath.h"
#include "sheet/files/FileSystem.h"
#include "sheet/files/Xlsx.h"
#include "sheet/window/FileProgress.h"
#include "sheet/window/SheetWindow.h"
#include "sheet/window/WindowDialogs.h"
#include "sheet/window/WorkbookFiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace sheet {

namespace {

RecoveryKeeper* g_keeper = nullptr;

struct Note {
    QString run; // the keeper that wrote it: alive while its process holds "<run>.alive" locked
    long pid = 0;
    QString name;
    QString path;
    QDateTime written;
};

// "key=value" lines: all a note needs, readable by a person who looks into the folder.
std::optional<Note> readNote(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.size() > 64 * 1024)
        return std::nullopt;
    Note note;
    bool hasPid = false;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        if (key == QLatin1String("run"))
            note.run = value;
        else if (key == QLatin1String("pid"))
            note.pid = value.toLong(&hasPid);
        else if (key == QLatin1String("name"))
            note.name = value;
        else if (key == QLatin1String("path"))
            note.path = value;
        else if (key == QLatin1String("written"))
            note.written = QDateTime::fromString(value, Qt::ISODate);
    }
    return hasPid || !note.run.isEmpty() ? std::optional<Note>(note) : std::nullopt;
}

bool writeNote(const QString& file, const Note& note)
{
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QString text =
        QStringLiteral("pid=%1\nname=%2\npath=%3\nwritten=%4\n")
            .arg(note.pid)
            .arg(QString(note.name).replace(QLatin1Char('\n'), QLatin1Char(' ')),
                 QString(note.path).replace(QLatin1Char('\n'), QLatin1Char(' ')), note.written.toString(Qt::ISODate));
    f.write(text.toUtf8());
    return f.commit();
}

// A workbook of no file without a single value has nothing to lose: a new one, or one emptied.
bool worthKeeping(const Workbook& book)
{
    if (!book.modified())
        return false;
    if (!book.path().empty())
        return true;
    return std::any_of(book.sheets().begin(), book.sheets().end(),
                       [](const Ref<Worksheet>& s) { return s->grid().cellCount() > 0; });
}

std::vector<Workbook*> shownWorkbooks()
{
    std::vector<Workbook*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<SheetWindow*>(w); window && window->workbook())
            out.push_back(window->workbook());
    return out;
}

} // namespace

RecoveryKeeper::RecoveryKeeper(QString folder, int intervalMs, QObject* parent)
    : QObject(parent), m_folder(std::move(folder))
{
    g_keeper = this;
    // Random, not the process id alone: a later process may get a killed one's id, and must not take its copies.
    m_run = QStringLiteral("%1-%2")
                .arg(currentProcessId())
                .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryKeeper::round);
    m_timer.start();
}

RecoveryKeeper::~RecoveryKeeper()
{
    if (g_keeper == this)
        g_keeper = nullptr;
    if (m_alive != -1) {
        // Copies of ours still here (work nobody saved or discarded) are orphans from now on.
        QFile::remove(alivePath(m_run));
        releaseLock(m_alive);
    }
}

QString RecoveryKeeper::alivePath(const QString& run) const
{
    return QDir(m_folder).filePath(run + QStringLiteral(".alive"));
}

bool RecoveryKeeper::makeFolder()
{
    if (m_alive != -1)
        return true;
    if (!QDir().mkpath(m_folder))
        return false;
    // The user's unsaved work: nobody else's to read.
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_alive = holdLock(filePath(alivePath(m_run).toStdString()));
    return m_alive != -1;
}

QString RecoveryKeeper::defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("recovery"));
}

QString RecoveryKeeper::copyPath(const QString& id) const
{
    return QDir(m_folder).filePath(id + QStringLiteral(".xlsx"));
}

QString RecoveryKeeper::notePath(const QString& id) const
{
    return QDir(m_folder).filePath(id + QStringLiteral(".txt"));
}

void RecoveryKeeper::round()
{
    keepNow();
}

int RecoveryKeeper::keepNow()
{
    // A workbook half read or with its sheets lent to a writer is no workbook to copy: the next round will do.
    if (FileProgress::busy())
        return 0;
    for (Workbook* book : shownWorkbooks())
        if (std::none_of(m_kept.begin(), m_kept.end(), [&](const Kept& k) { return k.book.get() == book; }))
            m_kept.push_back({Ref<Workbook>(book), QStringLiteral("%1-%2").arg(m_run).arg(m_nextId++), 0});
    int written = 0;
    for (Kept& kept : m_kept) {
        if (!worthKeeping(*kept.book)) {
            if (kept.revision != 0)
                remove(kept.id);
            kept.revision = 0;
        } else if (kept.book->revision() != kept.revision) {
            written += write(kept);
        }
    }
    // A workbook closed with changes nobody saved or discarded keeps its copy: it is all that is left of them.
    std::erase_if(m_kept, [](const Kept& k) { return !k.book->application(); });
    return written;
}

bool RecoveryKeeper::write(Kept& kept)
{
    if (!makeFolder())
        return false;
    try {
        writeWorkbookFile(*kept.book, copyPath(kept.id), FileFormat::Xlsx);
    } catch (const std::exception&) {
        return false; // a full disk, say: the next round tries again
    }
    Note note;
    note.run = m_run;
    note.pid = currentProcessId();
    note.name = QString::fromStdString(kept.book->name());
    note.path = QString::fromStdString(kept.book->path());
    note.written = QDateTime::currentDateTime();
    if (!writeNote(notePath(kept.id), note))
        return false;
    kept.revision = kept.book->revision();
    return true;
}

void RecoveryKeeper::remove(const QString& id) const
{
    // The note first: a copy without its note is never offered.
    QFile::remove(notePath(id));
    QFile::remove(copyPath(id));
}

void RecoveryKeeper::forget(const Workbook& book)
{
    if (!g_keeper)
        return;
    for (Kept& kept : g_keeper->m_kept) {
        if (kept.book.get() != &book)
            continue;
        g_keeper->remove(kept.id);
        // Current as it stands: a change from now on is copied again.
        kept.revision = book.revision();
    }
}

std::vector<RecoveryKeeper::Orphan> RecoveryKeeper::orphans() const
{
    std::vector<Orphan> out;
    const QDir dir(m_folder);
    for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.txt")}, QDir::Files)) {
        const auto note = readNote(file.filePath());
        const QString id = file.completeBaseName();
        if (!note || !QFile::exists(copyPath(id)) || note->run == m_run)
            continue;
        // A keeper holds its "alive" file locked while its process runs; notes of older ones name a process.
        const bool running = note->run.isEmpty()
                                 ? note->pid == currentProcessId() || processRuns(note->pid)
                                 : lockedByAnotherProcess(filePath(alivePath(note->run).toStdString())).value_or(false);
        if (running)
            continue;
        out.push_back({id, note->name, note->path, note->written});
    }
    std::sort(out.begin(), out.end(), [](const Orphan& a, const Orphan& b) { return a.written < b.written; });
    return out;
}

Workbook* RecoveryKeeper::recover(Application& app, const Orphan& orphan)
{
    Book book;
    try {
        book = readXlsxFile(copyPath(orphan.id).toStdString());
    } catch (const std::exception&) {
        return nullptr;
    }
    // It belongs to no file: the original may have changed since, and is never overwritten by an old copy unasked.
    Workbook& recovered = app.openWorkbook(std::move(book), {}, FileFormat::None);
    const QString name = orphan.name.isEmpty() ? QStringLiteral("工作簿") : orphan.name;
    recovered.rename((name + QStringLiteral(" (恢复)")).toStdString());
    // The copy on the disk is this workbook's now, and current.
    makeFolder();
    Note note;
    note.run = m_run;
    note.pid = currentProcessId();
    note.name = QString::fromStdString(recovered.name());
    note.path = orphan.originalPath;
    note.written = orphan.written;
    writeNote(notePath(orphan.id), note);
    m_kept.push_back({Ref<Workbook>(&recovered), orphan.id, recovered.revision()});
    return &recovered;
}

void RecoveryKeeper::discard(const Orphan& orphan)
{
    remove(orphan.id);
}

int offerRecovery(RecoveryKeeper& keeper, automation::AutomationHost& host)
{
    const std::vector<RecoveryKeeper::Orphan> orphans = keeper.orphans();
    if (orphans.empty())
        return 0;
    QStringList lines;
    for (const auto& o : orphans)
        lines.append(QStringLiteral("“%1”%2，%3")
                         .arg(o.name, o.originalPath.isEmpty() ? QString() : QStringLiteral("(%1)").arg(o.originalPath),
                              o.written.isValid()
                                  ? QStringLiteral("修改于 ") + o.written.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                  : QString()));
    const QString message =
        QStringLiteral("Tessavo 上次没有正常退出，以下 %1 个工作簿的修改没有保存:\n%2\n\n恢复后它们会在表格窗口中打开，"
                       "请检查后另存。原文件不会被改动。")
            .arg(orphans.size())
            .arg(lines.join(QLatin1Char('\n')));
    switch (WindowDialogs::current().askRecover(nullptr, message)) {
    case RecoveryAnswer::Later:
        return 0;
    case RecoveryAnswer::Discard:
        for (const auto& o : orphans)
            keeper.discard(o);
        return 0;
    case RecoveryAnswer::Recover:
        break;
    }
    automation::Object object;
    bool started = false;
    try {
        object = host.getActiveObject(objectmodel::kApplicationClass);
    } catch (const automation::AutomationError&) {
        try {
            object = host.createObject(objectmodel::kApplicationClass);
            started = true;
        } catch (const automation::AutomationError& e) {
            WindowDialogs::current().warn(nullptr, QString::fromStdString(e.description()));
            return 0;
        }
    }
    Application* app = documentOf<Application>(object);
    if (!app)
        return 0;
    int recovered = 0;
    QStringList failed;
    for (const auto& o : orphans) {
        if (keeper.recover(*app, o))
            ++recovered;
        else
            failed.append(o.name);
    }
    if (!failed.isEmpty())
        WindowDialogs::current().warn(nullptr, QStringLiteral("无法恢复这些工作簿(副本已损坏): %1。副本保留在 %2。")
                                                   .arg(failed.join(QStringLiteral("、")), keeper.folder()));
    if (recovered > 0)
        app->setVisible(true);
    else if (started)
        app->quit();
    return recovered;
}

} // namespace sheet
