#pragma once

#include <QLabel>
#include <QWidget>

namespace ui {

/// A picture stretched to its box that reports double clicks.
class PictureBox final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureBox)
public:
    using QLabel::QLabel;

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

/// The donation window 捐助: two thank-you cards side by side under a motto, closed by a double click on either.
/// Closing hides it; the same instance is shown again later.
class DonationWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DonationWindow)
public:
    static const QString kCaption;

    DonationWindow();

    /// Shows the window, centred on `anchor` when it is first shown.
    void showNear(const QWidget* anchor);

private:
    PictureBox* Image1;
    PictureBox* Image2;
    bool m_placed = false;
};

} // namespace ui
