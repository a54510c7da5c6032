#include "link/com/DispatchServer.h"

#include "link/com/Bstr.h"
#include "link/com/ComErrors.h"
#include "link/com/VariantConversion.h"
#include "link/com/WideText.h"
#include "objectmodel/Names.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

namespace automation::com {

namespace {

// Asked for by servedObject only: answers whether an interface pointer is one of ours, inside this process.
constexpr IID kServerIid = {0xe4d944f0, 0x21ef, 0x4488, {0x93, 0xdb, 0xc2, 0xac, 0xcc, 0x69, 0xb6, 0x81}};

std::atomic<long> g_live{0};

// One DISPID per name for the whole process: a client may look names up on one object and call another.
class NameTable {
public:
    DISPID idOf(std::string name)
    {
        std::string key = objectmodel::foldedName(name);
        std::lock_guard lock(m_mutex);
        auto [it, added] = m_ids.try_emplace(std::move(key), static_cast<DISPID>(m_names.size() + 1));
        if (added)
            m_names.push_back(std::move(name));
        return it->second;
    }
    /// The name first seen for `id`; false for an id never handed out.
    bool nameOf(DISPID id, std::string& name)
    {
        std::lock_guard lock(m_mutex);
        if (id < 1 || static_cast<std::size_t>(id) > m_names.size())
            return false;
        name = m_names[static_cast<std::size_t>(id) - 1];
        return true;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, DISPID> m_ids;
    std::vector<std::string> m_names;
};

NameTable& names()
{
    static NameTable table;
    return table;
}

bool isOmitted(const VARIANT& v)
{
    return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND;
}

HRESULT report(const AutomationError& error, EXCEPINFO* exception)
{
    const HRESULT code = failureCode(error.number());
    if (!exception)
        return code;
    *exception = EXCEPINFO{};
    exception->bstrSource = SysAllocString(L"Tessavo");
    exception->bstrDescription = Bstr(error.description()).detach();
    exception->scode = code;
    return DISP_E_EXCEPTION;
}

} // namespace

ComPtr<IDispatch> DispatchServer::serve(Object object)
{
    return ComPtr<IDispatch>::attach(new DispatchServer(std::move(object)));
}

Object DispatchServer::servedObject(IUnknown* unknown)
{
    if (!unknown)
        return {};
    ComPtr<IDispatch> ours;
    if (FAILED(unknown->QueryInterface(kServerIid, ours.putVoid())) || !ours)
        return {};
    return static_cast<DispatchServer*>(ours.get())->m_object;
}

long DispatchServer::liveCount() noexcept
{
    return g_live.load();
}

DispatchServer::DispatchServer(Object object) : m_object(std::move(object))
{
    ++g_live;
}

DispatchServer::~DispatchServer()
{
    --g_live;
}

HRESULT DispatchServer::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kServerIid) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG DispatchServer::AddRef()
{
    return ++m_refs;
}

ULONG DispatchServer::Release()
{
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT DispatchServer::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT DispatchServer::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT DispatchServer::GetIDsOfNames(REFIID, LPOLESTR* nameList, UINT count, LCID, DISPID* ids)
{
    if (!nameList || !ids)
        return E_POINTER;
    try {
        for (UINT i = 0; i < count; ++i) {
            const std::string name = nameList[i] ? toUtf8(nameList[i]) : std::string();
            ids[i] = i == 0 && name.empty() ? DISPID_VALUE : names().idOf(name);
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT DispatchServer::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argumentError)
{
    if (!params)
        return E_POINTER;
    long badArgument = -1; // the argument that has no value of ours, counted as rgvarg counts
    try {
        std::string member;
        if (id != DISPID_VALUE && !names().nameOf(id, member))
            return DISP_E_MEMBERNOTFOUND;

        const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
        const CallKind kind = put                                   ? CallKind::Put
                              : (flags & DISPATCH_PROPERTYGET) != 0 ? CallKind::Get
                                                                    : CallKind::Method;
        const UINT namedCount = params->cNamedArgs;
        const UINT count = params->cArgs;
        if (namedCount > count || (count > 0 && !params->rgvarg) || (namedCount > 0 && !params->rgdispidNamedArgs))
            return E_INVALIDARG;

        auto convert = [&](UINT index) {
            badArgument = static_cast<long>(index);
            Value v = fromVariant(params->rgvarg[index], Side::Server);
            badArgument = -1;
            return v;
        };

        // Positional arguments arrive last to first, after the named ones; omitted trailing ones are dropped.
        std::vector<Value> args;
        UINT last = namedCount;
        while (last < count && isOmitted(params->rgvarg[last]))
            ++last;
        for (UINT i = count; i > last; --i)
            args.push_back(convert(i - 1));

        std::vector<std::string> namedNames;
        std::vector<NamedArg> named;
        namedNames.reserve(namedCount);
        named.reserve(namedCount);
        bool havePutValue = false;
        Value putValue;
        for (UINT i = 0; i < namedCount; ++i) {
            const DISPID argumentId = params->rgdispidNamedArgs[i];
            if (argumentId == DISPID_PROPERTYPUT) {
                putValue = convert(i);
                havePutValue = true;
                continue;
            }
            std::string name;
            if (!names().nameOf(argumentId, name)) {
                if (argumentError)
                    *argumentError = i;
                return DISP_E_PARAMNOTFOUND;
            }
            namedNames.push_back(std::move(name));
            named.push_back({namedNames.back(), convert(i)});
        }
        if (put) {
            if (!havePutValue)
                return DISP_E_PARAMNOTOPTIONAL;
            args.push_back(std::move(putValue));
        }

        Value value = m_object.invoke(member, kind, args, named);
        if (result && !put)
            *result = toVariant(value).detach();
        return S_OK;
    } catch (const AutomationError& e) {
        if (badArgument >= 0) {
            if (argumentError)
                *argumentError = static_cast<UINT>(badArgument);
            return DISP_E_TYPEMISMATCH;
        }
        return report(e, exception);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

} // namespace automation::com
