#include "sheet/document/Application.h"
#include "sheet/document/Workbook.h"
#include "testsupport/ErrorNumber.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using automation::Object;
using automation::Value;
using sheet::Change;
using sheet::FileFormat;
using testsupport::errorNumber;

class Counter final : public sheet::ApplicationObserver {
public:
    void applicationChanged(Change what) override { structure += what == Change::Structure; }
    int structure = 0;
};

sheet::Book twoSheetBook()
{
    sheet::Book book;
    book.sheets.resize(2);
    book.sheets[0].name = "成绩";
    book.sheets[0].grid.setCell(2, 3, sheet::CellView::makeNumber(90));
    book.sheets[1].name = "名单";
    book.losses.mergedCells = true;
    return book;
}

class WorkbookFilesTest : public testing::Test {
protected:
    WorkbookFilesTest() { app->setObserver(&counter); }

    // The application runs with no workbook yet: each test opens or adds its own.
    testsupport::SpreadsheetWorld w{{.start = testsupport::SpreadsheetWorld::Start::Application}};
    Object appObject = w.runningObject();
    sheet::Application* app = w.app;
    Counter counter;
};

TEST_F(WorkbookFilesTest, OpeningABookMakesAnUnmodifiedActiveWorkbookNamedAfterItsFile)
{
    app->addWorkbook();
    sheet::Workbook& book = app->openWorkbook(twoSheetBook(), "/data/班级/成绩.xlsx", FileFormat::Xlsx);

    EXPECT_EQ(app->activeWorkbook(), &book);
    EXPECT_EQ(app->workbooks().size(), 2u);
    EXPECT_EQ(book.name(), "成绩.xlsx");
    EXPECT_EQ(book.path(), "/data/班级/成绩.xlsx");
    EXPECT_EQ(book.format(), FileFormat::Xlsx);
    EXPECT_FALSE(book.modified());
    EXPECT_TRUE(book.losses().mergedCells);
    ASSERT_EQ(book.sheets().size(), 2u);
    EXPECT_EQ(book.activeSheet(), book.sheets()[0].get());
    EXPECT_EQ(appObject.get("ActiveSheet").get("Cells", 2.0, 3.0).get("Value"), Value(90.0));
    EXPECT_EQ(appObject.get("Caption").toText(), "成绩.xlsx - Tessavo 表格");
    EXPECT_GE(counter.structure, 1);

    // A sheet added later takes a fresh name; a path with backslashes still gives the file name.
    EXPECT_EQ(book.addSheet(2).name(), "Sheet3");
    EXPECT_EQ(app->openWorkbook(sheet::Book{}, "C:\\表\\空.csv", FileFormat::Csv).name(), "空.csv");
    EXPECT_EQ(app->activeWorkbook()->sheets().size(), 1u); // a book without sheets still gets one
}

TEST_F(WorkbookFilesTest, ChangesOfCellsSheetsAndNamesMarkTheWorkbookModifiedAndSavingClearsIt)
{
    sheet::Workbook& book = app->openWorkbook(twoSheetBook(), "a.xlsx", FileFormat::Xlsx);
    const Value sheet = appObject.get("ActiveSheet");
    const Value bookObject = appObject.get("ActiveWorkbook");

    // Looking around changes nothing.
    sheet.get("Rows", 3.0).call("Select");
    appObject.get("Worksheets").get("Item", 2.0).call("Activate");
    sheet.call("Activate");
    EXPECT_FALSE(book.modified());

    const struct {
        const char* what;
        std::function<void()> change;
    } changes[] = {
        {"Cells put", [&] { sheet.put("Cells", 1.0, 1.0, 5.0); }},
        {"typed in the window", [&] { book.activeSheet()->setCell(1, 1, sheet::CellView::makeNumber(1)); }},
        {"row insert", [&] { sheet.get("Rows", 1.0).call("Insert"); }},
        {"column delete", [&] { sheet.get("Columns", 1.0).call("Delete"); }},
        {"sheet added", [&] { appObject.get("Worksheets").call("Add"); }},
        {"sheet renamed", [&] { sheet.put("Name", "数据"); }},
        {"workbook renamed", [&] { bookObject.put("Name", "新名"); }},
    };
    for (const auto& c : changes) {
        book.setSaved("a.xlsx", FileFormat::Xlsx);
        EXPECT_FALSE(book.modified()) << c.what;
        c.change();
        EXPECT_TRUE(book.modified()) << c.what;
        EXPECT_EQ(book.title(), app->caption() + " *") << c.what;
    }

    // Saved under another name and format: nothing of the new file is lost.
    book.setSaved("/tmp/out.csv", FileFormat::Csv);
    EXPECT_EQ(book.name(), "out.csv");
    EXPECT_EQ(book.format(), FileFormat::Csv);
    EXPECT_FALSE(book.losses().any());
    EXPECT_EQ(book.title(), "out.csv - Tessavo 表格");
    EXPECT_EQ(app->caption(), book.title());
}

TEST_F(WorkbookFilesTest, AWorkbookRemembersHowItsTextWasReadUntilItIsSaved)
{
    sheet::Book read;
    read.reading = {sheet::TextEncoding::Gb18030, true, 0};
    sheet::Workbook& book = app->openWorkbook(std::move(read), "名单.csv", FileFormat::Csv);
    EXPECT_EQ(book.textReading().encoding, sheet::TextEncoding::Gb18030);
    EXPECT_TRUE(book.textReading().guessed);

    // The file now holds UTF-8, whatever the original held.
    book.setSaved("名单.csv", FileFormat::Csv);
    EXPECT_TRUE(book.textReading().isUtf8());
    EXPECT_FALSE(book.textReading().guessed);
}

TEST_F(WorkbookFilesTest, ClosingAWorkbookDisconnectsItAndActivatesAnother)
{
    sheet::Workbook& first = app->openWorkbook(twoSheetBook(), "first.xlsx", FileFormat::Xlsx);
    sheet::Workbook& second = app->addWorkbook();
    const Value secondObject = appObject.get("ActiveWorkbook");
    const Value secondSheet = appObject.get("ActiveSheet");
    const Value secondSheets = secondObject.get("Worksheets");

    counter.structure = 0;
    app->closeWorkbook(second);
    EXPECT_EQ(counter.structure, 1);
    EXPECT_EQ(app->activeWorkbook(), &first);
    EXPECT_EQ(appObject.get("Workbooks").get("Count"), Value(std::int32_t(1)));
    const int disconnected = automation::errors::kDisconnected;
    EXPECT_EQ(errorNumber([&] { secondObject.get("Name"); }), disconnected);
    EXPECT_EQ(errorNumber([&] { secondSheet.get("Cells", 1.0, 1.0); }), disconnected);
    EXPECT_EQ(errorNumber([&] { secondSheet.put("Cells", 1.0, 1.0, 2.0); }), disconnected);
    EXPECT_EQ(errorNumber([&] { secondSheets.call("Add"); }), disconnected);

    app->closeWorkbook(second); // already gone: nothing happens
    EXPECT_EQ(app->workbooks().size(), 1u);
    app->closeWorkbook(first);
    EXPECT_EQ(app->activeWorkbook(), nullptr);
    EXPECT_EQ(app->caption(), "Tessavo 表格");
    EXPECT_FALSE(appObject.get("ActiveWorkbook").toObject());
}

} // namespace
