#pragma once

#include "Module1.h"
#include "Platform.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class DonationWindow;

/// The main window: four groups of boxes, each with the button that runs one bulk edit, and a bottom row with the
/// keep-in-front check box, the donate button and the exit button. Fixed size, laid out in twips at the screen's
/// logical resolution. The controls carry their names as object names.
class Form1 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)
public:
    /// Builds the window and runs its load step: the boxes are emptied and the window is kept in front.
    Form1(automation::Module1& module, automation::Platform& platform);
    ~Form1() override;

    /// The donation window, or null until 捐助 is first clicked.
    DonationWindow* donationWindow() const { return m_donation; }

protected:
    /// Closes the donation window first, whatever closes this one; never refused.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void Check1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void unloadDonationWindow();

    automation::Module1& m_module;
    automation::Platform& m_platform;
    DonationWindow* m_donation = nullptr;

    QGroupBox *Frame1, *Frame2, *Frame3, *Frame4;
    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5, *Text6, *Text7, *Text8, *Text9, *Text10, *Text11, *Text12;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11,
        *Label12, *Label13, *Label14, *Label15;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command5, *Command6;
    QCheckBox* Check1;
};

} // namespace ui
