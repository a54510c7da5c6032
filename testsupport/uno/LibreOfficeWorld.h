#pragma once

#include "testsupport/SpreadsheetWorld.h"
#include "testsupport/uno/TestOffice.h"

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

namespace testsupport {

/// Makes SpreadsheetWorld's LibreOffice a workbook in `office`: each world closes what an earlier one left open,
/// opens one workbook as the user does, and reaches it through a host of its own.
void provideLibreOffice(TestOffice& office);

/// Opens a new workbook in `office` as the user does (hidden: the office has no windows).
css::uno::Reference<css::sheet::XSpreadsheetDocument> openAsUser(TestOffice& office);
/// The first sheet of `document`.
css::uno::Reference<css::sheet::XSpreadsheet>
firstSheet(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document);

} // namespace testsupport
