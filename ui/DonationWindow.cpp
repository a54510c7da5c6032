#include "DonationWindow.h"

#include "Twips.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>

namespace ui {

// The motto, 17 blanks, 随喜, 2 blanks.
const QString DonationWindow::kCaption = QString::fromUtf8("若工作无高效,则生活不自由.                 随喜  ");

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLabel::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

DonationWindow::DonationWindow()
{
    setObjectName(QString::fromUtf8("捐助"));
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(QStringLiteral(":/tessavo.png")));
    setFixedSize(twips(*this, 9600), twips(*this, 5190));

    auto picture = [this](const char* name, const char* resource, int left) {
        auto* box = new PictureBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(twipsRect(*this, left, 120, 4620, 4965));
        box->setScaledContents(true); // width and height stretched independently
        box->setPixmap(QPixmap(QString::fromLatin1(resource)));
        connect(box, &PictureBox::doubleClicked, this, &QWidget::close);
        return box;
    };
    Image1 = picture("Image1", ":/donation-left.jpg", 120);
    Image2 = picture("Image2", ":/donation-right.jpg", 4860);
}

void DonationWindow::showNear(const QWidget* anchor)
{
    if (!m_placed && anchor) {
        QRect r = rect();
        r.moveCenter(anchor->frameGeometry().center());
        // Centred on the main window, but never pushed off the screen.
        if (const QScreen* screen = anchor->screen()) {
            const QRect available = screen->availableGeometry();
            r.moveLeft(qBound(available.left(), r.left(), qMax(available.left(), available.right() - r.width())));
            r.moveTop(qBound(available.top(), r.top(), qMax(available.top(), available.bottom() - r.height())));
        }
        move(r.topLeft());
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

} // namespace ui
