// The program against LibreOffice Calc as a user meets it: an office already running with their workbook, none
// running, one closed between two clicks, one killed during an edit.
#include "link/uno/CalcHost.h"
#include "link/Module1.h"
#include "operations/Operations.h"
#include "testsupport/FakeDesktop.h"
#include "testsupport/uno/LibreOfficeWorld.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XNumberFormatTypes.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using Message = testsupport::FakeDesktop::Message;

int documentCount(testsupport::TestOffice& office)
{
    int n = 0;
    const auto e = office.connection().desktop()->getComponents()->createEnumeration();
    for (; e->hasMoreElements(); e->nextElement())
        ++n;
    return n;
}

std::size_t sheetCount(const Reference<css::sheet::XSpreadsheetDocument>& doc)
{
    return static_cast<std::size_t>(
        Reference<css::container::XIndexAccess>(doc->getSheets(), UNO_QUERY_THROW)->getCount());
}

// Rows 1 to `rows`: odd rows hold their number in column 1, even rows are blank.
void fillEveryOtherRow(const Reference<css::sheet::XSpreadsheet>& sheet, int rows)
{
    css::uno::Sequence<css::uno::Sequence<css::uno::Any>> data(rows);
    for (int r = 0; r < rows; ++r) {
        css::uno::Sequence<css::uno::Any> row(1);
        if (r % 2 == 0)
            row.getArray()[0] <<= double(r + 1);
        else
            row.getArray()[0] <<= rtl::OUString();
        data.getArray()[r] = row;
    }
    Reference<css::sheet::XCellRangeData>(sheet->getCellRangeByPosition(0, 0, 0, rows - 1), UNO_QUERY_THROW)
        ->setDataArray(data);
}

// The program as it starts: Module1 linked to LibreOffice through the host, messages recorded.
struct Program {
    explicit Program(testsupport::TestOffice& office) : host(office.options()) {}
    automation::uno::CalcHost host;
    testsupport::FakeDesktop desktop;
    automation::Module1 module{host, desktop};
};

TEST(LibreOfficeRunning, TheUsersOwnSheetIsEditedAndNothingIsOpened)
{
    testsupport::TestOffice office("attach");
    const auto doc = testsupport::openAsUser(office);
    const auto sheet = testsupport::firstSheet(doc);
    sheet->getCellByPosition(0, 0)->setValue(1);
    sheet->getCellByPosition(0, 3)->setFormula("four");
    Program program(office);

    operations::deleteBlankRows(program.module, program.desktop, "1", "4");

    EXPECT_EQ(program.desktop.messages, (std::vector<Message>{{"数据处理完成,共删除空行 2 个!", "提示", 64}}));
    EXPECT_EQ(sheet->getCellByPosition(0, 1)->getFormula(), "four");
    EXPECT_EQ(documentCount(office), 1);
    EXPECT_EQ(sheetCount(doc), 1u);
}

TEST(LibreOfficeRunning, AnEditByTheUserBetweenTwoClicksIsSeen)
{
    testsupport::TestOffice office("edits");
    const auto sheet = testsupport::firstSheet(testsupport::openAsUser(office));
    sheet->getCellByPosition(0, 0)->setValue(1);
    sheet->getCellByPosition(0, 3)->setValue(4);
    Program program(office);
    operations::selectBlankRows(program.module, program.desktop, "1", "4");

    // Row 2 is no longer blank, and a value far right fills row 3: neither may be deleted.
    sheet->getCellByPosition(5, 1)->setFormula("the user's");
    sheet->getCellByPosition(19, 2)->setValue(3);
    operations::deleteBlankRows(program.module, program.desktop, "1", "4");

    ASSERT_EQ(program.desktop.messages.size(), 2u);
    EXPECT_EQ(program.desktop.messages[0].text, "数据处理完成,共选择空行 2 个!");
    EXPECT_EQ(program.desktop.messages[1].text, "数据处理完成,共删除空行 0 个!");
    EXPECT_EQ(sheet->getCellByPosition(5, 1)->getFormula(), "the user's");
}

TEST(LibreOfficeRunning, AnOfficeWithoutASpreadsheetIsNotFoundAndTheProgramOpensOne)
{
    testsupport::TestOffice office("empty");
    Program program(office);

    EXPECT_THROW(program.host.getActiveObject("Excel.Application"), automation::AutomationError);
    program.module.OpenExcel();

    EXPECT_TRUE(program.desktop.messages.empty());
    ASSERT_TRUE(program.module.xlSheet);
    EXPECT_EQ(documentCount(office), 1);
    // A new workbook of one sheet, and one sheet added before it: the bound one.
    EXPECT_EQ(program.module.xlBook.get("Worksheets").get("Count").toInt32(), 2);
    EXPECT_EQ(program.module.xlSheet.get("Index").toInt32(), 1);
}

TEST(LibreOfficeRunning, CellsKeepTheirKinds)
{
    testsupport::TestOffice office("kinds");
    const auto doc = testsupport::openAsUser(office);
    const auto sheet = testsupport::firstSheet(doc);
    sheet->getCellByPosition(0, 0)->setValue(45000.5);
    // A date format on B1.
    const auto formats = Reference<css::util::XNumberFormatsSupplier>(doc, UNO_QUERY_THROW)->getNumberFormats();
    const sal_Int32 date = Reference<css::util::XNumberFormatTypes>(formats, UNO_QUERY_THROW)
                               ->getStandardFormat(css::util::NumberFormat::DATE, css::lang::Locale());
    const auto b1 = sheet->getCellByPosition(1, 0);
    b1->setValue(45000);
    Reference<css::beans::XPropertySet>(b1, UNO_QUERY_THROW)->setPropertyValue("NumberFormat", css::uno::Any(date));
    sheet->getCellByPosition(2, 0)->setFormula("text");
    sheet->getCellByPosition(3, 0)->setFormula("=NA()");
    sheet->getCellByPosition(4, 0)->setFormula("=1/0");
    Program program(office);
    const automation::Object app = program.host.getActiveObject("Excel.Application");
    const automation::Value active = app.get("ActiveSheet");

    EXPECT_EQ(active.get("Cells", 1, 1).get("Value"), automation::Value(45000.5));
    EXPECT_EQ(active.get("Cells", 1, 2).get("Value"), automation::Value(automation::Date{45000}));
    EXPECT_EQ(active.get("Cells", 1, 3).get("Value"), automation::Value("text"));
    EXPECT_EQ(active.get("Cells", 1, 4).get("Value"), automation::Value(automation::ErrorValue{2042}));
    EXPECT_EQ(active.get("Cells", 1, 5).get("Value"), automation::Value(automation::ErrorValue{2007}));
    EXPECT_TRUE(active.get("Cells", 1, 6).get("Value").isEmpty());
    EXPECT_TRUE(active.get("Cells", 1048576, 16384).get("Value").isEmpty());
}

TEST(LibreOfficeRunning, WhatTheProgramWritesIsReadBackFormulasIncluded)
{
    testsupport::TestOffice office("writes");
    const auto sheet = testsupport::firstSheet(testsupport::openAsUser(office));
    sheet->getCellByPosition(0, 0)->setValue(1);
    sheet->getCellByPosition(1, 0)->setFormula("=A1*2");
    sheet->getCellByPosition(2, 0)->setFormula("=IF(ROW(C3)=3;\"\";\"moved\")");
    Program program(office);
    const automation::Value active = program.host.getActiveObject("Excel.Application").get("ActiveSheet");
    ASSERT_EQ(active.get("Cells", 1, 2).get("Value"), automation::Value(2.0));
    ASSERT_EQ(active.get("Cells", 1, 3).get("Value"), automation::Value());

    // The program's own writes and deletions change what formulas show, here and elsewhere in the row.
    active.get("Cells", 1, 1).put("Value", 5.0);
    EXPECT_EQ(active.get("Cells", 1, 2).get("Value"), automation::Value(10.0));
    active.get("Rows", 2).call("Delete");
    EXPECT_EQ(active.get("Cells", 1, 3).get("Value"), automation::Value("moved"));
    // An error value written is an error value read, not a comparison that fails.
    EXPECT_NO_THROW(active.get("Cells", 1, 4).put("Value", automation::ErrorValue{2042}));
    EXPECT_EQ(active.get("Cells", 1, 4).get("Value"), automation::Value(automation::ErrorValue{2042}));
}

TEST(LibreOfficeStart, WithNoOfficeRunningOneIsStartedWithANewWorkbook)
{
    testsupport::TestOffice office("start", false);
    Program program(office);

    program.module.OpenExcel();

    EXPECT_TRUE(program.desktop.messages.empty());
    ASSERT_TRUE(program.module.xlSheet);
    EXPECT_NE(office.pid(), 0);
    EXPECT_EQ(program.module.xlSheet.get("Index").toInt32(), 1);
    EXPECT_EQ(program.module.xlApp.get("Visible"), automation::Value(true));
    // An office without windows shows no title of its own: the workbook's is the caption.
    EXPECT_NE(program.module.xlApp.get("Caption").toText().find("LibreOffice Calc"), std::string::npos);
}

TEST(LibreOfficeStart, AnOfficeClosedBetweenTwoClicksIsStartedAgain)
{
    testsupport::TestOffice office("closed");
    fillEveryOtherRow(testsupport::firstSheet(testsupport::openAsUser(office)), 4);
    Program program(office);
    operations::deleteBlankRows(program.module, program.desktop, "1", "4");
    office.stop();

    operations::deleteBlankRows(program.module, program.desktop, "1", "4");

    ASSERT_EQ(program.desktop.messages.size(), 2u);
    EXPECT_EQ(program.desktop.messages[0].text, "数据处理完成,共删除空行 2 个!");
    // A new office with a new, blank workbook: four blank rows.
    EXPECT_EQ(program.desktop.messages[1].text, "数据处理完成,共删除空行 4 个!");
    EXPECT_NE(office.pid(), 0);
}

TEST(LibreOfficeStart, AnOfficeKilledDuringAnEditEndsTheClickWithAMessage)
{
    testsupport::TestOffice office("killed");
    fillEveryOtherRow(testsupport::firstSheet(testsupport::openAsUser(office)), 6000);
    Program program(office);
    program.module.OpenExcel();
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        office.kill();
    });

    const auto begin = std::chrono::steady_clock::now();
    operations::deleteBlankRows(program.module, program.desktop, "1", "6000");
    const auto took = std::chrono::steady_clock::now() - begin;
    killer.join();

    // The first message is the failure: the office went before the count could be told.
    ASSERT_FALSE(program.desktop.messages.empty());
    EXPECT_EQ(program.desktop.messages.back().text, "请检查输入的数据");
    EXPECT_LT(took, std::chrono::seconds(30));
    try {
        program.module.xlSheet.get("Cells", 1, 1).get("Value");
        ADD_FAILURE() << "a dead office answered";
    } catch (const automation::AutomationError& e) {
        EXPECT_EQ(e.number(), automation::errors::kDisconnected) << e.description();
    }
}

TEST(LibreOfficeStart, AHungOfficeEndsTheClickWithAMessageInBoundedTime)
{
    testsupport::TestOffice office("hung");
    fillEveryOtherRow(testsupport::firstSheet(testsupport::openAsUser(office)), 4);
    Program program(office);
    program.module.OpenExcel();
    office.freeze(true);

    const auto begin = std::chrono::steady_clock::now();
    operations::deleteBlankRows(program.module, program.desktop, "1", "4");
    const auto took = std::chrono::steady_clock::now() - begin;
    office.freeze(false);

    ASSERT_FALSE(program.desktop.messages.empty());
    EXPECT_EQ(program.desktop.messages.back().text, "请检查输入的数据");
    EXPECT_LT(took, office.options().callTimeout + std::chrono::seconds(10));
}

} // namespace
