#include "link/com/ComHost.h"

#include "link/Module1.h"
#include "link/com/ComErrors.h"
#include "link/com/ComPtr.h"
#include "link/com/DispatchClient.h"
#include "link/com/WideText.h"
#include "objectmodel/Names.h"

#include <ole2.h>

#include <algorithm>
#include <variant>

namespace automation::com {

namespace {

// Failures that mean "no such server here", which callers know as error 429.
bool meansNoServer(HRESULT hr)
{
    return hr == REGDB_E_CLASSNOTREG || hr == CO_E_CLASSSTRING || hr == CO_E_APPNOTFOUND || hr == MK_E_UNAVAILABLE ||
           hr == E_NOINTERFACE;
}

AutomationError hostFailure(HRESULT hr, std::string_view className)
{
    AutomationError error = failure(hr, className);
    if (meansNoServer(hr))
        return {errors::kCannotCreateObject, error.description()};
    return error;
}

// CLSIDFromProgID's answers for a ProgID that is not registered here.
bool meansUnknownClass(HRESULT hr)
{
    return hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG;
}

// The class id of `className`, or the failure code when the name is unknown here. Throws for any other failure.
std::variant<CLSID, HRESULT> lookUp(std::string_view className)
{
    const std::wstring name = toUtf16(className);
    CLSID clsid{};
    const HRESULT hr =
        name.starts_with(L'{') ? CLSIDFromString(name.c_str(), &clsid) : CLSIDFromProgID(name.c_str(), &clsid);
    if (SUCCEEDED(hr))
        return clsid;
    if (meansUnknownClass(hr))
        return hr;
    throw hostFailure(hr, className);
}

// ProgIDs are ASCII and compared without regard to case.
bool sameClassName(std::string_view a, std::string_view b)
{
    return objectmodel::sameName(a, b);
}

} // namespace

// The classes to try for a name, each with the name it was found under, which is what its failures name; and why
// the name asked for is not among them when it is not registered.
struct ComHost::Candidates {
    struct Found {
        CLSID clsid;
        std::string_view name;
    };
    std::vector<Found> found;
    HRESULT unknown = S_OK;
};

ComHost::ComHost(std::vector<ClassAlternatives> alternatives) : m_alternatives(std::move(alternatives)) {}

ComHost ComHost::forSpreadsheet()
{
    return ComHost({{std::string(kSpreadsheetClass), {"Ket.Application", "ET.Application"}}});
}

ComHost::Candidates ComHost::resolve(std::string_view className) const
{
    Candidates candidates;
    const std::variant<CLSID, HRESULT> asked = lookUp(className);
    if (const CLSID* clsid = std::get_if<CLSID>(&asked)) {
        candidates.found.push_back({*clsid, className});
        return candidates;
    }
    candidates.unknown = std::get<HRESULT>(asked);
    for (const ClassAlternatives& entry : m_alternatives) {
        if (!sameClassName(entry.className, className))
            continue;
        for (const std::string& alternative : entry.alternatives) {
            const std::variant<CLSID, HRESULT> found = lookUp(alternative);
            if (const CLSID* clsid = std::get_if<CLSID>(&found))
                candidates.found.push_back({*clsid, alternative});
        }
    }
    return candidates;
}

Object ComHost::firstThatAnswers(std::string_view className, Attempt attempt) const
{
    const Candidates candidates = resolve(className);
    for (const Candidates::Found& c : candidates.found) {
        ComPtr<IDispatch> dispatch;
        HRESULT hr = attempt(c.clsid, dispatch);
        if (SUCCEEDED(hr) && !dispatch)
            hr = E_NOINTERFACE;
        if (SUCCEEDED(hr))
            return DispatchClient::wrap(dispatch.get());
        // The class asked for, registered, fails as itself; an alternative that does not answer gives way to the next.
        if (candidates.unknown == S_OK)
            throw hostFailure(hr, c.name);
    }
    throw hostFailure(candidates.unknown, className);
}

Object ComHost::getActiveObject(std::string_view className)
{
    return firstThatAnswers(className, [](const CLSID& clsid, ComPtr<IDispatch>& dispatch) {
        ComPtr<IUnknown> unknown;
        HRESULT hr = GetActiveObject(clsid, nullptr, unknown.put());
        if (SUCCEEDED(hr) && !unknown)
            hr = MK_E_UNAVAILABLE;
        return SUCCEEDED(hr) ? unknown.query(dispatch) : hr;
    });
}

Object ComHost::createObject(std::string_view className)
{
    return firstThatAnswers(className, [](const CLSID& clsid, ComPtr<IDispatch>& dispatch) {
        return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, dispatch.putVoid());
    });
}

} // namespace automation::com
