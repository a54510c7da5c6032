#pragma once

#include "objectmodel/Ref.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <map>
#include <vector>

namespace automation {
class AutomationHost;
}

namespace sheet {

class Application;
class Workbook;

/// Copies of the modified workbooks of the embedded spreadsheet, kept in a folder of the user's (see
/// defaultFolder), so that a program killed with unsaved changes loses at most the last moments of them.
///
/// A workbook is copied while it is modified, unless it belongs to no file and holds no value (there is nothing to
/// lose). Each copy is an XLSX file holding every sheet, and beside it a short text naming the workbook, its file and
/// the process that keeps it. A workbook's copy is written when it has changed since its last copy, at most every
/// `interval`; it goes when the workbook is saved or its changes are discarded (forget), but stays when a workbook
/// with changes is closed without either (by automation's Quit, say), as nothing else holds that work any more.
///
/// Copies are written on the user-interface thread, each as the XLSX writer writes (about a second for 4 million
/// cells): a sheet of ordinary size costs milliseconds. Write failures are silent: the copy is a safety net, never
/// a reason to interrupt the user; the next round tries again.
class RecoveryKeeper final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecoveryKeeper)

public:
    /// A copy that no running process keeps any more: what a killed program left behind.
    struct Orphan {
        QString id;
        QString name;         // the workbook's name, e.g. "成绩.xlsx"
        QString originalPath; // its file, empty for a workbook never saved
        QDateTime written;
    };

    /// Keeps copies in `folder`, created when first needed, looking every `interval`. There is at most one
    /// keeper in a process: the last one made (forget reaches it).
    RecoveryKeeper(QString folder, int intervalMs, QObject* parent = nullptr);
    ~RecoveryKeeper() override;

    /// The user's own folder for copies: the application's local data folder, "recovery" in it.
    static QString defaultFolder();
    const QString& folder() const { return m_folder; }

    /// One round at once: copies every workbook of the spreadsheet's windows that changed since its copy, and
    /// removes the copies of those no longer modified. Returns how many copies it wrote.
    int keepNow();
    /// The workbook's work is safe elsewhere (saved) or unwanted (discarded): its copy goes now.
    static void forget(const Workbook& book);

    /// The copies left by processes that no longer run, oldest first.
    std::vector<Orphan> orphans() const;
    /// Opens `orphan` in `app` as a workbook that belongs to no file, named after the original with "(恢复)",
    /// modified; its copy is kept from now on as this workbook's. Null, with the copy left, when it cannot be read.
    Workbook* recover(Application& app, const Orphan& orphan);
    /// Removes `orphan`'s copy for good.
    void discard(const Orphan& orphan);

private:
    struct Kept {
        objectmodel::Ref<Workbook> book;
        QString id;
        std::uint64_t revision = 0; // of the copy written; 0 for none yet
    };

    void round();
    bool write(Kept& kept);
    void remove(const QString& id) const;
    // Makes the folder (the owner's alone) and holds this keeper's "alive" file locked, once.
    bool makeFolder();
    QString alivePath(const QString& run) const;
    QString copyPath(const QString& id) const;
    QString notePath(const QString& id) const;

    QString m_folder;
    QString m_run;              // this keeper's name in the folder, "PID-RANDOM"
    std::intptr_t m_alive = -1; // the lock held on "<run>.alive" while this keeper lives
    QTimer m_timer;
    std::vector<Kept> m_kept;
    int m_nextId = 1;
};

/// At start-up: when `keeper` finds copies that a killed program left, tells the user and, as the answer is,
/// recovers them into the embedded spreadsheet started through `host` (visible, each recovered workbook in a
/// window of its own), discards them, or leaves them for next time. Returns how many were recovered.
int offerRecovery(RecoveryKeeper& keeper, automation::AutomationHost& host);

} // namespace sheet
