#include "ui/Form1.h"
#include "link/LocalHost.h"
#include "link/Module1.h"
#include "platform/qt/QtDesktop.h"
#include "testsupport/SpreadsheetWorld.h"
#include "ui/DonationWindow.h"
#include "ui/Fonts.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include <memory>

class Form1Test final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsWithEmptyBoxesKeptInFrontAndTheFocusInTheEndRow();
    void placesControlsInTwips_data();
    void placesControlsInTwips();
    void drawsEveryCaptionInTheWindowFont();
    void centresTheWholeWindowOnTheScreen();
    void boxesTakeTextsOfAnyLength();
    void tabAndShiftTabGoRoundTheWholeCycle();
    void selectsTheWholeTextOnFocusInTheFirstEightBoxesOnly();
    void keepInFrontFollowsTheCheckBoxWithoutMovingTheWindow();
    void showsOneDonationWindowAndClosesItWithTheMainWindow();
    void exitWithoutTheDonationWindowNeverCreatesIt();
    void runsEachOperationOnTheEmbeddedSheet();
    void reportsRefusedInputAndAMissingSpreadsheet();

private:
    template <class T> T* control(const char* name) const
    {
        T* c = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    void type(const char* box, const QString& text) const { control<QLineEdit>(box)->setText(text); }
    void click(const char* button) const { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    sheet::Grid& grid() const { return m_world->grid(); }

    // The user's spreadsheet is running with a workbook open. The message boxes are recorded, not shown;
    // tests/desktop shows real ones.
    std::unique_ptr<testsupport::SpreadsheetWorld> m_world;
    std::unique_ptr<ui::Form1> m_form;
};

void Form1Test::init()
{
    m_world = std::make_unique<testsupport::SpreadsheetWorld>();
    m_form = std::make_unique<ui::Form1>(m_world->module, m_world->desktop);
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void Form1Test::cleanup()
{
    m_form.reset();
    m_world.reset();
}

void Form1Test::startsWithEmptyBoxesKeptInFrontAndTheFocusInTheEndRow()
{
    for (int i = 1; i <= 12; ++i)
        QVERIFY2(m_form->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(i))->text().isEmpty(),
                 qPrintable(QString::number(i)));
    QCOMPARE(control<QCheckBox>("Check1")->checkState(), Qt::Checked);
    QVERIFY(platform::qt::QtDesktop::isStayOnTop(*m_form));
    QCOMPARE(QApplication::focusWidget(), control<QLineEdit>("Text4"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tessavo"));
    QCOMPARE(m_form->findChildren<QWidget*>(QString(), Qt::FindChildrenRecursively).size() >= 38, true);
    // Enter in a box presses no button.
    QTest::keyClick(control<QLineEdit>("Text4"), Qt::Key_Return);
    QVERIFY(m_form->isVisible());
    QTest::keyClick(control<QLineEdit>("Text4"), Qt::Key_Escape);
    QVERIFY(m_form->isVisible());
}

void Form1Test::placesControlsInTwips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // pixels at 96 dots per inch, in the control's container
    QTest::newRow("Frame1") << "Frame1" << QRect(8, 8, 233, 105);
    QTest::newRow("Text2") << "Text2" << QRect(40, 16, 57, 24);
    QTest::newRow("Text4") << "Text4" << QRect(64, 72, 73, 21);
    QTest::newRow("Command1") << "Command1" << QRect(144, 56, 81, 25);
    QTest::newRow("Frame4") << "Frame4" << QRect(8, 120, 233, 105);
    QTest::newRow("Text10") << "Text10" << QRect(144, 18, 57, 24);
    QTest::newRow("Frame2") << "Frame2" << QRect(8, 232, 233, 81);
    QTest::newRow("Text5") << "Text5" << QRect(64, 18, 73, 24);
    QTest::newRow("Command2") << "Command2" << QRect(144, 29, 81, 25);
    QTest::newRow("Frame3") << "Frame3" << QRect(8, 320, 233, 73);
    QTest::newRow("Text7") << "Text7" << QRect(64, 44, 73, 21);
    QTest::newRow("Check1") << "Check1" << QRect(24, 404, 73, 17);
    QTest::newRow("Command5") << "Command5" << QRect(112, 400, 50, 25);
    QTest::newRow("Command6") << "Command6" << QRect(176, 400, 50, 25);
}

void Form1Test::placesControlsInTwips()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QCOMPARE(m_form->logicalDpiX(), 96);
    QCOMPARE(m_form->size(), QSize(248, 433));
    QCOMPARE(m_form->findChild<QWidget*>(name)->geometry(), geometry);
    // The contact note stands below the client area, out of sight.
    QVERIFY(control<QLabel>("Label10")->geometry().top() >= m_form->height());
    // Labels start where the layout puts them and are centred on their line.
    const QRect label2 = control<QLabel>("Label2")->geometry();
    QCOMPARE(label2.left(), 8);
    QVERIFY(qAbs(label2.center().y() - 27) <= 1);
}

void Form1Test::drawsEveryCaptionInTheWindowFont()
{
    const QFontInfo window(ui::songti(9));
    int checked = 0;
    for (QWidget* w : m_form->findChildren<QWidget*>()) {
        if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QGroupBox*>(w))
            continue;
        // What the control is drawn with, after the style has had its say.
        w->ensurePolished();
        const QFontInfo used(w->font());
        QVERIFY2(used.family() == window.family(), qPrintable(w->objectName() + QStringLiteral(": ") + used.family()));
        QCOMPARE(used.pointSizeF(), window.pointSizeF());
        ++checked;
    }
    QCOMPARE(checked, 4 + 15 + 6 + 1);
    // The boxes keep fonts of their own.
    QCOMPARE(QFontInfo(control<QLineEdit>("Text2")->font()).pointSizeF(), 12.0);
    QCOMPARE(QFontInfo(control<QLineEdit>("Text4")->font()).pointSizeF(), 10.5);
}

void Form1Test::centresTheWholeWindowOnTheScreen()
{
    const QRect screen = m_form->screen()->availableGeometry();
    const QRect outer = m_form->frameGeometry();
    QVERIFY2(outer != m_form->geometry(), "the desktop draws no frame: the test would prove nothing");
    QVERIFY2(
        qAbs(outer.center().x() - screen.center().x()) <= 1 && qAbs(outer.center().y() - screen.center().y()) <= 1,
        qPrintable(
            QStringLiteral("frame %1,%2 %3x%4").arg(outer.x()).arg(outer.y()).arg(outer.width()).arg(outer.height())));
}

void Form1Test::boxesTakeTextsOfAnyLength()
{
    const QString longText = QString(100'000, QLatin1Char('7')) + QStringLiteral("行");
    QApplication::clipboard()->setText(longText);
    for (const char* name : {"Text1", "Text9", "Text12"}) {
        auto* box = control<QLineEdit>(name);
        box->setFocus(Qt::TabFocusReason);
        QTest::keySequence(box, QKeySequence::Paste);
        QCOMPARE(box->text().size(), longText.size());
    }
}

void Form1Test::tabAndShiftTabGoRoundTheWholeCycle()
{
    const char* order[] = {"Text4",    "Text2",    "Text3",    "Text1",    "Text5",   "Text6",  "Text7",
                           "Text8",    "Check1",   "Text9",    "Text10",   "Text11",  "Text12", "Command4",
                           "Command1", "Command2", "Command3", "Command5", "Command6"};
    auto focused = [] { return QApplication::focusWidget()->objectName(); };
    for (const char* name : order) {
        QCOMPARE(focused(), QString::fromLatin1(name));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(focused(), QStringLiteral("Text4"));
    for (int i = std::size(order) - 1; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(focused(), QString::fromLatin1(order[i]));
    }
}

void Form1Test::selectsTheWholeTextOnFocusInTheFirstEightBoxesOnly()
{
    for (const char* name : {"Text1", "Text5", "Text8", "Text9"})
        type(name, QStringLiteral("12abc"));

    control<QLineEdit>("Text2")->setFocus(Qt::TabFocusReason);
    QVERIFY(control<QLineEdit>("Text2")->selectedText().isEmpty()); // empty box: an empty selection
    control<QLineEdit>("Text1")->setFocus(Qt::TabFocusReason);
    QCOMPARE(control<QLineEdit>("Text1")->selectedText(), QStringLiteral("12abc"));

    // A mouse click brings the focus and still leaves the whole text selected.
    auto* text5 = control<QLineEdit>("Text5");
    QTest::mouseClick(text5, Qt::LeftButton, {}, QPoint(5, text5->height() / 2));
    QCOMPARE(QApplication::focusWidget(), text5);
    QCOMPARE(text5->selectedText(), QStringLiteral("12abc"));

    // Typing replaces it.
    QTest::keyClicks(text5, QStringLiteral("7"));
    QCOMPARE(text5->text(), QStringLiteral("7"));

    // The column boxes keep their caret.
    auto* text9 = control<QLineEdit>("Text9");
    text9->setCursorPosition(2);
    control<QCheckBox>("Check1")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), text9);
    QVERIFY(text9->selectedText().isEmpty());
    QCOMPARE(text9->cursorPosition(), 2);
}

void Form1Test::keepInFrontFollowsTheCheckBoxWithoutMovingTheWindow()
{
    auto* check = control<QCheckBox>("Check1");
    const QRect before = m_form->geometry();
    const WId id = m_form->winId();

    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(check->checkState(), Qt::Unchecked);
    QVERIFY(!platform::qt::QtDesktop::isStayOnTop(*m_form));
    QCOMPARE(m_form->geometry(), before);
    QVERIFY(m_form->isVisible());

    check->setCheckState(Qt::Checked);
    QVERIFY(platform::qt::QtDesktop::isStayOnTop(*m_form));
    check->setCheckState(Qt::PartiallyChecked); // only a tick keeps it in front
    QVERIFY(!platform::qt::QtDesktop::isStayOnTop(*m_form));
    check->setCheckState(Qt::Checked);
    QVERIFY(platform::qt::QtDesktop::isStayOnTop(*m_form));
    QCOMPARE(m_form->geometry(), before);
    QCOMPARE(m_form->winId(), id); // the native window was never recreated
}

void Form1Test::showsOneDonationWindowAndClosesItWithTheMainWindow()
{
    QVERIFY(!m_form->donationWindow());
    click("Command5");
    ui::DonationWindow* first = m_form->donationWindow();
    QVERIFY(first && first->isVisible());
    click("Command5");
    QCOMPARE(m_form->donationWindow(), first);
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        shown += w->isVisible() && w->objectName() == QString::fromUtf8("捐助");
    QCOMPARE(shown, 1);

    // Closing only the donation window leaves the program; 捐助 brings it back.
    first->close();
    QVERIFY(m_form->isVisible());
    click("Command5");
    QVERIFY(first->isVisible());

    m_form->close();
    QVERIFY(!first->isVisible());
    QVERIFY(!m_form->isVisible());
}

void Form1Test::exitWithoutTheDonationWindowNeverCreatesIt()
{
    click("Command6");
    QVERIFY(!m_form->isVisible());
    QVERIFY(!m_form->donationWindow());

    m_form->show();
    click("Command5");
    click("Command6");
    QVERIFY(!m_form->donationWindow()->isVisible());
    QVERIFY(!m_form->isVisible());
}

void Form1Test::runsEachOperationOnTheEmbeddedSheet()
{
    for (int i = 1; i <= 12; ++i) {
        grid().setCell(i, 1, sheet::CellView::makeNumber(i));
        grid().setCell(1, i + 1, sheet::CellView::makeNumber(i));
    }

    type("Text1", QStringLiteral("1"));
    type("Text4", QStringLiteral("10"));
    type("Text2", QStringLiteral("3"));
    type("Text3", QStringLiteral("2"));
    click("Command1");
    QCOMPARE(grid().lastRow(), 18);
    QCOMPARE(grid().cell(4, 1).kind, sheet::CellKind::Empty);
    QCOMPARE(grid().cell(6, 1).number, 4.0);

    type("Text9", QStringLiteral("2"));
    type("Text12", QStringLiteral("8"));
    type("Text11", QStringLiteral("3"));
    type("Text10", QStringLiteral("1"));
    click("Command4");
    QCOMPARE(grid().lastColumn(), 15);

    type("Text5", QStringLiteral("1"));
    type("Text6", QStringLiteral("18"));
    click("Command2");
    QCOMPARE(grid().lastRow(), 12);

    grid().insertRows(3, 2);
    type("Text8", QStringLiteral("1"));
    type("Text7", QStringLiteral("6"));
    click("Command3");
    QCOMPARE(m_world->app->activeWorkbook()->activeSheet()->selection().address(),
             QStringLiteral("$3:$3,$4:$4").toStdString());

    using Message = testsupport::FakeDesktop::Message;
    const std::vector<Message> expected{{"数据处理完成,谢谢使用!", "提示", automation::kStyleInformation},
                                        {"数据处理完成,谢谢使用!", "提示", automation::kStyleInformation},
                                        {"数据处理完成,共删除空行 6 个!", "提示", automation::kStyleInformation},
                                        {"数据处理完成,共选择空行 2 个!", "提示", automation::kStyleInformation}};
    QVERIFY(m_world->desktop.messages == expected);
}

void Form1Test::reportsRefusedInputAndAMissingSpreadsheet()
{
    click("Command1");
    QCOMPARE(m_world->desktop.messages.size(), 1u);
    QCOMPARE(m_world->desktop.messages[0].text, std::string("重新调整总行数和间隔行数！"));
    QCOMPARE(m_world->desktop.messages[0].title, std::string("错误"));

    // No spreadsheet anywhere: the failed start has no icon and the program's title.
    m_world->app->quit();
    testsupport::FakeDesktop desktop;
    automation::LocalHost empty;
    automation::Module1 module(empty, desktop);
    ui::Form1 form(module, desktop);
    form.show();
    form.findChild<QLineEdit*>(QStringLiteral("Text5"))->setText(QStringLiteral("1"));
    form.findChild<QLineEdit*>(QStringLiteral("Text6"))->setText(QStringLiteral("3"));
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    QCOMPARE(desktop.messages.size(), 2u);
    QVERIFY(desktop.messages[0] ==
            (testsupport::FakeDesktop::Message{"ActiveX 部件不能创建对象", "Tessavo", automation::kStyleOkOnly}));
    QCOMPARE(desktop.messages[1].text, std::string("请检查输入的数据"));
}

QTEST_MAIN(Form1Test)
#include "Form1Test.moc"
