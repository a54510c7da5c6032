#include "platform/qt/DialogOwner.h"

#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

namespace platform::qt {

namespace {

bool isPopup(const QWidget* w)
{
    const Qt::WindowType type = w->windowType();
    return type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen;
}

// A window the user can see and that may own a dialog when none is active: a dialog or a pop-up owns one only while
// it is the active window.
bool canOwn(const QWidget* w)
{
    return w->isVisible() && !w->isMinimized() && !qobject_cast<const QDialog*>(w) && !isPopup(w);
}

} // namespace

QWidget* dialogOwner(QWidget* asked)
{
    QWidget* onTop = nullptr;
    QWidget* any = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!canOwn(w))
            continue;
        if (!onTop && QtDesktop::isStayOnTop(*w))
            onTop = w;
        any = any ? any : w;
    }
    // The active window first: a window manager that guards the focus maps a window that belongs to another one
    // below the active window, where the user would not see it.
    QWidget* active = QApplication::activeWindow();
    QWidget* preferred = active && !isPopup(active) ? active : asked ? asked->window() : nullptr;
    // A window manager stacks a dialog with the window it belongs to: one that belongs to an ordinary window would
    // go below a window kept on top, whatever its own stacking hint says.
    if (onTop && (!preferred || !QtDesktop::isStayOnTop(*preferred)))
        return onTop;
    return preferred ? preferred : any;
}

void ownDialog(QDialog& dialog, QWidget* asked)
{
    QWidget* owner = dialogOwner(asked ? asked : dialog.parentWidget());
    if (owner && owner != &dialog && dialog.parentWidget() != owner)
        dialog.setParent(owner, dialog.windowFlags());
    if (owner && QtDesktop::isStayOnTop(*owner))
        QtDesktop::setStayOnTop(dialog, true);
}

} // namespace platform::qt
