#include "link/uno/CalcHost.h"

#include "link/AutomationError.h"
#include "link/uno/CalcDocument.h"
#include "objectmodel/Application.h"
#include "objectmodel/Names.h"
#include "objectmodel/ObjectModel.h"

namespace automation::uno {

namespace {

void requireSpreadsheetClass(std::string_view className)
{
    if (objectmodel::foldedName(className) != objectmodel::foldedName(objectmodel::kApplicationClass))
        throw errors::cannotCreateObject();
}

} // namespace

CalcHost::CalcHost(OfficeOptions options) : m_options(std::move(options)) {}

CalcHost::~CalcHost() = default;

Object CalcHost::bind(std::shared_ptr<Office> office, bool visible)
{
    objectmodel::Ref<CalcApplication> document(new CalcApplication(std::move(office), visible));
    m_application = objectmodel::Ref<objectmodel::Application>(new objectmodel::Application(document)).object();
    m_document = document.get();
    return m_application;
}

Object CalcHost::getActiveObject(std::string_view className)
{
    requireSpreadsheetClass(className);
    if (m_document && m_document->isRunning() && !m_document->workbooks().empty())
        return m_application;
    if (!m_document || !m_document->isRunning()) {
        auto office = attachOffice(m_options);
        if (!office)
            throw errors::cannotCreateObject();
        const bool visible = !office->headless();
        bind(std::move(office), visible);
    }
    // An office with no spreadsheet open is not a spreadsheet application the user is working in.
    try {
        if (m_document->workbooks().empty())
            throw errors::cannotCreateObject();
    } catch (const AutomationError&) {
        throw errors::cannotCreateObject();
    }
    return m_application;
}

Object CalcHost::createObject(std::string_view className)
{
    requireSpreadsheetClass(className);
    return bind(startOffice(m_options), false);
}

} // namespace automation::uno
