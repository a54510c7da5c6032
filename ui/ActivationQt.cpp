// Activation among this program's own windows, where the toolkit cannot reach other programs' windows.
#include "ui/Activation.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace ui {

bool activateTopLevel(std::string_view title)
{
    const QString wanted = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
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

} // namespace ui
