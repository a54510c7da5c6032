#include "ui/DonationWindow.h"

#include "ui/Twips.h"
#include "ui/rules/Layout.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>

namespace ui {

const QString DonationWindow::kCaption =
    QString::fromUtf8(layout::kDonationCaption.data(), static_cast<qsizetype>(layout::kDonationCaption.size()));

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLabel::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

DonationWindow::DonationWindow()
{
    setObjectName(
        QString::fromUtf8(layout::kDonationName.data(), static_cast<qsizetype>(layout::kDonationName.size())));
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(QStringLiteral(":/tessavo.png")));
    setFixedSize(twips(*this, layout::kDonationClientWidth), twips(*this, layout::kDonationClientHeight));

    const char* resources[] = {":/donation-left.jpg", ":/donation-right.jpg"};
    PictureBox* boxes[2] = {};
    for (std::size_t i = 0; i < layout::kDonationPictures.size(); ++i) {
        const layout::Picture& p = layout::kDonationPictures[i];
        auto* box = new PictureBox(this);
        box->setObjectName(QString::fromLatin1(p.name.data(), static_cast<qsizetype>(p.name.size())));
        box->setGeometry(twipsRect(*this, p.rect));
        box->setScaledContents(true); // width and height stretched independently
        box->setPixmap(QPixmap(QString::fromLatin1(resources[i])));
        connect(box, &PictureBox::doubleClicked, this, &QWidget::close);
        boxes[i] = box;
    }
    Image1 = boxes[0];
    Image2 = boxes[1];
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
