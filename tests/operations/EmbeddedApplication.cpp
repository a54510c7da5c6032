#include "testsupport/SpreadsheetWorld.h"

// This program runs the operations against the embedded spreadsheet; the LibreOffice tests run them against
// LibreOffice Calc.
std::vector<testsupport::Application> testsupport::applicationsUnderTest()
{
    return {Application::Embedded};
}
