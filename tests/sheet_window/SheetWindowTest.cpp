#include "SheetWindow.h"

#include "Application.h"
#include "FakePlatform.h"
#include "Module1.h"
#include "SheetModel.h"

#include <QHeaderView>
#include <QPointer>
#include <QTabBar>
#include <QTableView>
#include <QTest>

#include <memory>

using automation::Object;
using automation::Value;
using sheet::SheetModel;
using sheet::SheetWindow;

namespace {

int errorNumber(auto&& f)
{
    try {
        f();
    } catch (const automation::AutomationError& e) {
        return e.number();
    }
    return 0;
}

} // namespace

class SheetWindowTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void appearsWhenMadeVisibleAndCarriesTheCaption();
    void showsCellsAsASpreadsheetDoes();
    void headersNameEveryColumnAndRow();
    void typingStoresNumbersTextsOrNothing();
    void tabsFollowAndSwitchTheActiveSheet();
    void showsASelectionMadeThroughAutomation();
    void aSelectionAlreadyInViewDoesNotScroll();
    void clickingSelectsACellARowOrAColumn();
    void closingTheWindowQuitsTheApplication();
    void quittingTheApplicationClosesTheWindow();
    void manyInsertionsCostOneRefresh();

private:
    // Starts the spreadsheet as the program does: a workbook of two sheets, visible.
    void open();
    QTableView* view() const { return m_window->findChild<QTableView*>(QStringLiteral("grid")); }
    SheetModel* model() const { return static_cast<SheetModel*>(view()->model()); }
    QTabBar* tabs() const { return m_window->findChild<QTabBar*>(QStringLiteral("sheetTabs")); }
    QString shown(int row, int column) const { return model()->index(row - 1, column - 1).data().toString(); }
    bool selected(int row, int column) const
    {
        return model()->index(row - 1, column - 1).data(SheetModel::SelectedRole).toBool();
    }

    std::unique_ptr<automation::LocalHost> m_host;
    std::unique_ptr<testsupport::FakePlatform> m_platform;
    std::unique_ptr<automation::Module1> m_module;
    QPointer<SheetWindow> m_window;
};

void SheetWindowTest::init()
{
    m_host = std::make_unique<automation::LocalHost>();
    sheet::registerEmbeddedSpreadsheetWithWindow(*m_host);
    m_platform = std::make_unique<testsupport::FakePlatform>();
    m_module = std::make_unique<automation::Module1>(*m_host, *m_platform);
}

void SheetWindowTest::cleanup()
{
    // Every window still open quits its application and deletes itself.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<SheetWindow*>(w))
            window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_window.isNull());
    m_module.reset();
    m_platform.reset();
    m_host.reset();
}

void SheetWindowTest::open()
{
    m_module->OpenExcel();
    m_window = SheetWindow::forApplication(sheet::modelObject<sheet::Application>(m_module->xlApp.toObject()));
    QVERIFY(m_window);
    QCoreApplication::processEvents();
}

void SheetWindowTest::appearsWhenMadeVisibleAndCarriesTheCaption()
{
    const Object app = m_host->createObject("Excel.Application");
    m_window = SheetWindow::forApplication(sheet::modelObject<sheet::Application>(app));
    QVERIFY(m_window);
    QVERIFY(!m_window->isVisible());

    app.get("Workbooks").call("Add");
    app.put("Visible", true);
    // At once, not on the next refresh: the program activates the window by its caption right after this.
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->windowTitle(), QString::fromStdString(app.get("Caption").toText()));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("工作簿1 - Tessavo 表格"));

    app.get("ActiveWorkbook").put("Name", "报表");
    QCOMPARE(m_window->windowTitle(), QStringLiteral("报表 - Tessavo 表格"));

    app.put("Visible", false);
    QVERIFY(!m_window->isVisible());
}

void SheetWindowTest::showsCellsAsASpreadsheetDoes()
{
    open();
    const Object& s = m_module->xlSheet;
    const struct {
        Value value;
        const char* expected;
    } cases[] = {
        {12.0, "12"},
        {0.1, "0.1"},
        {-2.5, "-2.5"},
        {1.0 / 3, "0.333333333333333"},
        {1e20, "1E+20"},
        {-0.0, "0"},
        {"文字 text", "文字 text"},
        {true, "TRUE"},
        {false, "FALSE"},
        {automation::Date{45'000}, "2023/3/15"},
        {automation::Date{45'000.75}, "2023/3/15 18:00"},
        {automation::Date{45'000 + 3'661.0 / 86'400}, "2023/3/15 1:01:01"},
        {automation::ErrorValue{2000}, "#NULL!"},
        {automation::ErrorValue{2007}, "#DIV/0!"},
        {automation::ErrorValue{2015}, "#VALUE!"},
        {automation::ErrorValue{2023}, "#REF!"},
        {automation::ErrorValue{2029}, "#NAME?"},
        {automation::ErrorValue{2036}, "#NUM!"},
        {automation::ErrorValue{2042}, "#N/A"},
    };
    int row = 1;
    for (const auto& c : cases)
        s.put("Cells", double(row++), 2.0, c.value);
    row = 1;
    for (const auto& c : cases) {
        QCOMPARE(shown(row, 2), QString::fromUtf8(c.expected));
        ++row;
    }
    QCOMPARE(shown(1, 1), QString());
    QCOMPARE(shown(row, 2), QString());

    // Rows inserted through automation move what the grid shows.
    s.get("Rows", 1.0).call("Insert");
    QCOMPARE(shown(1, 2), QString());
    QCOMPARE(shown(2, 2), QStringLiteral("12"));
}

void SheetWindowTest::headersNameEveryColumnAndRow()
{
    open();
    QCOMPARE(model()->rowCount(), 1'048'576);
    QCOMPARE(model()->columnCount(), 16'384);
    const struct {
        int section;
        const char* letters;
    } columns[] = {{0, "A"}, {25, "Z"}, {26, "AA"}, {701, "ZZ"}, {702, "AAA"}, {16'383, "XFD"}};
    for (const auto& c : columns)
        QCOMPARE(model()->headerData(c.section, Qt::Horizontal).toString(), QString::fromLatin1(c.letters));
    QCOMPARE(model()->headerData(0, Qt::Vertical).toString(), QStringLiteral("1"));
    QCOMPARE(model()->headerData(1'048'575, Qt::Vertical).toString(), QStringLiteral("1048576"));
}

void SheetWindowTest::typingStoresNumbersTextsOrNothing()
{
    open();
    const Object& s = m_module->xlSheet;
    const struct {
        const char* typed;
        Value stored;
    } cases[] = {
        {"12", 12.0},   {" -3.5 ", -3.5}, {"1e3", 1000.0},    {"+.5", 0.5},     {"abc", "abc"}, {"12abc", "12abc"},
        {"inf", "inf"}, {"0x10", "0x10"}, {"1e999", "1e999"}, {" 7 x", " 7 x"}, {"", Value()},
    };
    for (const auto& c : cases) {
        s.put("Cells", 3.0, 3.0, "old");
        QVERIFY(model()->setData(model()->index(2, 2), QString::fromUtf8(c.typed)));
        QVERIFY2(s.get("Cells", 3.0, 3.0).get("Value") == c.stored, c.typed);
    }

    // Typed into the grid itself: the first key opens the editor, Enter stores.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    view()->setCurrentIndex(model()->index(4, 0));
    view()->setFocus();
    QTest::keyClick(view(), Qt::Key_4);
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(editor && editor != view());
    QTest::keyClicks(editor, QStringLiteral("2.5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(s.get("Cells", 5.0, 1.0).get("Value"), Value(42.5));
}

void SheetWindowTest::tabsFollowAndSwitchTheActiveSheet()
{
    open();
    // OpenExcel adds a second sheet before the first and activates it.
    QCOMPARE(tabs()->count(), 2);
    QCOMPARE(tabs()->tabText(0), QStringLiteral("Sheet2"));
    QCOMPARE(tabs()->tabText(1), QStringLiteral("Sheet1"));
    QCOMPARE(tabs()->currentIndex(), 0);

    const Object& app = m_module->xlApp.toObject();
    app.get("Worksheets").get("Item", "Sheet1").put("Cells", 1.0, 1.0, "on Sheet1");
    QTest::mouseClick(tabs(), Qt::LeftButton, {}, tabs()->tabRect(1).center());
    QCOMPARE(app.get("ActiveSheet").get("Name").toText(), "Sheet1");
    QTRY_COMPARE(shown(1, 1), QStringLiteral("on Sheet1"));

    const Value added = app.get("Worksheets").call("Add");
    added.put("Name", "汇总");
    QTRY_COMPARE(tabs()->count(), 3);
    QCOMPARE(tabs()->tabText(tabs()->currentIndex()), QStringLiteral("汇总"));
    QCOMPARE(shown(1, 1), QString());
}

void SheetWindowTest::showsASelectionMadeThroughAutomation()
{
    open();
    const Object& app = m_module->xlApp.toObject();
    const Object& s = m_module->xlSheet;
    Value rows = app.call("Union", s.get("Rows", 300'000.0), s.get("Rows", 300'002.0));
    rows = app.call("Union", rows, s.get("Rows", 300'003.0));
    rows.call("Select");
    QTRY_VERIFY(selected(300'000, 1));
    for (int r : {300'000, 300'002, 300'003})
        for (int c : {1, 500, 16'384})
            QVERIFY(selected(r, c));
    for (int r : {1, 299'999, 300'001, 300'004})
        QVERIFY(!selected(r, 1));
    QVERIFY(model()->index(300'001, 0).data(Qt::BackgroundRole).isValid());
    QVERIFY(!model()->index(300'000, 0).data(Qt::BackgroundRole).isValid());

    // The grid scrolls to where the selection starts.
    const int y = view()->rowViewportPosition(300'000 - 1);
    QVERIFY(y >= 0 && y < view()->viewport()->height());
}

void SheetWindowTest::aSelectionAlreadyInViewDoesNotScroll()
{
    // Selected before the grid has ever been laid out: it must not scroll by what it guessed its height to be.
    m_module->OpenExcel();
    m_window = SheetWindow::forApplication(sheet::modelObject<sheet::Application>(m_module->xlApp.toObject()));
    m_module->xlSheet.get("Rows", 4.0).call("Select");
    QTRY_VERIFY(selected(4, 1));
    QCOMPARE(view()->rowAt(0), 0);
}

void SheetWindowTest::clickingSelectsACellARowOrAColumn()
{
    open();
    const Object& s = m_module->xlSheet;
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, view()->visualRect(model()->index(3, 2)).center());
    QCOMPARE(m_module->xlApp.get("ActiveSheet").get("Rows", 1.0).get("Address").toText(), "$1:$1"); // still live
    QTRY_VERIFY(selected(4, 3));
    QVERIFY(!selected(4, 4));

    QHeaderView* rowHeader = view()->verticalHeader();
    QTest::mouseClick(rowHeader->viewport(), Qt::LeftButton, {},
                      QPoint(rowHeader->width() / 2, rowHeader->sectionViewportPosition(6) + 5));
    QTRY_VERIFY(selected(7, 16'384));
    QVERIFY(!selected(4, 3));

    QHeaderView* columnHeader = view()->horizontalHeader();
    QTest::mouseClick(columnHeader->viewport(), Qt::LeftButton, {},
                      QPoint(columnHeader->sectionViewportPosition(1) + 5, columnHeader->height() / 2));
    QTRY_VERIFY(selected(1'048'576, 2));
    QVERIFY(!selected(7, 1));
    s.get("Cells", 1.0, 1.0); // the sheet object stays usable
}

void SheetWindowTest::closingTheWindowQuitsTheApplication()
{
    open();
    const Value sheet = m_module->xlSheet;
    const Value book = m_module->xlBook;
    QVERIFY(m_window->close());
    QVERIFY(!m_window || !m_window->isVisible());

    QCOMPARE(errorNumber([&] { m_host->getActiveObject("Excel.Application"); }), 429);
    QCOMPARE(errorNumber([&] { sheet.get("Cells", 1.0, 1.0); }), automation::errors::kDisconnected);
    QCOMPARE(errorNumber([&] { book.get("Name"); }), automation::errors::kDisconnected);
    QTRY_VERIFY(m_window.isNull());

    // The next call starts a new application, with a window of its own.
    open();
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_module->xlSheet.get("Cells", 1.0, 1.0).get("Value"), Value());
}

void SheetWindowTest::quittingTheApplicationClosesTheWindow()
{
    open();
    m_module->xlApp.call("Quit");
    QVERIFY(!m_window || !m_window->isVisible());
    QTRY_VERIFY(m_window.isNull());
    QCOMPARE(errorNumber([&] { m_host->getActiveObject("Excel.Application"); }), 429);
}

void SheetWindowTest::manyInsertionsCostOneRefresh()
{
    open();
    const Object& s = m_module->xlSheet;
    s.put("Cells", 1.0, 1.0, "top");
    QCoreApplication::processEvents();
    const int before = m_window->refreshCount();

    const auto shift = automation::Named("Shift", std::int16_t(-4121));
    for (int i = 0; i < 100'000; ++i)
        s.get("Rows", 1.0).call("Insert", shift);
    QCOMPARE(m_window->refreshCount(), before);
    QCoreApplication::processEvents();
    QCOMPARE(m_window->refreshCount(), before + 1);
    QCOMPARE(shown(100'001, 1), QStringLiteral("top"));
}

QTEST_MAIN(SheetWindowTest)
#include "SheetWindowTest.moc"
