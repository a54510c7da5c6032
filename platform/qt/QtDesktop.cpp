#include "platform/qt/QtDesktop.h"

#include "platform/qt/DialogOwner.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>

namespace platform::qt {

namespace {

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

bool QtDesktop::activateWindow(std::string_view title)
{
    const QString wanted = fromUtf8(title);
    QWidget* exact = nullptr;
    QWidget* prefix = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || qobject_cast<QMessageBox*>(w))
            continue;
        const QString t = w->windowTitle();
        if (t == wanted) {
            exact = w;
            break;
        }
        if (!prefix && t.startsWith(wanted))
            prefix = w;
    }
    QWidget* found = exact ? exact : prefix;
    if (!found)
        return false;
    if (found->isMinimized())
        found->showNormal();
    found->raise();
    found->activateWindow();
    return true;
}

void QtDesktop::setStayOnTop(QWidget& window, bool on)
{
    if (QWindow* handle = window.windowHandle()) {
        // Changing the native window's hint updates its state in place; QWidget::setWindowFlags would recreate
        // the window, which hides it and makes it flicker and move.
        handle->setFlag(Qt::WindowStaysOnTopHint, on);
        return;
    }
    // Not created yet: the hint becomes part of the window when it is first shown.
    window.setWindowFlag(Qt::WindowStaysOnTopHint, on);
}

bool QtDesktop::isStayOnTop(const QWidget& window)
{
    if (const QWindow* handle = window.windowHandle())
        return handle->flags().testFlag(Qt::WindowStaysOnTopHint);
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void QtDesktop::showMessage(std::string_view text, std::string_view title, int style)
{
    QMessageBox box(style & automation::kStyleInformation ? QMessageBox::Information : QMessageBox::NoIcon,
                    fromUtf8(title), fromUtf8(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    // The operations and the connection run from the main window, which may stay on top: a box without an owner
    // would open below it and the program would look frozen.
    ownDialog(box);
    box.exec();
}

} // namespace platform::qt
