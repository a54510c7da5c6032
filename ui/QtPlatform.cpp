#include "QtPlatform.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace ui {

namespace {

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

bool QtPlatform::activateWindow(std::string_view title)
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

void QtPlatform::showMessage(std::string_view text, std::string_view title, int style)
{
    QMessageBox box(style & automation::kStyleInformation ? QMessageBox::Information : QMessageBox::NoIcon,
                    fromUtf8(title), fromUtf8(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace ui
