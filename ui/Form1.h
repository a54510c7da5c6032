#pragma once

#include "link/Desktop.h"
#include "link/Module1.h"
#include "ui/rules/Form1Presenter.h"

#include <QWidget>

#include <array>

namespace ui {

class DonationWindow;

/// The main window in Qt: the controls of the layout table, at the screen's logical resolution, carrying their
/// names as object names; what they do is Form1Presenter's.
class Form1 final : public QWidget, private Form1View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)
public:
    /// Builds the window and runs its load step: the boxes are emptied and the window is kept in front.
    Form1(automation::Module1& module, automation::Desktop& desktop);
    ~Form1() override;

    /// The donation window, or null until 捐助 is first clicked.
    DonationWindow* donationWindow() const { return m_donation; }

protected:
    /// Closes the donation window first, whatever closes this one; never refused.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    template <class T> T* widget(layout::Id id) const;

    std::string text(layout::Id box) const override;
    void setText(layout::Id box, std::string_view text) override;
    int textLength(layout::Id box) const override;
    void select(layout::Id box, int start, int length) override;
    int checkState() const override;
    void setCheckState(int state) override;
    void setTopmost(bool on) override;
    void createDonationWindow() override;
    void showDonationWindow() override;
    void unloadDonationWindow() override;
    void closeMainWindow() override;

    Form1Presenter m_presenter;
    std::array<QWidget*, layout::kControlCount> m_controls{};
    DonationWindow* m_donation = nullptr;
    bool m_closeWhenIdle = false;
};

} // namespace ui
