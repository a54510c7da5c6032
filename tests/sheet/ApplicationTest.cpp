#include "sheet/document/Application.h"
#include "link/Desktop.h"

#include "testsupport/ErrorNumber.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

namespace {

using automation::Object;
using automation::Value;

using testsupport::errorNumber;

class ApplicationTest : public testing::Test {
protected:
    // Each test starts the application itself, through the object model.
    testsupport::SpreadsheetWorld w{{.start = testsupport::SpreadsheetWorld::Start::Nothing}};
};

TEST_F(ApplicationTest, ANewInstanceRunsHiddenWithoutAWorkbook)
{
    const Object app = w.local.createObject("Excel.Application");

    EXPECT_EQ(w.local.getActiveObject("Excel.Application"), app);
    EXPECT_EQ(app.get("Visible"), Value(false));
    const Value book = app.get("ActiveWorkbook");
    ASSERT_TRUE(book.isObject());
    EXPECT_TRUE(book.object().isNull());
    EXPECT_TRUE(app.get("ActiveSheet").object().isNull());
    EXPECT_EQ(errorNumber([&] { app.get("Worksheets"); }), 1004);
    EXPECT_EQ(app.get("Workbooks").get("Count"), Value(std::int32_t(0)));

    app.put("Visible", true);
    EXPECT_EQ(app.get("Visible"), Value(true));
}

TEST_F(ApplicationTest, AddsWorkbooksAndSheetsAndMakesThemActive)
{
    const Object app = w.local.createObject("Excel.Application");
    const Value book = app.get("Workbooks").call("Add");
    EXPECT_EQ(app.get("ActiveWorkbook"), book);
    EXPECT_EQ(book.get("Name").toText(), "工作簿1");
    EXPECT_EQ(book.get("Worksheets").get("Count"), Value(std::int32_t(1)));

    const Value first = book.get("ActiveSheet");
    const Value added = app.get("Worksheets").call("Add");
    EXPECT_EQ(book.get("ActiveSheet"), added);
    EXPECT_EQ(added.get("Index"), Value(std::int32_t(1)));
    EXPECT_EQ(first.get("Index"), Value(std::int32_t(2)));
    EXPECT_EQ(book.get("Worksheets").get(automation::kDefaultMember, "Sheet1"), first);
    EXPECT_EQ(book.get("Sheets").get("Item", 1.0), added);
    EXPECT_EQ(errorNumber([&] { book.get("Worksheets").get("Item", 3.0); }), 9);

    // Before and After place a sheet where asked.
    const Value last = book.get("Worksheets").call("Add", automation::Named("After", first));
    EXPECT_EQ(last.get("Index"), Value(std::int32_t(3)));

    const Value second = app.get("Workbooks").call("Add");
    EXPECT_EQ(app.get("ActiveWorkbook"), second);
    EXPECT_EQ(app.get("Workbooks").get("Count"), Value(std::int32_t(2)));
}

TEST_F(ApplicationTest, SheetNamesThatNoFileCouldHoldOrThatClashAreRefused)
{
    const Object app = w.local.createObject("Excel.Application");
    const Value book = app.get("Workbooks").call("Add");
    const Value first = book.get("ActiveSheet");
    const Value second = book.get("Worksheets").call("Add");
    second.put("Name", "数据");

    for (const char* bad : {"", "a/b", "[1]", "'x'", "数据", "a\tb", "0123456789012345678901234567890123"})
        EXPECT_EQ(errorNumber([&] { first.put("Name", bad); }), 1004) << bad;
    EXPECT_EQ(first.get("Name").toText(), "Sheet1");
    EXPECT_EQ(errorNumber([&] { second.put("Name", "sheet1"); }), 1004);
    EXPECT_EQ(errorNumber([&] { second.put("Name", "\xE6\x95\xB0\xFF"); }), 1004); // not UTF-8
    second.put("Name", "Äpfel");
    EXPECT_EQ(errorNumber([&] { first.put("Name", "äPFEL"); }), 1004);

    first.put("Name", "SHEET1"); // its own name in other letters is no clash
    EXPECT_EQ(first.get("Name").toText(), "SHEET1");

    // A sheet added later skips names already taken.
    second.put("Name", "Sheet3");
    EXPECT_EQ(book.get("Worksheets").call("Add").get("Name").toText(), "Sheet4");
}

TEST_F(ApplicationTest, CaptionNamesTheActiveWorkbookAndIsNotTheProgramTitle)
{
    const Object app = w.local.createObject("Excel.Application");
    EXPECT_EQ(app.get("Caption").toText(), "Tessavo 表格");
    app.get("Workbooks").call("Add");
    EXPECT_EQ(app.get("Caption").toText(), "工作簿1 - Tessavo 表格");
    EXPECT_NE(app.get("Caption").toText(), automation::kProgramTitle);
}

TEST_F(ApplicationTest, MemberNamesAreCaseInsensitiveAndUnknownOnesAreRefused)
{
    const Object app = w.local.createObject("Excel.Application");
    app.get("workbooks").call("ADD");
    EXPECT_FALSE(app.get("activeworkbook").object().isNull());
    EXPECT_EQ(errorNumber([&] { app.get("Workbookz"); }), 438);
    EXPECT_EQ(errorNumber([&] { app.put("Caption", "x"); }), 438);
}

TEST_F(ApplicationTest, AfterQuitEveryObjectAnswersWithAnErrorInsteadOfFreedMemory)
{
    Object app = w.local.createObject("Excel.Application");
    const Value book = app.get("Workbooks").call("Add");
    const Value worksheet = book.get("ActiveSheet");
    const Value cell = worksheet.get("Cells", 1.0, 1.0);
    const Value books = app.get("Workbooks");
    const Value sheets = book.get("Worksheets");

    app.call("Quit");
    app = Object(); // the table released its reference too: only the handles below remain

    EXPECT_EQ(errorNumber([&] { w.local.getActiveObject("Excel.Application"); }), 429);
    for (const Value* v : {&book, &worksheet, &cell, &books, &sheets})
        EXPECT_EQ(errorNumber([&] { v->get("Count"); }), automation::errors::kDisconnected);
    EXPECT_EQ(errorNumber([&] { cell.put(automation::kDefaultMember, 1.0); }), automation::errors::kDisconnected);
}

TEST_F(ApplicationTest, UnionJoinsRangesOfOneSheetOnly)
{
    const Object app = w.local.createObject("Excel.Application");
    app.get("Workbooks").call("Add");
    const Value s1 = app.get("ActiveSheet");
    const Value s2 = app.get("Worksheets").call("Add");

    Value u = app.call("Union", s1.get("Rows", 3.0), s1.get("Rows", 5.0));
    u = app.call("Union", u, s1.get("Rows", 9.0));
    EXPECT_EQ(u.get("Address").toText(), "$3:$3,$5:$5,$9:$9");
    // Uniting a row with itself is that row.
    EXPECT_EQ(app.call("Union", s1.get("Rows", 4.0), s1.get("Rows", 4.0)).get("Address").toText(), "$4:$4");

    EXPECT_EQ(errorNumber([&] { app.call("Union", s1.get("Rows", 3.0), s2.get("Rows", 3.0)); }), 1004);
    EXPECT_EQ(errorNumber([&] { app.call("Union", s1.get("Rows", 3.0), 2.0); }), 424);
    EXPECT_EQ(errorNumber([&] { app.call("Union", s1.get("Rows", 3.0)); }), 449);
}

TEST_F(ApplicationTest, EarlierUnionsKeepTheirAreasWhenALaterOneGrows)
{
    const Object app = w.local.createObject("Excel.Application");
    app.get("Workbooks").call("Add");
    const Value s = app.get("ActiveSheet");
    const Value ab = app.call("Union", s.get("Rows", 1.0), s.get("Rows", 2.0));
    const Value abc = app.call("Union", ab, s.get("Rows", 3.0));
    const Value abd = app.call("Union", ab, s.get("Rows", 4.0));
    EXPECT_EQ(ab.get("Address").toText(), "$1:$1,$2:$2");
    EXPECT_EQ(abc.get("Address").toText(), "$1:$1,$2:$2,$3:$3");
    EXPECT_EQ(abd.get("Address").toText(), "$1:$1,$2:$2,$4:$4");
}

} // namespace
