#include "sheet/window/FileProgress.h"

#include "platform/qt/DialogOwner.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>
#include <cmath>

namespace sheet {

namespace {

int g_running = 0;
bool g_cancelAll = false;

constexpr qint64 kEventsEveryMs = 50;

} // namespace

FileProgress::FileProgress(QWidget* parent, QString label, int showAfterMs)
    : m_parent(parent), m_label(std::move(label)), m_showAfterMs(showAfterMs)
{
    ++g_running;
    m_clock.start();
}

FileProgress::~FileProgress()
{
    --g_running;
    delete m_dialog.data();
}

bool FileProgress::busy()
{
    return g_running > 0;
}

void FileProgress::cancelAll()
{
    g_cancelAll = true;
}

std::function<bool(double)> FileProgress::callback()
{
    return [this](double fraction) { return report(fraction); };
}

bool FileProgress::report(double fraction)
{
    if (g_cancelAll || (m_dialog && m_dialog->wasCanceled()))
        m_cancelled = true;
    if (m_cancelled)
        return false;
    const qint64 now = m_clock.elapsed();
    if (now < m_showAfterMs || (m_dialog && now - m_lastEvents < kEventsEveryMs))
        return true;
    m_lastEvents = now;
    if (!m_dialog) {
        m_dialog = new QProgressDialog(m_label, QStringLiteral("取消"), 0, 1000);
        m_dialog->setWindowTitle(QStringLiteral("Tessavo 表格"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        platform::qt::ownDialog(*m_dialog, m_parent);
        m_dialog->show();
    }
    const double clamped = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    m_dialog->setValue(static_cast<int>(clamped * 1000));
    // The Cancel button and every window's repaint need the events; the progress box keeps other input out.
    QCoreApplication::processEvents();
    m_cancelled = m_dialog && m_dialog->wasCanceled();
    return !m_cancelled;
}

} // namespace sheet
