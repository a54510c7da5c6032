#include "ComHost.h"

#include "ComErrors.h"
#include "ComPtr.h"
#include "DispatchClient.h"
#include "Utf16.h"

#include <ole2.h>

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

CLSID classId(std::string_view className)
{
    const std::wstring name = toUtf16(className);
    CLSID clsid{};
    const HRESULT hr = name.starts_with(L'{') ? CLSIDFromString(name.c_str(), &clsid)
                                               : CLSIDFromProgID(name.c_str(), &clsid);
    if (FAILED(hr))
        throw hostFailure(hr, className);
    return clsid;
}

} // namespace

Object ComHost::getActiveObject(std::string_view className)
{
    const CLSID clsid = classId(className);
    ComPtr<IUnknown> unknown;
    HRESULT hr = GetActiveObject(clsid, nullptr, unknown.put());
    if (FAILED(hr))
        throw hostFailure(hr, className);
    if (!unknown)
        throw hostFailure(MK_E_UNAVAILABLE, className);
    ComPtr<IDispatch> dispatch;
    hr = unknown.query(dispatch);
    if (FAILED(hr) || !dispatch)
        throw hostFailure(FAILED(hr) ? hr : E_NOINTERFACE, className);
    return DispatchClient::wrap(dispatch.get());
}

Object ComHost::createObject(std::string_view className)
{
    const CLSID clsid = classId(className);
    ComPtr<IDispatch> dispatch;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, dispatch.putVoid());
    if (FAILED(hr) || !dispatch)
        throw hostFailure(FAILED(hr) ? hr : E_NOINTERFACE, className);
    return DispatchClient::wrap(dispatch.get());
}

} // namespace automation::com
