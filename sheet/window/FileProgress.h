#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <functional>

class QProgressDialog;
class QWidget;

namespace sheet {

/// Shows how far a long file operation has come, once it has taken more than about a second: a modal progress box
/// over `parent` with a Cancel button, the windows redrawn meanwhile. Until then it shows nothing and costs a clock
/// reading per report. While one exists, busy() is true, so that nothing else touches a workbook half read or half
/// written (the recovery copies wait).
class FileProgress {
public:
    /// `showAfterMs`: how long an operation may take before it shows its progress.
    FileProgress(QWidget* parent, QString label, int showAfterMs = 1000);
    ~FileProgress();
    FileProgress(const FileProgress&) = delete;
    FileProgress& operator=(const FileProgress&) = delete;

    /// What a reader or writer is given to report to: the fraction done (0 to 1); false asks it to stop.
    std::function<bool(double)> callback();
    /// Whether the user pressed Cancel.
    bool cancelled() const { return m_cancelled; }
    /// Whether a file operation is under way in this process.
    static bool busy();
    /// Stops every file operation under way, and any started later, as Cancel does: the process is ending.
    static void cancelAll();

private:
    bool report(double fraction);

    QWidget* m_parent;
    QString m_label;
    int m_showAfterMs;
    QElapsedTimer m_clock;
    qint64 m_lastEvents = 0;
    QPointer<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};

} // namespace sheet
