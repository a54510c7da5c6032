#include "testsupport/SpreadsheetWorld.h"

#include "objectmodel/Application.h"

#include <stdexcept>

namespace testsupport {

namespace {

OtherApplicationFactory g_others = nullptr;

std::unique_ptr<OtherApplication> otherFor(Application application)
{
    if (application == Application::Embedded)
        return nullptr;
    if (!g_others)
        throw std::logic_error("this test program runs against the embedded spreadsheet only");
    return g_others(application);
}

} // namespace

std::string_view nameOf(Application application)
{
    return application == Application::Embedded ? "Embedded" : "LibreOffice";
}

void provideOtherApplications(OtherApplicationFactory factory)
{
    g_others = factory;
}

SpreadsheetWorld::SpreadsheetWorld() : SpreadsheetWorld(Options{}) {}

SpreadsheetWorld::SpreadsheetWorld(Options options)
    : other(otherFor(options.application)),
      faulty(other ? other->host() : static_cast<automation::AutomationHost&>(local), plan),
      module(options.faults ? static_cast<automation::AutomationHost&>(faulty)
             : other        ? other->host()
                            : local,
             desktop)
{
    options.registration(local);
    switch (options.start) {
    case Start::Nothing:
        break;
    case Start::Application:
    case Start::Workbook:
        if (other) {
            document = other->startByUser(options.start == Start::Workbook);
            desktop.windows = {std::string(automation::kProgramTitle), document ? document->caption() : ""};
        } else {
            startByUser(options.start == Start::Workbook);
        }
        break;
    case Start::OpenExcel:
        openExcel();
        break;
    }
}

sheet::Application& SpreadsheetWorld::startByUser(bool withWorkbook)
{
    if (other)
        throw std::logic_error("startByUser gives the embedded spreadsheet; the world starts any other itself");
    app = sheet::documentOf<sheet::Application>(local.createObject(automation::kSpreadsheetClass));
    document = app;
    if (withWorkbook)
        app->addWorkbook();
    desktop.windows = {std::string(automation::kProgramTitle), app->caption()};
    return *app;
}

sheet::Application* SpreadsheetWorld::openExcel()
{
    module.OpenExcel();
    const automation::Object bound =
        module.xlApp.isObject() ? innerObject(module.xlApp.object()) : automation::Object();
    const auto* facade = objectmodel::modelObject<objectmodel::Application>(bound);
    document = facade ? &facade->document() : nullptr;
    app = other ? nullptr : sheet::documentOf<sheet::Application>(bound);
    return app;
}

void SpreadsheetWorld::set(int row, int column, const automation::Value& v) const
{
    if (other)
        activeSheet().fill(objectmodel::AreaList({row, column, row, column}), v);
    else
        grid().setCell(row, column, sheet::toCell(v));
}

std::string SpreadsheetWorld::selection() const
{
    return other ? other->selection(activeSheet()) : sheet().selection().address();
}

void SpreadsheetWorld::closeApplication()
{
    if (other)
        other->closeAll();
    else
        app->quit();
}

sheet::Application* SpreadsheetWorld::running() const
{
    return sheet::documentOf<sheet::Application>(runningObject());
}

automation::Object SpreadsheetWorld::runningObject() const
{
    return local.runningObjects()->find(automation::kSpreadsheetClass);
}

std::vector<std::string> SpreadsheetWorld::cells() const
{
    if (other)
        return other->cells(activeSheet());
    std::vector<std::string> out;
    grid().forEachCell([&](int r, int c, const sheet::CellView& v) {
        out.push_back(std::to_string(r) + "," + std::to_string(c) + "=" + sheet::toValue(v).toText());
    });
    return out;
}

std::vector<std::string> SpreadsheetWorld::calls(std::string_view prefix) const
{
    std::vector<std::string> out;
    for (const std::string& t : plan->trace)
        if (t.starts_with(prefix))
            out.push_back(t);
    return out;
}

} // namespace testsupport
