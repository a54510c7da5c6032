// The program's windows as a window manager (openbox) stacks and places them on a real X server. Run through
// scripts/with-desktop, which provides both.
#include "link/LocalHost.h"
#include "link/Module1.h"
#include "platform/qt/QtDesktop.h"
#include "sheet/files/Xlsx.h"
#include "sheet/window/SheetWindow.h"
#include "sheet/window/WindowDialogs.h"
#include "ui/Form1.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

xcb_connection_t* connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// The client windows as the window manager stacks them, bottom first (_NET_CLIENT_LIST_STACKING).
QList<WId> stacking()
{
    xcb_connection_t* c = connection();
    const char name[] = "_NET_CLIENT_LIST_STACKING";
    xcb_intern_atom_reply_t* a = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, a->atom, XCB_ATOM_WINDOW, 0, 4096), nullptr);
    QList<WId> out;
    if (r) {
        const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
        for (int i = 0; i < xcb_get_property_value_length(r) / 4; ++i)
            out.append(ids[i]);
    }
    std::free(r);
    std::free(a);
    return out;
}

// The X window now: QWidget::winId() keeps the first one, which the toolkit replaces when a window's stays-on-top
// hint changes before it is first shown.
WId nativeId(const QWidget* w)
{
    return w->windowHandle() ? w->windowHandle()->winId() : 0;
}

// Real input through the X server (XTest), as a person gives it: the window manager sees it, and judges by it
// which window may take the focus.
void xdotool(const QStringList& args)
{
    QProcess::execute(QStringLiteral("xdotool"), args);
}

void realClick(QWidget* w)
{
    const QPoint centre = w->mapToGlobal(w->rect().center());
    xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

// What a dialog looked like to the user while it was open.
struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool aboveEveryOtherWindow = false;
    bool active = false; // it had the keyboard: Escape closed it
    QString order;       // the program's windows, bottom first, for the failure message
};

// Waits for each modal dialog to be mapped and stacked by the window manager, notes whether it lies above every
// other visible window of the program, then closes it as a user would, with Escape (Cancel where there is one).
class DialogUser final : public QObject {
public:
    QList<Seen> seen;

    DialogUser()
    {
        connect(&m_timer, &QTimer::timeout, this, &DialogUser::look);
        m_timer.start(25);
    }

private:
    void look()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            m_current = nullptr;
            return;
        }
        // Each dialog gets its own rounds, also one that follows another without a pause.
        if (dialog != m_current) {
            m_current = dialog;
            m_polls = 0;
        }
        ++m_polls;
        if (dialog == m_escaped) {
            // Escape went elsewhere: the dialog never had the keyboard. Close it anyway after a second.
            if (m_polls > 40) {
                seen.last().active = false;
                dialog->reject();
            }
            return;
        }
        const QList<WId> order = stacking();
        const qsizetype at = order.indexOf(nativeId(dialog));
        // Give the window manager a few rounds to settle the new window's place and focus; give up after three
        // seconds.
        if ((at < 0 || m_polls < 4 || !dialog->isActiveWindow()) && m_polls < 120)
            return;
        Seen s;
        s.title = dialog->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            s.text = box->text();
            s.icon = box->icon();
        }
        s.aboveEveryOtherWindow = at >= 0;
        s.active = dialog->isActiveWindow();
        for (WId id : order) {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && nativeId(w) == id) {
                    s.order += w->windowTitle() + QStringLiteral(" < ");
                    if (w != dialog && order.indexOf(id) > at)
                        s.aboveEveryOtherWindow = false;
                }
            }
        }
        seen.append(s);
        m_escaped = dialog;
        m_polls = 0;
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    }

    QTimer m_timer;
    int m_polls = 0;
    QPointer<QDialog> m_current;
    QPointer<QDialog> m_escaped;
};

void typeInto(QWidget& form, const char* box, const char* text)
{
    form.findChild<QLineEdit*>(QString::fromLatin1(box))->setText(QString::fromUtf8(text));
}

void click(QWidget& form, const char* button)
{
    realClick(form.findChild<QPushButton*>(QString::fromLatin1(button)));
}

// Until the window manager has framed `w`.
bool waitForFrame(QWidget& w)
{
    return QTest::qWaitFor([&] { return w.isVisible() && w.frameGeometry() != w.geometry(); }, 3000);
}

} // namespace

class DesktopTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void theMainWindowOpensCentredWithItsWholeFrameAndStaysOnTop();
    void theOperationsBoxesStayAboveTheMainWindowAndTheSpreadsheet();
    void theConnectionsBoxStaysAboveTheMainWindow();
    void theDesktopsBoxesShowTheirIconAndTitleAboveTheMainWindow();
    void theSpreadsheetWindowsDialogsStayAboveTheMainWindowKeptOnTop();
    void unsavedWorkSurvivesATerminationAndIsOfferedBack();

private:
    void start(automation::AutomationHost& host);
    void expectAllAbove(const DialogUser& user, qsizetype count);

    std::unique_ptr<automation::LocalHost> m_host;
    std::unique_ptr<platform::qt::QtDesktop> m_desktop;
    std::unique_ptr<automation::Module1> m_module;
    std::unique_ptr<ui::Form1> m_form;
};

void DesktopTest::init()
{
    QVERIFY2(QGuiApplication::platformName() == QStringLiteral("xcb"), "run on an X server, with a window manager");
    m_host = std::make_unique<automation::LocalHost>();
    sheet::registerEmbeddedSpreadsheetWithWindow(*m_host);
}

void DesktopTest::cleanup()
{
    m_form.reset();
    // Quitting closes the spreadsheet's windows without asking about their changes.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<sheet::SheetWindow*>(w); window && window->application().isRunning())
            window->application().quit();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_module.reset();
    m_desktop.reset();
    m_host.reset();
}

void DesktopTest::start(automation::AutomationHost& host)
{
    m_desktop = std::make_unique<platform::qt::QtDesktop>();
    m_module = std::make_unique<automation::Module1>(host, *m_desktop);
    m_form = std::make_unique<ui::Form1>(*m_module, *m_desktop);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QVERIFY(waitForFrame(*m_form));
}

void DesktopTest::expectAllAbove(const DialogUser& user, qsizetype count)
{
    QCOMPARE(user.seen.size(), count);
    for (const Seen& s : user.seen) {
        const QString what = s.title + QStringLiteral(" \"") + s.text + QStringLiteral("\" in ") + s.order;
        QVERIFY2(s.aboveEveryOtherWindow, qPrintable(what));
        QVERIFY2(s.active, qPrintable(QStringLiteral("not active: ") + what));
    }
}

void DesktopTest::theMainWindowOpensCentredWithItsWholeFrameAndStaysOnTop()
{
    start(*m_host);
    const QRect screen = m_form->screen()->availableGeometry();
    QVERIFY(m_form->frameGeometry().height() > m_form->height() + 4); // a title bar
    const auto offCentre = [&] { return m_form->frameGeometry().center() - screen.center(); };
    // At once where the window manager tells the frame in advance; within the second after showing where not.
    QTRY_VERIFY2(qAbs(offCentre().x()) <= 1 && qAbs(offCentre().y()) <= 1,
                 qPrintable(QStringLiteral("off by %1,%2").arg(offCentre().x()).arg(offCentre().y())));
    // Kept on top: an ordinary window opened later stays below it.
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    other.setGeometry(screen.adjusted(50, 50, -50, -50));
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QTRY_VERIFY(stacking().indexOf(nativeId(&other)) >= 0);
    QVERIFY(stacking().indexOf(nativeId(m_form.get())) > stacking().indexOf(nativeId(&other)));
}

void DesktopTest::theOperationsBoxesStayAboveTheMainWindowAndTheSpreadsheet()
{
    start(*m_host);
    DialogUser user;

    click(*m_form, "Command1"); // empty boxes: refused before connecting
    QTRY_COMPARE(user.seen.size(), 1);
    QCOMPARE(user.seen[0].text, QString::fromUtf8("重新调整总行数和间隔行数！"));

    // The spreadsheet starts, comes to the front with its window, and the operation reports over both.
    typeInto(*m_form, "Text1", "1");
    typeInto(*m_form, "Text4", "10");
    typeInto(*m_form, "Text2", "3");
    typeInto(*m_form, "Text3", "1");
    click(*m_form, "Command1");
    QTRY_COMPARE(user.seen.size(), 2);
    QCOMPARE(user.seen[1].text, QString::fromUtf8("数据处理完成,谢谢使用!"));
    const sheet::SheetWindow* spreadsheet =
        sheet::SheetWindow::forApplication(sheet::documentOf<sheet::Application>(m_module->xlApp.toObject()));
    QVERIFY(spreadsheet && spreadsheet->isVisible());

    typeInto(*m_form, "Text5", "1");
    typeInto(*m_form, "Text6", "5");
    click(*m_form, "Command2"); // connects first, then reports with the spreadsheet in front
    QTRY_COMPARE(user.seen.size(), 3);
    QCOMPARE(user.seen[2].text, QString::fromUtf8("数据处理完成,共删除空行 5 个!"));
    expectAllAbove(user, 3);
    // Both windows were on the screen under the box.
    QVERIFY(user.seen[2].order.contains(spreadsheet->windowTitle()));
    QVERIFY(user.seen[2].order.contains(m_form->windowTitle()));
}

void DesktopTest::theConnectionsBoxStaysAboveTheMainWindow()
{
    automation::LocalHost nothing; // no spreadsheet application anywhere
    start(nothing);
    DialogUser user;
    typeInto(*m_form, "Text5", "1");
    typeInto(*m_form, "Text6", "3");
    click(*m_form, "Command2");
    QTRY_COMPARE(user.seen.size(), 2);
    QCOMPARE(user.seen[0].text, QString::fromUtf8("ActiveX 部件不能创建对象"));
    expectAllAbove(user, 2);
    m_form.reset(); // before the host it was given
}

void DesktopTest::theDesktopsBoxesShowTheirIconAndTitleAboveTheMainWindow()
{
    start(*m_host);
    DialogUser user;
    m_desktop->messageBox("数据处理完成,谢谢使用!", "提示", automation::kStyleInformation);
    m_desktop->messageBox("ActiveX 部件不能创建对象", "", automation::kStyleOkOnly);
    expectAllAbove(user, 2);
    QCOMPARE(user.seen[0].title, QString::fromUtf8("提示"));
    QCOMPARE(user.seen[0].icon, QMessageBox::Information);
    QCOMPARE(user.seen[1].text, QString::fromUtf8("ActiveX 部件不能创建对象"));
    QCOMPARE(user.seen[1].title, QStringLiteral("Tessavo"));
    QCOMPARE(user.seen[1].icon, QMessageBox::NoIcon);
}

void DesktopTest::theSpreadsheetWindowsDialogsStayAboveTheMainWindowKeptOnTop()
{
    start(*m_host);
    m_module->OpenExcel();
    auto* app = sheet::documentOf<sheet::Application>(m_module->xlApp.toObject());
    sheet::SheetWindow* window = sheet::SheetWindow::forApplication(app);
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // The user works in the spreadsheet's window, while the main window stays on top.
    realClick(window->findChild<QWidget*>(QStringLiteral("grid")));
    QVERIFY(QTest::qWaitForWindowActive(window));

    DialogUser user;
    sheet::WindowDialogs& dialogs = sheet::WindowDialogs::current();
    dialogs.warn(window, QStringLiteral("asked by the spreadsheet window"));
    dialogs.warn(nullptr, QStringLiteral("asked by no window"));
    dialogs.inform(window, QStringLiteral("a note"));
    QVERIFY(!dialogs.openFile(window));
    QVERIFY(!dialogs.saveFile(window, QStringLiteral("Book1.xlsx")));
    // Closing a changed workbook asks first; the user cancels, and the window stays.
    app->activeWorkbook()->activeSheet()->setCell(1, 1, sheet::CellView::makeNumber(1));
    window->close();
    QVERIFY(window->isVisible());
    expectAllAbove(user, 6);
    QCOMPARE(user.seen[5].text,
             QString::fromUtf8("是否保存对“%1”的更改?").arg(QString::fromStdString(app->activeWorkbook()->name())));
}

namespace {

// The first visible window whose title matches `pattern` (a regular expression, as xdotool takes it), waiting up
// to ten seconds for it; 0 when none comes.
QString windowNamed(const QString& pattern)
{
    QProcess search;
    for (int i = 0; i < 200; ++i) {
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern});
        search.waitForFinished();
        const QString id = QString::fromUtf8(search.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0).trimmed();
        if (!id.isEmpty())
            return id;
        QTest::qWait(50);
    }
    return {};
}

} // namespace

void DesktopTest::unsavedWorkSurvivesATerminationAndIsOfferedBack()
{
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const QString csv = dir.filePath(QStringLiteral("a.csv"));
    QFile f(csv);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("1,2\r\n3,4\r\n");
    f.close();

    // The user types into cell B3 of the opened file...
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(TESSAVO_PROGRAM), {csv});
    const QString sheetWindow = windowNamed(QStringLiteral("^a.csv - Tessavo"));
    QVERIFY(!sheetWindow.isEmpty());
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), sheetWindow});
    // Row and column headers, a menu bar above: B3 lies about here in the window.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), sheetWindow, QStringLiteral("190"),
             QStringLiteral("102"), QStringLiteral("click"), QStringLiteral("1")});
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("42")});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(!windowNamed(QStringLiteral("^a.csv - Tessavo 表格 \\*$")).isEmpty());

    // ... and the program is asked to end, as a logout or a shutdown asks it: it ends soon, asking nothing.
    // A logout sends SIGTERM and SIGHUP right after it: the second must not cut the first short.
    first.terminate();
    ::kill(static_cast<pid_t>(first.processId()), SIGHUP);
    QVERIFY(first.waitForFinished(10'000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    const QDir recovery(dir.filePath(QStringLiteral("data/Tessavo/recovery")));
    const QStringList copies = recovery.entryList({QStringLiteral("*.xlsx")});
    QCOMPARE(copies.size(), 1);
    const sheet::Book copy = sheet::readXlsxFile(recovery.filePath(copies[0]).toStdString());
    QCOMPARE(copy.sheets[0].grid.cell(3, 2).number, 42.0);
    QCOMPARE(QFile(csv).size(), qint64(10)); // the file itself is as it was

    // Started again, the program offers the work back; Enter recovers it.
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(TESSAVO_PROGRAM), {});
    const QString question = windowNamed(QStringLiteral("^Tessavo 表格$"));
    QVERIFY(!question.isEmpty());
    // The key goes to the question, wherever the window manager put the focus.
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), question});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(!windowNamed(QStringLiteral("^a.csv \\(恢复\\) - Tessavo 表格 \\*$")).isEmpty());
    second.kill();
    second.waitForFinished();
}

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
