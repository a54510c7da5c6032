#include "QtPlatform.h"

#include "Activation.h"

#include <QMessageBox>

namespace ui {

namespace {

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

bool QtPlatform::activateWindow(std::string_view title)
{
    return activateTopLevel(title);
}

void QtPlatform::showMessage(std::string_view text, std::string_view title, int style)
{
    QMessageBox box(style & automation::kStyleInformation ? QMessageBox::Information : QMessageBox::NoIcon,
                    fromUtf8(title), fromUtf8(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace ui
