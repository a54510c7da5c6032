#include "testsupport/uno/LibreOfficeWorld.h"

#include "link/uno/CalcDocument.h"
#include "link/uno/CalcHost.h"
#include "objectmodel/Application.h"
#include "objectmodel/ObjectModel.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include <algorithm>
#include <tuple>

namespace testsupport {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

TestOffice* g_office = nullptr;

objectmodel::Area areaOf(const css::table::CellRangeAddress& a)
{
    return {a.StartRow + 1, a.StartColumn + 1, a.EndRow + 1, a.EndColumn + 1};
}

class LibreOfficeApplication final : public OtherApplication {
public:
    explicit LibreOfficeApplication(TestOffice& office) : m_office(office), m_host(office.options()) {}

    automation::AutomationHost& host() override { return m_host; }

    objectmodel::ApplicationDocument* startByUser(bool withWorkbook) override
    {
        m_office.closeAll();
        if (!withWorkbook)
            return nullptr; // an office without a spreadsheet open is not found running
        openAsUser(m_office);
        m_application = m_host.getActiveObject(objectmodel::kApplicationClass);
        auto& document = objectmodel::modelObject<objectmodel::Application>(m_application)->document();
        // The user's workbook stays the active one, whatever the program opens beside it later.
        document.activeWorkbook()->activate();
        return &document;
    }

    std::vector<std::string> cells(objectmodel::SheetDocument& sheet) override
    {
        const auto& uno = dynamic_cast<automation::uno::CalcSheet&>(sheet).uno();
        using namespace css::sheet::CellFlags;
        const auto ranges = Reference<css::sheet::XCellRangesQuery>(uno, UNO_QUERY_THROW)
                                ->queryContentCells(VALUE | DATETIME | STRING | FORMULA)
                                ->getRangeAddresses();
        std::vector<std::tuple<int, int, std::string>> found;
        for (const auto& a : ranges)
            for (int r = a.StartRow + 1; r <= a.EndRow + 1; ++r)
                for (int c = a.StartColumn + 1; c <= a.EndColumn + 1; ++c)
                    found.emplace_back(r, c, sheet.cell(r, c).toText());
        std::sort(found.begin(), found.end());
        std::vector<std::string> out;
        for (const auto& [r, c, text] : found)
            out.push_back(std::to_string(r) + "," + std::to_string(c) + "=" + text);
        return out;
    }

    std::string selection(objectmodel::SheetDocument& sheet) override
    {
        const auto& book = dynamic_cast<automation::uno::CalcSheet&>(sheet).book();
        const Reference<css::frame::XModel> model(book.uno(), UNO_QUERY_THROW);
        const auto selected =
            Reference<css::view::XSelectionSupplier>(model->getCurrentController(), UNO_QUERY_THROW)->getSelection();
        css::uno::Sequence<css::table::CellRangeAddress> ranges;
        if (const Reference<css::sheet::XSheetCellRanges> many(selected, UNO_QUERY); many.is())
            ranges = many->getRangeAddresses();
        else {
            const auto one = Reference<css::sheet::XCellRangeAddressable>(selected, UNO_QUERY_THROW)->getRangeAddress();
            ranges = css::uno::Sequence<css::table::CellRangeAddress>(&one, 1);
        }
        // The office joins the neighbouring rows of a selection into one area; what counts is which rows are
        // selected, so whole rows are told one by one, as the embedded spreadsheet keeps them.
        objectmodel::AreaList areas;
        for (const auto& range : ranges) {
            const objectmodel::Area a = areaOf(range);
            if (!a.isWholeRows()) {
                areas = areas.appended(objectmodel::AreaList(a));
                continue;
            }
            for (int r = a.top; r <= a.bottom; ++r)
                areas = areas.appended(objectmodel::AreaList({r, a.left, r, a.right}));
        }
        return areas.address();
    }

    void closeAll() override { m_office.closeAll(); }

private:
    TestOffice& m_office;
    automation::uno::CalcHost m_host;
    automation::Object m_application;
};

std::unique_ptr<OtherApplication> makeLibreOffice(Application application)
{
    if (application != Application::LibreOffice || !g_office)
        throw std::logic_error("no test office for this application");
    return std::make_unique<LibreOfficeApplication>(*g_office);
}

} // namespace

void provideLibreOffice(TestOffice& office)
{
    g_office = &office;
    provideOtherApplications(&makeLibreOffice);
}

Reference<css::sheet::XSpreadsheetDocument> openAsUser(TestOffice& office)
{
    css::uno::Sequence<css::beans::PropertyValue> args(1);
    args.getArray()[0].Name = "Hidden";
    args.getArray()[0].Value <<= true;
    return Reference<css::sheet::XSpreadsheetDocument>(
        office.connection().desktop()->loadComponentFromURL("private:factory/scalc", "_blank", 0, args),
        UNO_QUERY_THROW);
}

Reference<css::sheet::XSpreadsheet> firstSheet(const Reference<css::sheet::XSpreadsheetDocument>& document)
{
    return Reference<css::sheet::XSpreadsheet>(
        Reference<css::container::XIndexAccess>(document->getSheets(), UNO_QUERY_THROW)->getByIndex(0),
        UNO_QUERY_THROW);
}

} // namespace testsupport
