#include "link/uno/CalcHost.h"
#include "link/Module1.h"
#include "operations/Operations.h"
#include "testsupport/FakeDesktop.h"
#include "testsupport/uno/LibreOfficeWorld.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCell.hpp>

#include <gtest/gtest.h>

namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

Reference<css::sheet::XSpreadsheet> firstSheet(const Reference<css::sheet::XSpreadsheetDocument>& doc)
{
    const Reference<css::container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
    return Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(0), UNO_QUERY_THROW);
}

TEST(CalcHost, AttachesToTheUsersSheetAndDeletesItsBlankRows)
{
    testsupport::TestOffice office("attach");
    const auto sheet = firstSheet(testsupport::openAsUser(office));
    sheet->getCellByPosition(0, 0)->setValue(1);
    sheet->getCellByPosition(0, 3)->setFormula("four");
    automation::uno::CalcHost host(office.options());
    testsupport::FakeDesktop desktop;
    automation::Module1 module(host, desktop);

    operations::deleteBlankRows(module, desktop, "1", "4");

    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "数据处理完成,共删除空行 2 个!");
    EXPECT_EQ(sheet->getCellByPosition(0, 1)->getFormula(), "four");
    office.stop();
}

} // namespace
