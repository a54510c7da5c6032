#include "sheet/window/SheetWindow.h"
#include "link/Module1.h"
#include "sheet/document/Application.h"
#include "sheet/document/Workbook.h"
#include "sheet/files/Csv.h"
#include "sheet/files/FileSystem.h"
#include "sheet/files/Xlsx.h"
#include "sheet/window/FileProgress.h"
#include "sheet/window/Recovery.h"
#include "sheet/window/SheetModel.h"
#include "sheet/window/WindowDialogs.h"
#include "sheet/window/WorkbookFiles.h"
#include "tests/files/XlsxFixture.h"
#include "testsupport/ErrorNumber.h"
#include "testsupport/FakeWindowDialogs.h"
#include "testsupport/SpreadsheetWorld.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

using automation::Object;
using automation::Value;
using sheet::SheetModel;
using sheet::SheetWindow;

namespace {

using testsupport::errorNumber;

std::string readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

void writeBytes(const QString& path, const std::string& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
}

} // namespace

class SheetWindowTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void appearsWhenMadeVisibleAndCarriesTheCaption();
    void showsCellsAndHeadersAsASpreadsheetDoes();
    void typingStoresNumbersTextsOrNothing();
    void anEditorLeftAsOpenedChangesNothing();
    void aTimeOfDayAloneIsShownAndTypedAsATime();
    void tabsFollowAndSwitchTheActiveSheet();
    void showsAndScrollsToASelectionMadeThroughAutomation();
    void clickingSelectsACellARowOrAColumn();
    void enterAndTabMoveAndStoreTheEditFirst();
    void typingReplacesF2EditsAndEscapeCancels();
    void movingStopsAtTheEdgesAndKeepsTheCellInSight();
    void anAutomationSelectionStaysUntilTheUserMoves();
    void deleteClearsEveryCellOfTheSelection();
    void aLongTextShowsItsBeginningCutAtAWholeCharacter();
    void aHundredMebibyteTextIsDrawnNotLeftBlank();
    void copyTakesTheWholeTextOfALongCell();
    void aTextTooLongToEditIsRefusedWholeAndReplacedByTyping();
    void closingTheWindowQuitsTheApplication();
    void quittingTheApplicationClosesTheWindow();
    void manyInsertionsCostOneRefresh();

    void opensCsvAndXlsxFilesEachInAWindowOfItsOwn();
    void anEditMarksTheTitleAndSavingWritesTheFileAndClearsTheMark();
    void savesAsXlsxOrCsvByTheChosenKind();
    void aFileWithFormulasIsNeverOverwrittenWithLess();
    void theOriginalOfALossyFileIsNeverTakenForASave();
    void twoWorkbooksNeverShareAFile();
    void savingSeveralSheetsAsCsvAsksFirst();
    void closingWithUnsavedChangesAsksFirst();
    void anotherProgramsNewerSaveIsNeverOverwrittenUnasked();
    void anOpenWorkbookClaimsItsFileAndOthersClaimsAreRespected();
    void aReadOnlyFileIsNotReplacedAndSaveAsIsOffered();
    void sheetsRenamedBySavingAreNamedFirst();
    void aLongFileOperationShowsItsProgressAndCanBeCancelled();
    void aWorkbookBeingSavedStillShowsItsCells();
    void unsavedWorkIsCopiedAsideUntilSavedOrDiscarded();
    void aKilledProgramsCopiesAreOfferedBackAsUnsavedWorkbooks();
    void aBadFileGivesAWarningAndOpensNothing();
    void aGuessedEncodingIsShownAndSavedOverTheFileOnlyWhenConfirmed();
    void aTextFileReopensInTheEncodingChosen();
    void tabSeparatedTextAndEveryWorkbookKindOpenByExtension();
    void theLastActivatedWindowHoldsTheActiveWorkbook();
    void filesGivenAtStartOpenInTheRunningSpreadsheet();

private:
    // Starts the spreadsheet as the program does (a visible workbook of two sheets) and finds its window.
    void open(bool settle = true);
    QTableView* view() const { return m_window->findChild<QTableView*>(QStringLiteral("grid")); }
    SheetModel* model() const { return static_cast<SheetModel*>(view()->model()); }
    QTabBar* tabs() const { return m_window->findChild<QTabBar*>(QStringLiteral("sheetTabs")); }
    QString shown(int row, int column) const { return model()->index(row - 1, column - 1).data().toString(); }
    bool selected(int row, int column) const
    {
        return model()->index(row - 1, column - 1).data(SheetModel::SelectedRole).toBool();
    }

    // Keys go where a person's would: to the editor while one is open, else to the grid.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
    // One key per character; the first opens the editor, which takes the rest. Keys beyond ASCII carry only text.
    void type(const QString& text) const
    {
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(QApplication::focusWidget(), char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(c), {});
        }
    }
    QLineEdit* editor() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
    // Activates the window and clicks the cell, which selects it and gives the grid the focus.
    void clickCell(int row, int column);
    sheet::Worksheet* activeSheet() const { return app()->activeWorkbook()->activeSheet(); }
    QString selection() const { return QString::fromStdString(activeSheet()->selection().address()); }
    static QString address(int row, int column)
    {
        return QString::fromStdString(sheet::Area{row, column, row, column}.address());
    }

    // The spreadsheet with its window, creatable but not running until a test starts it.
    std::unique_ptr<testsupport::SpreadsheetWorld> m_world;
    QPointer<SheetWindow> m_window;
    testsupport::FakeWindowDialogs m_dialogs;
    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    QAction* action(SheetWindow* w, const char* name) const
    {
        return w->findChild<QAction*>(QString::fromLatin1(name));
    }
    // Opens `file` through the window's File > Open, as the dialog would choose it.
    SheetWindow* openThroughMenu(const QString& file, sheet::FileKind kind = sheet::FileKind::ByExtension,
                                 sheet::TextEncoding encoding = sheet::TextEncoding::Auto);
    static QString readingNote(SheetWindow* w)
    {
        auto* note = w->findChild<QLabel*>(QStringLiteral("readingNote"));
        return note && note->isVisibleTo(w) ? note->text() : QString();
    }
    sheet::Application* app() const { return sheet::documentOf<sheet::Application>(m_world->module.xlApp.toObject()); }
};

void SheetWindowTest::init()
{
    m_dialogs = {};
    sheet::WindowDialogs::setCurrent(&m_dialogs);
    m_world = std::make_unique<testsupport::SpreadsheetWorld>(
        testsupport::SpreadsheetWorld::Options{.start = testsupport::SpreadsheetWorld::Start::Nothing,
                                               .registration = &sheet::registerEmbeddedSpreadsheetWithWindow});
}

void SheetWindowTest::cleanup()
{
    // Every window still open quits its application and deletes itself.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<SheetWindow*>(w))
            window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_window.isNull());
    m_world.reset();
    sheet::WindowDialogs::setCurrent(nullptr);
}

void SheetWindowTest::open(bool settle)
{
    m_world->module.OpenExcel();
    m_window = SheetWindow::forApplication(app());
    QVERIFY(m_window);
    if (settle)
        QCoreApplication::processEvents();
}

void SheetWindowTest::appearsWhenMadeVisibleAndCarriesTheCaption()
{
    const Object app = m_world->local.createObject("Excel.Application");
    m_window = SheetWindow::forApplication(sheet::documentOf<sheet::Application>(app));
    QVERIFY(m_window);
    QVERIFY(!m_window->isVisible());

    app.get("Workbooks").call("Add");
    app.put("Visible", true);
    // At once, not on the next refresh: the program activates the window by its caption right after this.
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->windowTitle(), QString::fromStdString(app.get("Caption").toText()));
    app.get("ActiveWorkbook").put("Name", "报表");
    // Renamed, the workbook is marked modified; the mark comes after the caption, which still finds the window.
    QCOMPARE(m_window->windowTitle(), QStringLiteral("报表 - Tessavo 表格 *"));
    QCOMPARE(QString::fromStdString(app.get("Caption").toText()), QStringLiteral("报表 - Tessavo 表格"));

    app.put("Visible", false);
    QVERIFY(!m_window->isVisible());
}

void SheetWindowTest::showsCellsAndHeadersAsASpreadsheetDoes()
{
    open();
    const Object& s = m_world->module.xlSheet;
    const auto date = [](double serial) { return Value(automation::Date{serial}); };
    const auto error = [](std::int32_t code) { return Value(automation::ErrorValue{code}); };
    const struct {
        Value value;
        const char* expected;
    } cases[] = {{12.0, "12"},
                 {0.1, "0.1"},
                 {1.0 / 3, "0.333333333333333"},
                 {1e20, "1E+20"},
                 {-0.0, "0"},
                 {"文字 text", "文字 text"},
                 {true, "TRUE"},
                 {date(45'000), "2023/3/15"},
                 {date(45'000.75), "2023/3/15 18:00"},
                 {date(45'000 + 3'661.0 / 86'400), "2023/3/15 1:01:01"},
                 {error(2000), "#NULL!"},
                 {error(2007), "#DIV/0!"},
                 {error(2015), "#VALUE!"},
                 {error(2023), "#REF!"},
                 {error(2029), "#NAME?"},
                 {error(2036), "#NUM!"},
                 {error(2042), "#N/A"}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        s.put("Cells", double(i + 1), 2.0, cases[i].value);
        QCOMPARE(shown(int(i) + 1, 2), QString::fromUtf8(cases[i].expected));
    }
    QCOMPARE(shown(1, 1), QString());
    // Rows inserted through automation move what the grid shows.
    s.get("Rows", 1.0).call("Insert");
    QCOMPARE(shown(2, 2), QStringLiteral("12"));

    QCOMPARE(model()->rowCount(), 1'048'576);
    QCOMPARE(model()->columnCount(), 16'384);
    const std::pair<int, const char*> headers[] = {{0, "A"}, {25, "Z"}, {26, "AA"}, {16'383, "XFD"}};
    for (const auto& [section, letters] : headers)
        QCOMPARE(model()->headerData(section, Qt::Horizontal).toString(), QString::fromLatin1(letters));
    QCOMPARE(model()->headerData(1'048'575, Qt::Vertical).toString(), QStringLiteral("1048576"));
}

void SheetWindowTest::typingStoresNumbersTextsOrNothing()
{
    open();
    const Object& s = m_world->module.xlSheet;
    const struct {
        const char* typed;
        Value stored;
    } cases[] = {{"12", 12.0},
                 {" -3.5 ", -3.5},
                 {"1e3", 1000.0},
                 {"+.5", 0.5},
                 {"abc", "abc"},
                 {"inf", "inf"},
                 {"0x10", "0x10"},
                 {"1e999", "1e999"},
                 {" 7 x", " 7 x"},
                 {"", Value()},
                 {"TRUE", true},
                 {"false", false},
                 {"#N/A", automation::ErrorValue{2042}},
                 {"#div/0!", automation::ErrorValue{2007}},
                 {"2024/3/5", automation::Date{45356}},
                 {"2024-03-05 13:05", automation::Date{45356 + (13 * 3600 + 5 * 60) / 86400.0}},
                 {"2023/2/30", "2023/2/30"},
                 {"2024/3/5 25:00", "2024/3/5 25:00"},
                 {"1899/12/29 06:00", "1899/12/29 06:00"}};
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

void SheetWindowTest::aTimeOfDayAloneIsShownAndTypedAsATime()
{
    // Times of day read from a text file are serials of day 0: shown without its date, and typed back as they show.
    const struct {
        double serial;
        const char* shown;
    } cases[] = {{48'001.0 / 86'400, "13:20:01"},
                 {0.5, "12:00"},
                 {0, "0:00"},
                 {1.5, "1899/12/31 12:00"},
                 // Before serial 0 the fraction still counts forward from midnight, as everywhere else.
                 {-1.25, "1899/12/29 6:00"}};
    for (const auto& c : cases) {
        const sheet::CellView cell = sheet::CellView::makeDate(c.serial);
        QCOMPARE(SheetModel::displayText(cell), QString::fromUtf8(c.shown));
        std::string storage;
        if (c.serial >= 0 && c.serial < 1)
            QCOMPARE(SheetModel::typedCell(SheetModel::editText(cell), storage), cell);
    }
    // The same day and hour as the automation value's text.
    QCOMPARE(Value(automation::Date{-1.25}).toText(), std::string("1899/12/29 6:00:00"));
    std::string storage;
    QCOMPARE(SheetModel::typedCell(QStringLiteral("24:00"), storage).kind, sheet::CellKind::Text);
    QCOMPARE(SheetModel::typedCell(QStringLiteral("9:05"), storage),
             sheet::CellView::makeDate((9 * 3600 + 5 * 60) / 86'400.0));
}

void SheetWindowTest::anEditorLeftAsOpenedChangesNothing()
{
    open();
    const Object& s = m_world->module.xlSheet;
    const Value values[] = {automation::Date{45356.5}, true,        automation::ErrorValue{2042}, 0.30000000000000004,
                            123456789012345678.0,      "  spaced  "};
    sheet::Workbook* book = app()->activeWorkbook();
    for (const Value& v : values) {
        s.put("Cells", 1.0, 1.0, v);
        book->setSaved("unchanged.xlsx", sheet::FileFormat::Xlsx); // clears the modified flag
        const QModelIndex cell = model()->index(0, 0);
        QVERIFY(model()->setData(cell, model()->data(cell, Qt::EditRole)));
        QVERIFY2(s.get("Cells", 1.0, 1.0).get("Value") == v, qPrintable(model()->data(cell).toString()));
        QVERIFY(!book->modified());
    }
    // Every digit is there to edit.
    QCOMPARE(model()->data(model()->index(0, 0), Qt::EditRole).toString(), QStringLiteral("  spaced  "));
    s.put("Cells", 1.0, 1.0, 0.30000000000000004);
    QCOMPARE(model()->data(model()->index(0, 0), Qt::EditRole).toString(), QStringLiteral("0.30000000000000004"));
    QCOMPARE(model()->data(model()->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("0.3"));

    // A text beyond a line editor's usual 32,767 characters opens whole.
    const std::string longText(40'000, 'x');
    s.put("Cells", 1.0, 1.0, longText);
    const QModelIndex cell = model()->index(0, 0);
    std::unique_ptr<QWidget> editor(view()->itemDelegate()->createEditor(view()->viewport(), {}, cell));
    view()->itemDelegate()->setEditorData(editor.get(), cell);
    auto* line = qobject_cast<QLineEdit*>(editor.get());
    QVERIFY(line);
    QCOMPARE(line->text().size(), 40'000);
}

void SheetWindowTest::tabsFollowAndSwitchTheActiveSheet()
{
    open();
    // OpenExcel adds a second sheet before the first and activates it.
    QCOMPARE(tabs()->count(), 2);
    QCOMPARE(tabs()->tabText(0), QStringLiteral("Sheet2"));
    QCOMPARE(tabs()->currentIndex(), 0);

    const Object& app = m_world->module.xlApp.toObject();
    app.get("Worksheets").get("Item", "Sheet1").put("Cells", 1.0, 1.0, "on Sheet1");
    QTest::mouseClick(tabs(), Qt::LeftButton, {}, tabs()->tabRect(1).center());
    QCOMPARE(app.get("ActiveSheet").get("Name").toText(), "Sheet1");
    QTRY_COMPARE(shown(1, 1), QStringLiteral("on Sheet1"));

    app.get("Worksheets").call("Add").put("Name", "汇总");
    QTRY_COMPARE(tabs()->count(), 3);
    QCOMPARE(tabs()->tabText(tabs()->currentIndex()), QStringLiteral("汇总"));
    QCOMPARE(shown(1, 1), QString());
}

void SheetWindowTest::showsAndScrollsToASelectionMadeThroughAutomation()
{
    // Selected before the grid was ever laid out: a row already in view must not scroll by a guessed height.
    open(false);
    const Object& app = m_world->module.xlApp.toObject();
    const Object& s = m_world->module.xlSheet;
    s.get("Rows", 4.0).call("Select");
    QTRY_VERIFY(selected(4, 1));
    QCOMPARE(view()->rowAt(0), 0);

    // Listed bottom up, as a selection of blank rows may be; adjacent rows draw as one block.
    const Value rows = app.call("Union", s.get("Rows", 300'003.0), s.get("Rows", 300'000.0));
    app.call("Union", rows, s.get("Rows", 300'002.0)).call("Select");
    QTRY_VERIFY(selected(300'000, 1));
    for (int r : {300'000, 300'002, 300'003})
        QVERIFY(selected(r, 1) && selected(r, 16'384));
    for (int r : {4, 299'999, 300'001, 300'004})
        QVERIFY(!selected(r, 1));
    QVERIFY(model()->index(300'001, 0).data(Qt::BackgroundRole).isValid());
    QVERIFY(!model()->index(300'000, 0).data(Qt::BackgroundRole).isValid());
    const int y = view()->rowViewportPosition(300'000 - 1);
    QVERIFY(y >= 0 && y < view()->viewport()->height());

    // Rows within rows, e.g. the whole sheet united with one of its rows; a rectangle starting far above.
    const sheet::AreaList overlapping =
        sheet::AreaList({1, 1, 10, 16'384}).appended(sheet::AreaList({3, 1, 4, 16'384}));
    model()->setSelection(sheet::SelectionIndex(overlapping));
    QVERIFY(selected(6, 1) && !selected(11, 1));
    const sheet::AreaList tall = sheet::AreaList({100, 2, 300, 3}).appended(sheet::AreaList({150, 5, 150, 5}));
    model()->setSelection(sheet::SelectionIndex(tall));
    QVERIFY(selected(299, 3) && selected(150, 5));
    QVERIFY(!selected(301, 3) && !selected(299, 4) && !selected(150, 4));
}

void SheetWindowTest::clickingSelectsACellARowOrAColumn()
{
    open();
    const Value active = m_world->module.xlApp.get("ActiveSheet");
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, view()->visualRect(model()->index(3, 2)).center());
    QCOMPARE(active.get("Cells", 1.0, 1.0).get("Row"), Value(std::int32_t(1))); // no automation call is disturbed
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
}

void SheetWindowTest::clickCell(int row, int column)
{
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    const QModelIndex cell = model()->index(row - 1, column - 1);
    view()->scrollTo(cell);
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, view()->visualRect(cell).center());
    QCOMPARE(QApplication::focusWidget(), view());
    QTRY_COMPARE(selection(), address(row, column));
}

void SheetWindowTest::enterAndTabMoveAndStoreTheEditFirst()
{
    open();
    clickCell(5, 3);
    // A column typed value after value fills one cell after another.
    for (const QString& value : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("数据")}) {
        type(value);
        press(Qt::Key_Return);
    }
    QCOMPARE(shown(5, 3), QStringLiteral("a"));
    QCOMPARE(shown(6, 3), QStringLiteral("b"));
    QCOMPARE(shown(7, 3), QStringLiteral("数据"));
    QCOMPARE(selection(), address(8, 3));

    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int rows;
        int columns;
    } moves[] = {{Qt::Key_Return, Qt::ShiftModifier, -1, 0},  {Qt::Key_Enter, Qt::KeypadModifier, 1, 0},
                 {Qt::Key_Tab, Qt::NoModifier, 0, 1},         {Qt::Key_Tab, Qt::ShiftModifier, 0, -1},
                 {Qt::Key_Backtab, Qt::ShiftModifier, 0, -1}, {Qt::Key_Right, Qt::NoModifier, 0, 1},
                 {Qt::Key_Up, Qt::NoModifier, -1, 0},         {Qt::Key_Left, Qt::NoModifier, 0, -1},
                 {Qt::Key_Down, Qt::NoModifier, 1, 0}};
    // Each key moves the selection; in an editor opened by typing it first stores what was typed.
    int row = 20;
    int column = 5;
    clickCell(row, column);
    for (const bool editing : {false, true}) {
        for (const auto& move : moves) {
            const QString value = QStringLiteral("v%1,%2").arg(row).arg(column);
            if (editing)
                type(value);
            press(move.key, move.modifiers);
            QVERIFY2(!editor(), qPrintable(value));
            QCOMPARE(shown(row, column), editing ? value : QString());
            row += move.rows;
            column += move.columns;
            QCOMPARE(selection(), address(row, column));
            QCOMPARE(view()->currentIndex(), model()->index(row - 1, column - 1));
        }
    }
}

void SheetWindowTest::typingReplacesF2EditsAndEscapeCancels()
{
    open();
    m_world->module.xlSheet.put("Cells", 2.0, 2.0, "old");
    sheet::Workbook* book = app()->activeWorkbook();
    book->setSaved("unchanged.xlsx", sheet::FileFormat::Xlsx);
    clickCell(2, 2);

    // Escape leaves the cell as it was, whether the editor was opened by typing or with F2.
    type(QStringLiteral("zz"));
    QCOMPARE(editor()->text(), QStringLiteral("zz"));
    press(Qt::Key_Escape);
    press(Qt::Key_F2);
    type(QStringLiteral("zz"));
    press(Qt::Key_Escape);
    QVERIFY(!editor());
    QCOMPARE(shown(2, 2), QStringLiteral("old"));
    // Opened and left as it was: nothing stored, the workbook not marked.
    press(Qt::Key_F2);
    press(Qt::Key_Tab);
    QCOMPARE(selection(), address(2, 3));
    QVERIFY(!book->modified());

    // F2 opens with the content and the cursor at its end; its arrows stay in the text.
    press(Qt::Key_Left);
    press(Qt::Key_F2);
    QCOMPARE(editor()->text(), QStringLiteral("old"));
    type(QStringLiteral("er"));
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    type(QStringLiteral("-"));
    QVERIFY(editor());
    press(Qt::Key_Return);
    QCOMPARE(shown(2, 2), QStringLiteral("old-er"));
    QVERIFY(book->modified());

    // Typing replaces the content: the editor holds only what was typed.
    press(Qt::Key_Up);
    type(QStringLiteral("7"));
    QCOMPARE(editor()->text(), QStringLiteral("7"));
    press(Qt::Key_Return);
    QCOMPARE(m_world->module.xlSheet.get("Cells", 2.0, 2.0).get("Value"), Value(7.0));
}

void SheetWindowTest::movingStopsAtTheEdgesAndKeepsTheCellInSight()
{
    open();
    clickCell(1, 1);
    for (const int key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Backtab}) {
        press(key);
        QCOMPARE(selection(), QStringLiteral("$A$1"));
    }
    press(Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(selection(), QStringLiteral("$A$1"));

    // Far below the window, the grid scrolls along.
    for (int i = 0; i < 60; ++i)
        press(Qt::Key_Return);
    QCOMPARE(selection(), QStringLiteral("$A$61"));
    QVERIFY(view()->viewport()->rect().contains(view()->visualRect(model()->index(60, 0))));

    // The far corner, where every key that would leave the sheet stays; an edit there is stored all the same.
    press(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(selection(), QStringLiteral("$XFD$1048576"));
    for (const int key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Tab, Qt::Key_Return}) {
        press(key);
        QCOMPARE(selection(), QStringLiteral("$XFD$1048576"));
    }
    type(QStringLiteral("end"));
    press(Qt::Key_Tab);
    QCOMPARE(shown(1'048'576, 16'384), QStringLiteral("end"));
    QCOMPARE(selection(), QStringLiteral("$XFD$1048576"));
    QVERIFY(view()->viewport()->rect().intersects(view()->visualRect(model()->index(1'048'575, 16'383))));
    press(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(selection(), QStringLiteral("$A$1"));
}

void SheetWindowTest::anAutomationSelectionStaysUntilTheUserMoves()
{
    open();
    clickCell(3, 3);
    // Every other row from 200,000 up to 2, listed bottom up as selecting blank rows lists them.
    sheet::AreaList rows;
    for (std::int32_t r = 200'000; r >= 2; r -= 2)
        rows = rows.appended(sheet::AreaList(sheet::Area{r, 1, r, sheet::Grid::kColumns}));
    activeSheet()->setSelection(rows);
    QTRY_VERIFY(selected(2, 1));
    QCOMPARE(activeSheet()->selection().size(), 100'000u);
    // Nothing the user does without moving replaces it, such as an editor opened and closed again.
    press(Qt::Key_F2);
    press(Qt::Key_Escape);
    QCoreApplication::processEvents();
    QCOMPARE(activeSheet()->selection().size(), 100'000u);

    // The next move starts from the top of the selection.
    press(Qt::Key_Down);
    QCOMPARE(selection(), address(3, 1));
    QTRY_VERIFY(!selected(4, 1));
}

void SheetWindowTest::deleteClearsEveryCellOfTheSelection()
{
    open();
    sheet::Worksheet* sheet = activeSheet();
    sheet::Workbook* book = app()->activeWorkbook();
    for (int row = 1; row <= 6; ++row)
        for (int column = 1; column <= 4; ++column)
            sheet->setCell(row, column, sheet::CellView::makeNumber(row * 10 + column));
    sheet->setCell(1'048'576, 2, sheet::CellView::makeText("bottom"));
    book->setSaved("cleared.xlsx", sheet::FileFormat::Xlsx);
    clickCell(1, 1);

    // A block and a single cell, both at once.
    sheet->setSelection(sheet::AreaList({2, 2, 3, 3}).appended(sheet::AreaList({6, 4, 6, 4})));
    QCoreApplication::processEvents();
    press(Qt::Key_Delete);
    for (const auto& [row, column] : {std::pair{2, 2}, {2, 3}, {3, 2}, {3, 3}, {6, 4}})
        QVERIFY2(shown(row, column).isEmpty(), qPrintable(address(row, column)));
    QCOMPARE(shown(2, 1), QStringLiteral("21"));
    QCOMPARE(shown(2, 4), QStringLiteral("24"));
    QCOMPARE(sheet->grid().cellCount(), 25u - 5u);
    // Like any edit: marked modified, shown in the title at once.
    QVERIFY(book->modified());
    QVERIFY(m_window->windowTitle().endsWith(QStringLiteral(" *")));

    // A whole column, down to its last row, clicked on its letter.
    QHeaderView* columnHeader = view()->horizontalHeader();
    QTest::mouseClick(columnHeader->viewport(), Qt::LeftButton, {},
                      QPoint(columnHeader->sectionViewportPosition(1) + 5, columnHeader->height() / 2));
    QTRY_COMPARE(selection(), QStringLiteral("$B:$B"));
    press(Qt::Key_Delete);
    QCOMPARE(shown(1'048'576, 2), QString());
    QCOMPARE(shown(5, 2), QString());
    QCOMPARE(shown(5, 1), QStringLiteral("51"));
    QCOMPARE(sheet->grid().lastRow(), 6);

    // Many rows, each its own area: what they hold goes, and nothing between them.
    sheet::AreaList rows;
    for (std::int32_t r = 5; r >= 1; r -= 2)
        rows = rows.appended(sheet::AreaList(sheet::Area{r, 1, r, sheet::Grid::kColumns}));
    for (std::int32_t r = 1'000'000; r >= 10; r -= 10)
        rows = rows.appended(sheet::AreaList(sheet::Area{r, 1, r, sheet::Grid::kColumns}));
    sheet->setSelection(rows);
    press(Qt::Key_Delete);
    QCOMPARE(shown(4, 1), QStringLiteral("41"));
    QCOMPARE(shown(5, 1), QString());
    QCOMPARE(shown(1, 4), QString());
    QCOMPARE(sheet->grid().cellCount(), 7u);

    // The whole sheet, 17 billion cells, with nothing left behind.
    sheet->setSelection(sheet::AreaList({1, 1, sheet::Grid::kRows, sheet::Grid::kColumns}));
    press(Qt::Key_Delete);
    QCOMPARE(sheet->grid().cellCount(), 0u);
    QCOMPARE(sheet->grid().lastRow(), 0);
    QVERIFY(m_dialogs.warnings.isEmpty());

    // Clearing what is already empty changes nothing.
    book->setSaved("cleared.xlsx", sheet::FileFormat::Xlsx);
    press(Qt::Key_Delete);
    QVERIFY(!book->modified());
}

void SheetWindowTest::aLongTextShowsItsBeginningCutAtAWholeCharacter()
{
    open();
    const std::string face = "\xF0\x9F\x98\x80"; // U+1F600, two UTF-16 units
    const std::string han = "\xE5\xAD\x97";      // 字, three bytes
    const auto repeated = [](const std::string& piece, int times) {
        std::string text;
        for (int i = 0; i < times; ++i)
            text += piece;
        return text;
    };
    const qsizetype limit = SheetModel::kShownLength;
    const struct {
        std::string text;
        qsizetype shownUnits;
        const char* why;
    } cases[] = {
        {std::string(limit - 1, 'a') + face + std::string(5'000, 'b'), limit - 1, "a pair that would cross the limit"},
        {std::string(limit - 2, 'a') + face + std::string(5'000, 'b'), limit, "a pair that ends at the limit"},
        {repeated(han, 5'000), limit, "three bytes a character"},
        {repeated(han, int(limit)), limit, "exactly the limit"},
        {std::string(limit + 1, 'c'), limit, "one over"},
        {"short " + han, 7, "short"},
    };
    for (const auto& c : cases) {
        m_world->module.xlSheet.put("Cells", 2.0, 2.0, c.text);
        const QString text = shown(2, 2);
        QVERIFY2(text.size() == c.shownUnits, c.why);
        // The beginning, with no half of a character at its end.
        QVERIFY2(QString::fromStdString(c.text).startsWith(text), c.why);
        QVERIFY2(!text.back().isHighSurrogate(), c.why);
    }
}

void SheetWindowTest::aHundredMebibyteTextIsDrawnNotLeftBlank()
{
    open();
    // Laid out whole, a text this long overflows Qt's glyph buffer and is drawn as nothing.
    std::string text = "开头 ";
    text.resize(100u << 20, 'x');
    activeSheet()->setCell(2, 2, sheet::CellView::makeText(text));
    std::string().swap(text);
    QCoreApplication::processEvents();

    const QModelIndex cell = model()->index(1, 1);
    QVERIFY(shown(2, 2).startsWith(QStringLiteral("开头 xxx")));
    const QImage image = view()->viewport()->grab(view()->visualRect(cell)).toImage();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    QVERIFY2(ink > 20, qPrintable(QString::number(ink)));
    // Nor is it handed whole to an editor.
    QVERIFY(!cell.data(Qt::EditRole).isValid());
}

void SheetWindowTest::copyTakesTheWholeTextOfALongCell()
{
    open();
    const std::string text = "开头" + std::string(50'000, 'y');
    m_world->module.xlSheet.put("Cells", 2.0, 2.0, text);
    clickCell(2, 2);
    QApplication::clipboard()->clear();
    press(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString::fromStdString(text));
}

void SheetWindowTest::aTextTooLongToEditIsRefusedWholeAndReplacedByTyping()
{
    open();
    const qsizetype limit = SheetModel::kMaxEditLength;
    // The limit counts UTF-16 units: two bytes of é are one.
    std::string atLimit;
    for (qsizetype i = 0; i < limit; ++i)
        atLimit += "\xC3\xA9";
    m_world->module.xlSheet.put("Cells", 2.0, 2.0, atLimit);
    clickCell(2, 2);
    press(Qt::Key_F2);
    QVERIFY(editor());
    QCOMPARE(editor()->text().size(), limit);
    press(Qt::Key_Escape);
    QVERIFY(m_dialogs.warnings.isEmpty());

    const std::string tooLong = atLimit + "!";
    m_world->module.xlSheet.put("Cells", 2.0, 2.0, tooLong);
    sheet::Workbook* book = app()->activeWorkbook();
    book->setSaved("long.xlsx", sheet::FileFormat::Xlsx);
    // F2 and a double click say why nothing opens, and open nothing.
    press(Qt::Key_F2);
    QVERIFY(!editor());
    const QPoint centre = view()->visualRect(model()->index(1, 1)).center();
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, centre);
    QVERIFY(!editor());
    QCOMPARE(m_dialogs.warnings.size(), 2);
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("太长")));
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("输入新的内容会替换")));
    // What an editor would open with is no value, which stores nothing if given back.
    const QModelIndex cell = model()->index(1, 1);
    QVERIFY(!model()->setData(cell, cell.data(Qt::EditRole)));
    QVERIFY(activeSheet()->grid().cell(2, 2).text == tooLong);
    QVERIFY(!book->modified());

    // Typing over it replaces it.
    QCOMPARE(QApplication::focusWidget(), view());
    type(QStringLiteral("new"));
    QCOMPARE(editor()->text(), QStringLiteral("new"));
    press(Qt::Key_Return);
    QCOMPARE(shown(2, 2), QStringLiteral("new"));
    QVERIFY(book->modified());
}

void SheetWindowTest::closingTheWindowQuitsTheApplication()
{
    open();
    const Value sheet = m_world->module.xlSheet;
    const Value book = m_world->module.xlBook;
    QVERIFY(m_window->close());

    QCOMPARE(errorNumber([&] { m_world->local.getActiveObject("Excel.Application"); }), 429);
    QCOMPARE(errorNumber([&] { sheet.get("Cells", 1.0, 1.0); }), automation::errors::kDisconnected);
    QCOMPARE(errorNumber([&] { book.get("Name"); }), automation::errors::kDisconnected);
    QTRY_VERIFY(m_window.isNull());

    // The next call starts a new application, with a window of its own.
    open();
    QVERIFY(m_window->isVisible());
}

void SheetWindowTest::quittingTheApplicationClosesTheWindow()
{
    open();
    m_world->module.xlApp.call("Quit");
    QVERIFY(!m_window || !m_window->isVisible());
    QTRY_VERIFY(m_window.isNull());
}

void SheetWindowTest::manyInsertionsCostOneRefresh()
{
    open();
    const Object& s = m_world->module.xlSheet;
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

SheetWindow* SheetWindowTest::openThroughMenu(const QString& file, sheet::FileKind kind, sheet::TextEncoding encoding)
{
    m_dialogs.files.push_back(sheet::FileChoice{file, kind, encoding});
    action(m_window, "actionOpen")->trigger();
    QCoreApplication::processEvents();
    return SheetWindow::forWorkbook(app()->activeWorkbook());
}

void SheetWindowTest::opensCsvAndXlsxFilesEachInAWindowOfItsOwn()
{
    open();
    writeBytes(path("名单.csv"), "姓名,分数\r\n张三,90\r\n");
    writeBytes(path("gb.csv"), "\xd5\xc5\xc8\xfd,1\r\n"); // 张三 in GB18030
    sheet::BookSheet first{"一班", {}};
    first.grid.setCell(2, 2, sheet::CellView::makeNumber(88));
    sheet::BookSheet second{"二班", {}};
    sheet::writeXlsxFile(path("成绩.xlsx").toStdString(), {first, second});

    SheetWindow* csv = openThroughMenu(path("名单.csv"));
    QVERIFY(csv && csv != m_window);
    QCOMPARE(csv->windowTitle(), QStringLiteral("名单.csv - Tessavo 表格"));
    auto* csvModel = csv->findChild<QTableView*>(QStringLiteral("grid"))->model();
    QCOMPARE(csvModel->index(1, 0).data().toString(), QStringLiteral("张三"));
    QCOMPARE(csvModel->index(1, 1).data().toString(), QStringLiteral("90"));

    SheetWindow* xlsx = openThroughMenu(path("成绩.xlsx"), sheet::FileKind::Xlsx);
    QVERIFY(xlsx && xlsx != csv);
    QCOMPARE(QString::fromStdString(m_world->module.xlApp.get("Caption").toText()),
             QStringLiteral("成绩.xlsx - Tessavo 表格"));
    QCOMPARE(xlsx->findChild<QTabBar*>(QStringLiteral("sheetTabs"))->tabText(1), QStringLiteral("二班"));
    QCOMPARE(xlsx->findChild<QTableView*>(QStringLiteral("grid"))->model()->index(1, 1).data().toString(),
             QStringLiteral("88"));

    SheetWindow* gb = openThroughMenu(path("gb.csv"), sheet::FileKind::Csv, sheet::TextEncoding::Gb18030);
    QCOMPARE(gb->findChild<QTableView*>(QStringLiteral("grid"))->model()->index(0, 0).data().toString(),
             QStringLiteral("张三"));
    // Opening a file already open shows its window again rather than a second copy.
    QCOMPARE(openThroughMenu(path("名单.csv")), csv);
    QCOMPARE(app()->workbooks().size(), 4u);
    QVERIFY(m_dialogs.warnings.isEmpty());
}

void SheetWindowTest::anEditMarksTheTitleAndSavingWritesTheFileAndClearsTheMark()
{
    open();
    writeBytes(path("a.csv"), "1,2\r\n");
    SheetWindow* w = openThroughMenu(path("a.csv"));
    auto* grid = w->findChild<QTableView*>(QStringLiteral("grid"))->model();
    QVERIFY(grid->setData(grid->index(2, 0), QStringLiteral("新值")));
    // At once, before any refresh: the title tells the truth whatever the event loop does.
    QCOMPARE(w->windowTitle(), QStringLiteral("a.csv - Tessavo 表格 *"));
    QVERIFY(w->windowTitle().startsWith(QString::fromStdString(m_world->module.xlApp.get("Caption").toText())));

    action(w, "actionSave")->trigger();
    QCOMPARE(w->windowTitle(), QStringLiteral("a.csv - Tessavo 表格"));
    const sheet::Book back = sheet::readCsvFile(path("a.csv").toStdString());
    QCOMPARE(sheet::SheetModel::displayText(back.sheets[0].grid.cell(1, 2)), QStringLiteral("2"));
    QCOMPARE(sheet::SheetModel::displayText(back.sheets[0].grid.cell(3, 1)), QStringLiteral("新值"));
    QVERIFY(m_dialogs.warnings.isEmpty());
}

void SheetWindowTest::savesAsXlsxOrCsvByTheChosenKind()
{
    open();
    m_world->module.xlSheet.put("Cells", 1.0, 1.0, 7.0);
    sheet::Workbook* book = app()->activeWorkbook();

    // A workbook never saved asks where; the kind chosen gives the extension.
    m_dialogs.files.push_back(sheet::FileChoice{path("全部"), sheet::FileKind::Xlsx});
    action(m_window, "actionSave")->trigger();
    QCOMPARE(QString::fromStdString(book->path()), path("全部.xlsx"));
    QVERIFY(!book->modified());
    const sheet::Book all = sheet::readXlsxFile(path("全部.xlsx").toStdString());
    QCOMPARE(all.sheets.size(), 2u);
    QCOMPARE(all.sheets[0].grid.cell(1, 1).number, 7.0);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("全部.xlsx - Tessavo 表格"));

    // CSV holds the active sheet only, says so, and leaves the workbook marked: the other sheet is not in the file.
    m_dialogs.files.push_back(sheet::FileChoice{path("一张.csv"), sheet::FileKind::Xlsx});
    action(m_window, "actionSaveAs")->trigger();
    QCOMPARE(book->format(), sheet::FileFormat::Csv);
    QCOMPARE(m_dialogs.notes.size(), 1);
    QVERIFY(m_dialogs.notes[0].contains(QStringLiteral("Sheet2")));
    QVERIFY(book->modified());
    QCOMPARE(sheet::readCsvFile(path("一张.csv").toStdString()).sheets[0].grid.cell(1, 1).number, 7.0);

    // A cancelled dialog changes nothing.
    action(m_window, "actionSaveAs")->trigger();
    QCOMPARE(QString::fromStdString(book->path()), path("一张.csv"));
}

void SheetWindowTest::aFileWithFormulasIsNeverOverwrittenWithLess()
{
    open();
    const std::string original = zipOf(minimalParts("<row r=\"1\"><c r=\"A1\"><f>1+1</f><v>2</v></c></row>", {}, {},
                                                    "<mergeCells><mergeCell ref=\"A2:B2\"/></mergeCells>"));
    writeBytes(path("公式.xlsx"), original);
    SheetWindow* w = openThroughMenu(path("公式.xlsx"));
    QVERIFY(w);
    sheet::Workbook* book = w->workbook();
    book->activeSheet()->setCell(3, 1, sheet::CellView::makeNumber(5));

    // Declined: nothing written, nothing cleared.
    m_dialogs.saveAsInstead = {false};
    action(w, "actionSave")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("公式")));
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("合并单元格")));
    QVERIFY(book->modified());

    // Accepted: saved under the new name; the original file keeps its formula and merged cells.
    m_dialogs.saveAsInstead = {true};
    m_dialogs.files.push_back(sheet::FileChoice{path("副本.xlsx"), sheet::FileKind::Xlsx});
    action(w, "actionSave")->trigger();
    QVERIFY(readBytes(path("公式.xlsx")) == original);
    QCOMPARE(QString::fromStdString(book->path()), path("副本.xlsx"));
    QVERIFY(!book->modified() && !book->losses().any());
    QCOMPARE(sheet::readXlsxFile(path("副本.xlsx").toStdString()).sheets[0].grid.cell(3, 1).number, 5.0);

    // The copy's name was suggested, not the original's.
    QCOMPARE(m_dialogs.suggestions.last(), path("公式 (副本).xlsx"));

    // The new file lost nothing: saving it again needs no warning.
    book->activeSheet()->setCell(4, 1, sheet::CellView::makeNumber(6));
    action(w, "actionSave")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), 2);
    QVERIFY(!book->modified());
}

void SheetWindowTest::theOriginalOfALossyFileIsNeverTakenForASave()
{
    open();
    const std::string original = zipOf(minimalParts("<row r=\"1\"><c r=\"A1\"><f>1+1</f><v>2</v></c></row>"));
    writeBytes(path("公式.xlsx"), original);
    SheetWindow* w = openThroughMenu(path("公式.xlsx"));
    QVERIFY(w);
    sheet::Workbook* book = w->workbook();
    book->activeSheet()->setCell(3, 1, sheet::CellView::makeNumber(5));

    // Save As straight from the menu, onto the original: refused and asked again; then cancelled.
    m_dialogs.files.push_back(sheet::FileChoice{path("公式.xlsx"), sheet::FileKind::Xlsx});
    action(w, "actionSaveAs")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("公式")));
    QCOMPARE(m_dialogs.suggestions.size(), 2);
    QCOMPARE(m_dialogs.suggestions[0], path("公式 (副本).xlsx"));
    QVERIFY(readBytes(path("公式.xlsx")) == original);
    QVERIFY(book->modified());

    // Through Save: the original again, then a new name.
    m_dialogs.saveAsInstead = {true};
    m_dialogs.files.push_back(sheet::FileChoice{path("公式"), sheet::FileKind::Xlsx}); // the extension is added
    m_dialogs.files.push_back(sheet::FileChoice{path("新.xlsx"), sheet::FileKind::Xlsx});
    action(w, "actionSave")->trigger();
    QVERIFY(readBytes(path("公式.xlsx")) == original);
    QCOMPARE(QString::fromStdString(book->path()), path("新.xlsx"));
    QVERIFY(!book->modified());
}

void SheetWindowTest::twoWorkbooksNeverShareAFile()
{
    open();
    writeBytes(path("甲.csv"), "1\r\n");
    writeBytes(path("乙.csv"), "2\r\n");
    SheetWindow* first = openThroughMenu(path("甲.csv"));
    SheetWindow* second = openThroughMenu(path("乙.csv"));
    QVERIFY(first && second && first != second);

    m_dialogs.files.push_back(sheet::FileChoice{path("甲.csv"), sheet::FileKind::Csv});
    action(second, "actionSaveAs")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("甲.csv")));
    QCOMPARE(readBytes(path("甲.csv")), std::string("1\r\n"));
    QCOMPARE(QString::fromStdString(second->workbook()->path()), path("乙.csv"));

    // A file gone from the disk is still only itself: a new name is not taken for it.
    QVERIFY(QFile::remove(path("甲.csv")));
    m_dialogs.files.push_back(sheet::FileChoice{path("丙.csv"), sheet::FileKind::Csv});
    action(second, "actionSaveAs")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QCOMPARE(QString::fromStdString(second->workbook()->path()), path("丙.csv"));
}

void SheetWindowTest::savingSeveralSheetsAsCsvAsksFirst()
{
    open();
    writeBytes(path("名单.csv"), "张三,90\r\n");
    SheetWindow* w = openThroughMenu(path("名单.csv"));
    QVERIFY(w);
    sheet::Workbook* book = w->workbook();
    book->addSheet(1); // now active: the file would get this empty sheet instead of the names

    m_dialogs.saveAsInstead = {false};
    action(w, "actionSave")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("2 个工作表")));
    QCOMPARE(readBytes(path("名单.csv")), std::string("张三,90\r\n"));
    QVERIFY(book->modified());

    // Accepted: every sheet goes to a workbook beside it, which is suggested.
    m_dialogs.saveAsInstead = {true};
    m_dialogs.files.push_back(sheet::FileChoice{path("名单.xlsx"), sheet::FileKind::Xlsx});
    action(w, "actionSave")->trigger();
    QCOMPARE(m_dialogs.suggestions.last(), path("名单.xlsx"));
    QCOMPARE(sheet::readXlsxFile(path("名单.xlsx").toStdString()).sheets.size(), 2u);
    QCOMPARE(readBytes(path("名单.csv")), std::string("张三,90\r\n"));
    QVERIFY(!book->modified());
}

void SheetWindowTest::closingWithUnsavedChangesAsksFirst()
{
    open();
    writeBytes(path("b.csv"), "1\r\n");
    QPointer<SheetWindow> w = openThroughMenu(path("b.csv"));
    sheet::Workbook* book = w->workbook();
    book->activeSheet()->setCell(1, 1, sheet::CellView::makeNumber(2));

    m_dialogs.closeAnswers = {sheet::CloseAnswer::Cancel};
    QVERIFY(!w->close());
    QCOMPARE(m_dialogs.asked, QStringList{QStringLiteral("b.csv")});
    QVERIFY(book->application());

    m_dialogs.closeAnswers = {sheet::CloseAnswer::Save};
    QVERIFY(w->close());
    QTRY_VERIFY(w.isNull());
    QCOMPARE(sheet::readCsvFile(path("b.csv").toStdString()).sheets[0].grid.cell(1, 1).number, 2.0);
    QCOMPARE(app()->workbooks().size(), 1u);

    // Don't Save: the window goes and the file stays as it was; the last window takes the application with it.
    m_world->module.xlSheet.put("Cells", 1.0, 1.0, 3.0);
    m_dialogs.closeAnswers = {sheet::CloseAnswer::Discard};
    QVERIFY(m_window->close());
    QCOMPARE(m_dialogs.asked.size(), 3);
    QCOMPARE(sheet::readCsvFile(path("b.csv").toStdString()).sheets[0].grid.cell(1, 1).number, 2.0);
    QCOMPARE(errorNumber([&] { m_world->local.getActiveObject("Excel.Application"); }), 429);
}

void SheetWindowTest::aBadFileGivesAWarningAndOpensNothing()
{
    open();
    writeBytes(path("坏.xlsx"), "not a zip");
    writeBytes(path("坏.csv"), "\"unclosed\r\n");
    writeBytes(path("notes.doc"), "1,2");
    const QString files[] = {path("坏.xlsx"), path("坏.csv"), path("notes.doc"), path("missing.csv")};
    for (const QString& file : files) {
        m_dialogs.warnings.clear();
        openThroughMenu(file);
        QCOMPARE(m_dialogs.warnings.size(), 1);
        QVERIFY2(m_dialogs.warnings[0].contains(QFileInfo(file).fileName()), qPrintable(m_dialogs.warnings[0]));
        QCOMPARE(app()->workbooks().size(), 1u);
    }
    QCOMPARE(SheetWindow::forApplication(app()), m_window.data());
}

void SheetWindowTest::aGuessedEncodingIsShownAndSavedOverTheFileOnlyWhenConfirmed()
{
    open();
    const std::string gb = "\xd5\xc5\xc8\xfd,90\r\n"; // 张三,90 in GB18030
    writeBytes(path("gb.csv"), gb);
    SheetWindow* w = openThroughMenu(path("gb.csv"));
    QVERIFY(w);
    QCOMPARE(w->findChild<QTableView*>(QStringLiteral("grid"))->model()->index(0, 0).data().toString(),
             QStringLiteral("张三"));
    QVERIFY2(readingNote(w).contains(QStringLiteral("GB18030")) && readingNote(w).contains(QStringLiteral("推测")),
             qPrintable(readingNote(w)));
    sheet::Workbook* book = w->workbook();
    book->activeSheet()->setCell(1, 2, sheet::CellView::makeNumber(95));

    // Cancelled: the original bytes stay, and so do the changes.
    action(w, "actionSave")->trigger();
    QCOMPARE(m_dialogs.questions.size(), 1);
    QVERIFY(m_dialogs.questions[0].contains(QStringLiteral("GB18030")));
    QVERIFY(m_dialogs.questions[0].contains(QStringLiteral("UTF-8")));
    QCOMPARE(readBytes(path("gb.csv")), gb);
    QVERIFY(book->modified());

    // Closing and choosing Save asks the same; declined, the window stays.
    m_dialogs.closeAnswers = {sheet::CloseAnswer::Save};
    QVERIFY(!w->close());
    QCOMPARE(m_dialogs.questions.size(), 2);
    QCOMPARE(readBytes(path("gb.csv")), gb);

    // Confirmed: the file is UTF-8 from now on, and nothing more is asked or said.
    m_dialogs.confirms = {true};
    action(w, "actionSave")->trigger();
    QCOMPARE(readBytes(path("gb.csv")), std::string("\xEF\xBB\xBF张三,95\r\n"));
    QVERIFY(!book->modified());
    QVERIFY(readingNote(w).isEmpty());
    book->activeSheet()->setCell(1, 2, sheet::CellView::makeNumber(96));
    action(w, "actionSave")->trigger();
    QCOMPARE(m_dialogs.questions.size(), 3);
    QVERIFY(m_dialogs.warnings.isEmpty());

    // Saved elsewhere, the original is not touched: nothing to ask.
    writeBytes(path("gb2.csv"), gb);
    SheetWindow* other = openThroughMenu(path("gb2.csv"));
    m_dialogs.files.push_back(sheet::FileChoice{path("copy.csv"), sheet::FileKind::Csv});
    action(other, "actionSaveAs")->trigger();
    QCOMPARE(m_dialogs.questions.size(), 3);
    QCOMPARE(readBytes(path("gb2.csv")), gb);
}

void SheetWindowTest::aTextFileReopensInTheEncodingChosen()
{
    open();
    writeBytes(path("名单.csv"), "\xd5\xc5\xc8\xfd\r\n"); // 张三 in GB18030
    SheetWindow* w = openThroughMenu(path("名单.csv"));
    QVERIFY(w);
    QVERIFY(action(w, "actionReopenEncoding")->isEnabled());
    QVERIFY(!action(m_window, "actionReopenEncoding")->isEnabled()); // a workbook of no file
    const std::size_t books = app()->workbooks().size();

    // Unsaved changes: asked first; declined, nothing happens.
    w->workbook()->activeSheet()->setCell(2, 1, sheet::CellView::makeText("改动"));
    action(w, "actionReopenEncoding")->trigger();
    QCOMPARE(m_dialogs.questions.size(), 1);
    QVERIFY(m_dialogs.offered.empty());
    QVERIFY(w->workbook()->modified());

    // Accepted, then the encoding chosen, the guessed one offered first: the file read anew, the changes gone.
    m_dialogs.confirms = {true};
    m_dialogs.encodings = {sheet::TextEncoding::Windows1252};
    QPointer<SheetWindow> old = w;
    action(w, "actionReopenEncoding")->trigger();
    QCOMPARE(m_dialogs.offered, std::vector<sheet::TextEncoding>{sheet::TextEncoding::Gb18030});
    QTRY_VERIFY(old.isNull());
    SheetWindow* latin = SheetWindow::forWorkbook(app()->activeWorkbook());
    QVERIFY(latin);
    QCOMPARE(app()->workbooks().size(), books);
    QCOMPARE(QString::fromUtf8(latin->workbook()->activeSheet()->grid().cell(1, 1).text), QStringLiteral("ÕÅÈý"));
    QVERIFY(latin->workbook()->activeSheet()->grid().cell(2, 1).isEmpty());
    QVERIFY(!latin->workbook()->modified());
    QCOMPARE(readingNote(latin), QStringLiteral("按 Windows-1252 读取。"));

    // An encoding the bytes are not in: a warning, and the workbook stays as it was.
    m_dialogs.encodings = {sheet::TextEncoding::Utf8};
    action(latin, "actionReopenEncoding")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("UTF-8")));
    QCOMPARE(SheetWindow::forWorkbook(app()->activeWorkbook()), latin);

    // Cancelled: nothing.
    action(latin, "actionReopenEncoding")->trigger();
    QCOMPARE(SheetWindow::forWorkbook(app()->activeWorkbook()), latin);
    QCOMPARE(app()->workbooks().size(), books);
}

void SheetWindowTest::tabSeparatedTextAndEveryWorkbookKindOpenByExtension()
{
    open();
    // "Unicode text" as spreadsheet programs save it: UTF-16 LE with its mark, tabs, CRLF; 姓名<tab>分数 / 张三<tab>90.
    const std::string unicodeText("\xFF\xFE\xD3\x59\x0D\x54\t\0\x06\x52\x70\x65\r\0\n\0"
                                  "\x20\x5F\x09\x4E\t\0"
                                  "9\0"
                                  "0\0\r\0\n\0",
                                  30);
    writeBytes(path("导出.txt"), unicodeText);
    SheetWindow* txt = openThroughMenu(path("导出.txt"));
    QVERIFY(txt);
    sheet::Workbook* book = txt->workbook();
    QCOMPARE(book->format(), sheet::FileFormat::Tsv);
    QCOMPARE(book->activeSheet()->grid().cell(2, 1).text, "张三");
    QCOMPARE(book->activeSheet()->grid().cell(2, 2), sheet::CellView::makeNumber(90));
    QCOMPARE(readingNote(txt), QStringLiteral("按 UTF-16 LE 读取。"));

    // Saved back tab-separated, in UTF-8 once the user agrees to the change.
    book->activeSheet()->setCell(2, 2, sheet::CellView::makeNumber(91));
    m_dialogs.confirms = {true};
    action(txt, "actionSave")->trigger();
    QCOMPARE(m_dialogs.questions.size(), 1);
    QVERIFY(m_dialogs.questions[0].contains(QStringLiteral("UTF-16 LE")));
    QCOMPARE(readBytes(path("导出.txt")), std::string("\xEF\xBB\xBF姓名\t分数\r\n张三\t91\r\n"));

    // A .tsv in UTF-8 is saved as it came, tab-separated, without a question; fields with commas need no quotes.
    writeBytes(path("表.tsv"), "a,b\t\"x\ty\"\r\n");
    SheetWindow* tsv = openThroughMenu(path("表.tsv"));
    QCOMPARE(tsv->workbook()->activeSheet()->grid().cell(1, 2).text, "x\ty");
    tsv->workbook()->activeSheet()->setCell(2, 1, sheet::CellView::makeText("1,5"));
    action(tsv, "actionSave")->trigger();
    QCOMPARE(m_dialogs.questions.size(), 1);
    QCOMPARE(readBytes(path("表.tsv")), std::string("\xEF\xBB\xBF"
                                                    "a,b\t\"x\ty\"\r\n1,5\r\n"));

    // Save As by kind: tab-separated gets its extension.
    m_dialogs.files.push_back(sheet::FileChoice{path("另存"), sheet::FileKind::Tsv});
    action(tsv, "actionSaveAs")->trigger();
    QCOMPARE(QString::fromStdString(tsv->workbook()->path()), path("另存.tsv"));
    QCOMPARE(tsv->workbook()->format(), sheet::FileFormat::Tsv);

    // The macro-enabled and template kinds of workbook open as workbooks.
    sheet::BookSheet sheet{"表一", {}};
    sheet.grid.setCell(1, 1, sheet::CellView::makeNumber(7));
    for (const char* name : {"宏.xlsm", "模板.xltx", "宏模板.XLTM"}) {
        sheet::writeXlsxFile(path(name).toStdString(), {sheet});
        SheetWindow* w = openThroughMenu(path(name));
        QVERIFY2(w && w->workbook()->format() == sheet::FileFormat::Xlsx, name);
        QCOMPARE(w->workbook()->activeSheet()->grid().cell(1, 1).number, 7.0);
    }
    QVERIFY(m_dialogs.warnings.isEmpty());

    // Where a choice saves: a workbook under another workbook kind's name would not be what its name says.
    using sheet::FileFormat;
    QCOMPARE(sheet::resolveSaveChoice({path("a.TXT"), sheet::FileKind::Xlsx}),
             std::pair(path("a.TXT"), FileFormat::Tsv));
    QCOMPARE(sheet::resolveSaveChoice({path("a.xlsm"), sheet::FileKind::Xlsx}),
             std::pair(path("a.xlsm.xlsx"), FileFormat::Xlsx));
    QCOMPARE(sheet::resolveSaveChoice({path("a"), sheet::FileKind::Csv}), std::pair(path("a.csv"), FileFormat::Csv));
}

void SheetWindowTest::theLastActivatedWindowHoldsTheActiveWorkbook()
{
    open();
    action(m_window, "actionNew")->trigger();
    QCOMPARE(app()->workbooks().size(), 2u);
    sheet::Workbook* first = app()->workbooks()[0].get();
    sheet::Workbook* second = app()->workbooks()[1].get();
    SheetWindow* secondWindow = SheetWindow::forWorkbook(second);
    QVERIFY(secondWindow && secondWindow != m_window);
    QVERIFY(secondWindow->isVisible());

    for (auto [window, book] : {std::pair{m_window.data(), first}, std::pair{secondWindow, second}}) {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTRY_COMPARE(app()->activeWorkbook(), book);
        const QString caption = QString::fromStdString(m_world->module.xlApp.get("Caption").toText());
        QCOMPARE(caption, QString::fromStdString(book->name()) + QStringLiteral(" - Tessavo 表格"));
        QVERIFY(window->windowTitle().startsWith(caption));
    }
    // Automation works on the workbook the user turned to.
    m_world->module.xlApp.get("ActiveSheet").put("Cells", 1.0, 1.0, "here");
    QCOMPARE(second->activeSheet()->grid().cell(1, 1).text, "here");
}

void SheetWindowTest::filesGivenAtStartOpenInTheRunningSpreadsheet()
{
    writeBytes(path("c.csv"), "start\r\n");
    writeBytes(path("d.csv"), "\"broken\r\n");
    QCOMPARE(sheet::openFilesAtStart(m_world->local, {path("c.csv"), path("d.csv")}), 1);
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("d.csv")));

    // Running, visible and registered: the first operation attaches to it instead of starting another.
    m_world->module.OpenExcel();
    QCOMPARE(m_world->module.xlApp.get("Visible"), Value(true));
    QCOMPARE(m_world->module.xlApp.get("Workbooks").get("Count"), Value(std::int32_t(1)));
    QCOMPARE(m_world->module.xlApp.get("ActiveSheet").get("Cells", 1.0, 1.0).get("Value"), Value("start"));
    m_window = SheetWindow::forApplication(app());
    QVERIFY(m_window && m_window->isVisible());

    // Nothing readable: nothing stays running.
    m_world->module.xlApp.call("Quit");
    QCOMPARE(sheet::openFilesAtStart(m_world->local, {path("d.csv")}), 0);
    QCOMPARE(errorNumber([&] { m_world->local.getActiveObject("Excel.Application"); }), 429);
    QCOMPARE(sheet::openFilesAtStart(m_world->local, {}), 0);
}

void SheetWindowTest::anotherProgramsNewerSaveIsNeverOverwrittenUnasked()
{
    open();
    writeBytes(path("a.csv"), "1\r\n");
    SheetWindow* w = openThroughMenu(path("a.csv"));
    auto* grid = w->findChild<QTableView*>(QStringLiteral("grid"))->model();
    QVERIFY(grid->setData(grid->index(0, 1), QStringLiteral("ours")));
    // Another program saves the file meanwhile: a different size at least, whatever the clock says.
    writeBytes(path("a.csv"), "theirs,newer\r\n");

    action(w, "actionSave")->trigger(); // the user cancels
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY2(m_dialogs.warnings[0].contains(QStringLiteral("已被其他程序修改")), qPrintable(m_dialogs.warnings[0]));
    QCOMPARE(readBytes(path("a.csv")), std::string("theirs,newer\r\n"));
    QVERIFY(w->workbook()->modified());

    m_dialogs.overwriteAnswers.push_back(sheet::OverwriteAnswer::SaveAs); // ... or keeps both
    m_dialogs.files.push_back(sheet::FileChoice{path("b.csv"), sheet::FileKind::Csv});
    action(w, "actionSave")->trigger();
    QCOMPARE(readBytes(path("a.csv")), std::string("theirs,newer\r\n"));
    QVERIFY(readBytes(path("b.csv")).find("ours") != std::string::npos);

    // Saved by us, the file is ours again: the next save asks nothing.
    const auto asked = m_dialogs.warnings.size();
    QVERIFY(grid->setData(grid->index(0, 2), QStringLiteral("more")));
    action(w, "actionSave")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), asked);
    QVERIFY(readBytes(path("b.csv")).find("more") != std::string::npos);

    // And the user may overwrite knowingly.
    writeBytes(path("b.csv"), "changed\r\n");
    QVERIFY(grid->setData(grid->index(0, 3), QStringLiteral("last")));
    m_dialogs.overwriteAnswers.push_back(sheet::OverwriteAnswer::Overwrite);
    action(w, "actionSave")->trigger();
    QVERIFY(readBytes(path("b.csv")).find("last") != std::string::npos);
    QVERIFY(!w->workbook()->modified());
}

void SheetWindowTest::anOpenWorkbookClaimsItsFileAndOthersClaimsAreRespected()
{
    open();
    writeBytes(path("a.csv"), "1\r\n");
    SheetWindow* w = openThroughMenu(path("a.csv"));
    QVERIFY(QFile::exists(path(".~lock.a.csv#")));
    // Saved under another name, the claim moves with it; closed, it goes.
    m_dialogs.files.push_back(sheet::FileChoice{path("c.csv"), sheet::FileKind::Csv});
    action(w, "actionSaveAs")->trigger();
    QVERIFY(!QFile::exists(path(".~lock.a.csv#")));
    QVERIFY(QFile::exists(path(".~lock.c.csv#")));
    w->close();
    QCoreApplication::processEvents();
    QVERIFY(!QFile::exists(path(".~lock.c.csv#")));

    // LibreOffice has the file open: opening says so, saving asks, and its lock file stays.
    open();
    writeBytes(path("lo.csv"), "1\r\n");
    writeBytes(path(".~lock.lo.csv#"), ",zhang,pc-12,09.12.2026 14:05,file:///home/zhang;");
    w = openThroughMenu(path("lo.csv"));
    QVERIFY(w);
    QCOMPARE(m_dialogs.notes.size(), 1);
    QVERIFY2(m_dialogs.notes[0].contains(QStringLiteral("LibreOffice: zhang@pc-12")), qPrintable(m_dialogs.notes[0]));
    auto* grid = w->findChild<QTableView*>(QStringLiteral("grid"))->model();
    QVERIFY(grid->setData(grid->index(0, 1), QStringLiteral("ours")));
    action(w, "actionSave")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY(m_dialogs.warnings[0].contains(QStringLiteral("正在另一个程序中编辑")));
    QCOMPARE(readBytes(path("lo.csv")), std::string("1\r\n"));
    w->workbook()->setSaved(w->workbook()->path(), sheet::FileFormat::Csv); // closes without asking
    w->close();
    QCoreApplication::processEvents();
    QVERIFY(QFile::exists(path(".~lock.lo.csv#")));
}

void SheetWindowTest::aReadOnlyFileIsNotReplacedAndSaveAsIsOffered()
{
    open();
    writeBytes(path("ro.csv"), "1\r\n");
    QFile::setPermissions(path("ro.csv"), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    SheetWindow* w = openThroughMenu(path("ro.csv"));
    auto* grid = w->findChild<QTableView*>(QStringLiteral("grid"))->model();
    QVERIFY(grid->setData(grid->index(0, 1), QStringLiteral("ours")));
    m_dialogs.saveAsInstead.push_back(true);
    m_dialogs.files.push_back(sheet::FileChoice{path("rw.csv"), sheet::FileKind::Csv});
    action(w, "actionSave")->trigger();
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY2(m_dialogs.warnings[0].contains(QStringLiteral("只读")), qPrintable(m_dialogs.warnings[0]));
    QCOMPARE(readBytes(path("ro.csv")), std::string("1\r\n"));
    QVERIFY(readBytes(path("rw.csv")).find("ours") != std::string::npos);
    QCOMPARE(QString::fromStdString(w->workbook()->path()), path("rw.csv"));
}

void SheetWindowTest::sheetsRenamedBySavingAreNamedFirst()
{
    open();
    sheet::Book book;
    book.sheets.push_back({"Data", {}});
    book.sheets.push_back({"DATA", {}});
    sheet::Workbook& wb = app()->openWorkbook(std::move(book), path("two.xlsx").toStdString(), sheet::FileFormat::Xlsx);
    QCoreApplication::processEvents();
    SheetWindow* w = SheetWindow::forWorkbook(&wb);
    QVERIFY(w);
    m_dialogs.confirms.push_back(false);
    QVERIFY(!w->save());
    QCOMPARE(m_dialogs.questions.size(), 1);
    QVERIFY2(m_dialogs.questions[0].contains(QStringLiteral("“DATA” → “DATA (2)”")),
             qPrintable(m_dialogs.questions[0]));
    QVERIFY(!QFile::exists(path("two.xlsx")));

    m_dialogs.confirms.push_back(true);
    QVERIFY(w->save());
    QCOMPARE(wb.sheets()[1]->name(), std::string("DATA (2)"));
    QCOMPARE(sheet::readXlsxFile(path("two.xlsx").toStdString()).sheets[1].name, std::string("DATA (2)"));
    QVERIFY(w->save()); // nothing to rename any more
    QCOMPARE(m_dialogs.questions.size(), 2);
}

void SheetWindowTest::aLongFileOperationShowsItsProgressAndCanBeCancelled()
{
    const auto shownBox = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QProgressDialog*>(w); box && box->isVisible())
                return box;
        return static_cast<QProgressDialog*>(nullptr);
    };
    QVERIFY(!sheet::FileProgress::busy());
    {
        // Quick operations show nothing.
        sheet::FileProgress quick(nullptr, QStringLiteral("正在打开"));
        QVERIFY(sheet::FileProgress::busy());
        QVERIFY(quick.callback()(0.5));
        QVERIFY(!shownBox());
    }
    {
        sheet::FileProgress slow(nullptr, QStringLiteral("正在保存“a.xlsx”…"), 0);
        const auto report = slow.callback();
        QVERIFY(report(0.25));
        QProgressDialog* box = shownBox();
        QVERIFY(box);
        QCOMPARE(box->labelText(), QStringLiteral("正在保存“a.xlsx”…"));
        QCOMPARE(box->value(), 250);
        QVERIFY(box->isModal());
        box->cancel(); // the user presses Cancel
        QVERIFY(!report(0.5));
        QVERIFY(slow.cancelled());
    }
    QVERIFY(!shownBox());
    QVERIFY(!sheet::FileProgress::busy());
}

void SheetWindowTest::aWorkbookBeingSavedStillShowsItsCells()
{
    open();
    sheet::Workbook* book = m_window->workbook();
    for (int r = 1; r <= 300'000; ++r)
        book->activeSheet()->setCell(r, 1, sheet::CellView::makeNumber(r));
    // Whatever a repaint during the save reads, it finds the cells where they were.
    std::size_t seenWhileSaving = 0;
    sheet::writeWorkbookFile(*book, path("big.xlsx"), sheet::FileFormat::Xlsx, [&](double) {
        seenWhileSaving = std::max(seenWhileSaving, book->activeSheet()->grid().cellCount());
        return true;
    });
    QCOMPARE(seenWhileSaving, std::size_t(300'000));
}

void SheetWindowTest::unsavedWorkIsCopiedAsideUntilSavedOrDiscarded()
{
    const QString folder = path("recovery");
    sheet::RecoveryKeeper keeper(folder, 3'600'000);
    open();
    QCOMPARE(keeper.keepNow(), 0); // nothing changed yet
    QVERIFY(!QDir(folder).exists());

    m_world->module.xlSheet.put("Cells", 2.0, 3.0, 42.0);
    QCOMPARE(keeper.keepNow(), 1);
    QCOMPARE(keeper.keepNow(), 0); // still current
    const QStringList copies = QDir(folder).entryList({QStringLiteral("*.xlsx")});
    QCOMPARE(copies.size(), 1);
    const sheet::Book copy = sheet::readXlsxFile(QDir(folder).filePath(copies[0]).toStdString());
    QCOMPARE(copy.sheets[0].grid.cell(2, 3).number, 42.0);
    QVERIFY(keeper.orphans().empty()); // this process keeps it

    // Saved: the copy goes at once.
    m_dialogs.files.push_back(sheet::FileChoice{path("kept.xlsx"), sheet::FileKind::Xlsx});
    QVERIFY(m_window->save());
    QVERIFY(QDir(folder).entryList({QStringLiteral("*.xlsx"), QStringLiteral("*.txt")}, QDir::Files).isEmpty());

    // The folder is the user's alone.
    QCOMPARE(QFile::permissions(folder) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
             QFileDevice::Permissions());

    // A text file keeps one sheet: saved so, the other sheets are still only here, and so is their copy.
    m_world->module.xlBook.get("Worksheets").call("Add");
    m_world->module.xlSheet.put("Cells", 1.0, 1.0, 5.0);
    QCOMPARE(keeper.keepNow(), 1);
    m_dialogs.files.push_back(sheet::FileChoice{path("one.csv"), sheet::FileKind::Csv});
    QVERIFY(m_window->saveAs());
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*.xlsx")}).size(), 1);

    // Changed again and closed with Don't Save: gone too.
    m_world->module.xlSheet.put("Cells", 1.0, 1.0, 1.0);
    QCOMPARE(keeper.keepNow(), 1);
    m_dialogs.closeAnswers.push_back(sheet::CloseAnswer::Discard);
    m_window->close();
    QVERIFY(QDir(folder).entryList({QStringLiteral("*.xlsx"), QStringLiteral("*.txt")}, QDir::Files).isEmpty());

    // Changed and quit by automation, which asks nobody: the copy is all that is left, and stays.
    open();
    m_world->module.xlSheet.put("Cells", 1.0, 1.0, 7.0);
    QCOMPARE(keeper.keepNow(), 1);
    m_world->module.xlApp.call("Quit");
    QCoreApplication::processEvents();
    QCOMPARE(keeper.keepNow(), 0);
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*.xlsx")}).size(), 1);
}

void SheetWindowTest::aKilledProgramsCopiesAreOfferedBackAsUnsavedWorkbooks()
{
    const QString folder = path("recovery");
    QDir().mkpath(folder);
    // What a killed process left: a copy and its note, naming a process that no longer runs.
    sheet::BookSheet sheet{"成绩", {}};
    sheet.grid.setCell(1, 1, sheet::CellView::makeText("未保存的修改"));
    sheet::writeXlsxFile(QDir(folder).filePath(QStringLiteral("999999-1.xlsx")).toStdString(), {sheet});
    // Its process had this one's id, as a later process may: the copy is still the killed one's.
    writeBytes(QDir(folder).filePath(QStringLiteral("999999-1.txt")),
               "run=gone\npid=" + std::to_string(getpid()) +
                   "\nname=成绩.xlsx\npath=/home/zhang/成绩.xlsx\nwritten=2026-12-09T14:05:00\n");
    // And one of a keeper whose process still runs, holding its "alive" file: not offered.
    sheet::writeXlsxFile(QDir(folder).filePath(QStringLiteral("live-1.xlsx")).toStdString(), {sheet});
    writeBytes(QDir(folder).filePath(QStringLiteral("live-1.txt")),
               "run=live\npid=1\nname=x\npath=\nwritten=2026-12-09T14:05:00\n");
    writeBytes(QDir(folder).filePath(QStringLiteral("live.alive")), "");
    const std::intptr_t alive = sheet::holdLock(QDir(folder).filePath(QStringLiteral("live.alive")).toStdString());
    QVERIFY(alive != -1);

    sheet::RecoveryKeeper keeper(folder, 3'600'000);
    QCOMPARE(keeper.orphans().size(), std::size_t(1));
    QCOMPARE(sheet::offerRecovery(keeper, m_world->local), 0); // Later: nothing happens
    QCOMPARE(m_dialogs.warnings.size(), 1);
    QVERIFY2(m_dialogs.warnings[0].contains(QStringLiteral("“成绩.xlsx”(/home/zhang/成绩.xlsx)")),
             qPrintable(m_dialogs.warnings[0]));
    QCOMPARE(keeper.orphans().size(), std::size_t(1));

    m_dialogs.recoveryAnswers.push_back(sheet::RecoveryAnswer::Recover);
    QCOMPARE(sheet::offerRecovery(keeper, m_world->local), 1);
    QCoreApplication::processEvents();
    sheet::Application* recovered =
        sheet::documentOf<sheet::Application>(m_world->local.getActiveObject("Excel.Application"));
    QVERIFY(recovered && recovered->visible());
    sheet::Workbook* book = recovered->activeWorkbook();
    QCOMPARE(book->name(), std::string("成绩.xlsx (恢复)"));
    QVERIFY(book->path().empty()); // never written over the original unasked
    QVERIFY(book->modified());
    QCOMPARE(book->activeSheet()->grid().cell(1, 1).text, std::string_view("未保存的修改"));
    m_window = SheetWindow::forWorkbook(book);
    QVERIFY(m_window && m_window->isVisible());
    // Now this process's: no longer offered, still kept until saved or discarded.
    QVERIFY(keeper.orphans().empty());
    QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("999999-1.xlsx"))));
    m_dialogs.closeAnswers.push_back(sheet::CloseAnswer::Discard);
    m_window->close();
    QVERIFY(!QFile::exists(QDir(folder).filePath(QStringLiteral("999999-1.xlsx"))));

    // Discarded for good when the user says so.
    sheet::writeXlsxFile(QDir(folder).filePath(QStringLiteral("999999-2.xlsx")).toStdString(), {sheet});
    writeBytes(QDir(folder).filePath(QStringLiteral("999999-2.txt")), "run=gone\nname=b\n");
    m_dialogs.recoveryAnswers.push_back(sheet::RecoveryAnswer::Discard);
    QCOMPARE(sheet::offerRecovery(keeper, m_world->local), 0);
    QVERIFY(!QFile::exists(QDir(folder).filePath(QStringLiteral("999999-2.xlsx"))));
    QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("live-1.xlsx"))));
    sheet::releaseLock(alive);
}

QTEST_MAIN(SheetWindowTest)
#include "SheetWindowTest.moc"
