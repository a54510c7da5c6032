#include "tests/win/ComTestSupport.h"

#include <windows.h>

#include <stdexcept>

namespace wintest {

HRESULT RecordingServer::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}

HRESULT RecordingServer::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT RecordingServer::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* result)
{
    lookups.emplace_back(names, names + count);
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        auto it = ids.find(names[i]);
        result[i] = it == ids.end() ? DISPID_UNKNOWN : it->second;
        hr = it == ids.end() ? DISP_E_UNKNOWNNAME : hr;
    }
    return hr;
}

HRESULT RecordingServer::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT* argumentError)
{
    if (argumentError && refusedArgument)
        *argumentError = *refusedArgument;
    Call call{id, flags, {params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs}, {}};
    for (UINT i = 0; i < params->cArgs; ++i)
        VariantCopy(call.args.emplace_back().put(), &params->rgvarg[i]);
    calls.push_back(std::move(call));
    return answer ? answer(calls.back(), result, exception) : S_OK;
}

namespace {

#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor" // COM objects go by their own Release
#endif

std::atomic<long> g_liveBlocks{0};

// Lives as long as the process: COM may call it until the last block it watched is freed.
class CountingSpy final : public IMallocSpy {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == IID_IMallocSpy ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override
    {
        g_liveBlocks += actual ? 1 : 0;
        return actual;
    }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL watched) override
    {
        g_liveBlocks -= request && watched ? 1 : 0;
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL watched) override
    {
        m_reallocNew = request == nullptr;
        g_liveBlocks -= request && size == 0 && watched ? 1 : 0;
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override
    {
        g_liveBlocks += m_reallocNew && actual ? 1 : 0;
        return actual;
    }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    bool m_reallocNew = false;
};

class FunctionFactory final : public Counted<IClassFactory> {
public:
    explicit FunctionFactory(std::function<ComPtr<IDispatch>()> make) : m_make(std::move(make)) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ComPtr<IDispatch> made = m_make();
        return made ? made->QueryInterface(iid, out) : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    std::function<ComPtr<IDispatch>()> m_make;
};

void check(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        throw std::runtime_error(std::string(what) + " failed: " + std::to_string(static_cast<unsigned long>(hr)));
}

// Writes progId\CLSID under `root`; true when CLSIDFromProgID then finds `clsid`.
bool registerProgId(HKEY root, const std::wstring& path, const CLSID& clsid, const std::wstring& progId)
{
    wchar_t text[64];
    StringFromGUID2(clsid, text, 64);
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, (path + L"\\CLSID").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr))
        throw std::runtime_error("cannot register the test class");
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    CLSID found{};
    return SUCCEEDED(CLSIDFromProgID(progId.c_str(), &found)) && IsEqualCLSID(found, clsid);
}

} // namespace

AllocationSpy& AllocationSpy::instance()
{
    static CountingSpy spy;
    static AllocationSpy registered = [] {
        check(CoRegisterMallocSpy(&spy), "CoRegisterMallocSpy");
        return AllocationSpy();
    }();
    return registered;
}

long AllocationSpy::live() const
{
    return g_liveBlocks.load();
}

bool AllocationSpy::works() const
{
    const long before = live();
    BSTR probe = SysAllocString(L"probe");
    const bool seen = live() == before + 1;
    SysFreeString(probe);
    return seen && live() == before;
}

RegisteredClass::RegisteredClass(std::wstring progId, IUnknown* running, std::function<ComPtr<IDispatch>()> factory)
    : m_progId(std::move(progId))
{
    check(CoCreateGuid(&m_clsid), "CoCreateGuid");
    // Windows finds a user's classes under HKCU; Wine only under the classes root, which it lets anyone write.
    if (!registerProgId(HKEY_CURRENT_USER, L"Software\\Classes\\" + m_progId, m_clsid, m_progId)) {
        m_classesRoot = true;
        if (!registerProgId(HKEY_CLASSES_ROOT, m_progId, m_clsid, m_progId))
            throw std::runtime_error("the test class name does not resolve");
    }
    if (running)
        check(RegisterActiveObject(running, m_clsid, ACTIVEOBJECT_STRONG, &m_activeCookie), "RegisterActiveObject");
    if (factory) {
        const ComPtr<IUnknown> classObject = ComPtr<IUnknown>::attach(new FunctionFactory(std::move(factory)));
        check(CoRegisterClassObject(m_clsid, classObject.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                    &m_factoryCookie),
              "CoRegisterClassObject");
    }
}

RegisteredClass::~RegisteredClass()
{
    if (m_activeCookie)
        RevokeActiveObject(m_activeCookie, nullptr);
    if (m_factoryCookie)
        CoRevokeClassObject(m_factoryCookie);
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + m_progId).c_str());
    if (m_classesRoot)
        RegDeleteTreeW(HKEY_CLASSES_ROOT, m_progId.c_str());
}

} // namespace wintest
