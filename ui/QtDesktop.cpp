#include "ui/QtDesktop.h"

#include "platform/qt/DialogOwner.h"
#include "ui/Activation.h"

#include <QMessageBox>

namespace ui {

namespace {

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

bool QtDesktop::activateWindow(std::string_view title)
{
    return activateTopLevel(title);
}

void QtDesktop::showMessage(std::string_view text, std::string_view title, int style)
{
    QMessageBox box(style & automation::kStyleInformation ? QMessageBox::Information : QMessageBox::NoIcon,
                    fromUtf8(title), fromUtf8(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    // The operations and the connection run from the main window, which may stay on top: a box without an owner
    // would open below it and the program would look frozen.
    platform::qt::ownDialog(box);
    box.exec();
}

} // namespace ui
