#include "testsupport/SpreadsheetWorld.h"

namespace testsupport {

SpreadsheetWorld::SpreadsheetWorld() : SpreadsheetWorld(Options{}) {}

SpreadsheetWorld::SpreadsheetWorld(Options options)
    : module(options.faults ? static_cast<automation::AutomationHost&>(faulty) : local, desktop)
{
    options.registration(local);
    switch (options.start) {
    case Start::Nothing:
        break;
    case Start::Application:
        startByUser(false);
        break;
    case Start::Workbook:
        startByUser(true);
        break;
    case Start::OpenExcel:
        openExcel();
        break;
    }
}

sheet::Application& SpreadsheetWorld::startByUser(bool withWorkbook)
{
    app = sheet::documentOf<sheet::Application>(local.createObject(automation::kSpreadsheetClass));
    if (withWorkbook)
        app->addWorkbook();
    desktop.windows = {std::string(automation::kProgramTitle), app->caption()};
    return *app;
}

sheet::Application* SpreadsheetWorld::openExcel()
{
    module.OpenExcel();
    app = module.xlApp.isObject() ? sheet::documentOf<sheet::Application>(innerObject(module.xlApp.object())) : nullptr;
    return app;
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
