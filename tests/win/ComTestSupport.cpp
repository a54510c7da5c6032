#include "ComTestSupport.h"

#include "Utf16.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace wintest {

HRESULT RecordingServer::QueryInterface(REFIID iid, void** out)
{
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG RecordingServer::Release()
{
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

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
    if (FAILED(gone))
        return gone;
    std::vector<std::wstring> asked(names, names + count);
    lookups.push_back(asked);
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        auto it = ids.find(asked[i]);
        result[i] = it == ids.end() ? DISPID_UNKNOWN : it->second;
        if (it == ids.end())
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT RecordingServer::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT*)
{
    if (FAILED(gone))
        return gone;
    Call call{id, flags, {}, {}};
    call.namedIds.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    for (UINT i = 0; i < params->cArgs; ++i) {
        Variant copy;
        VariantCopy(copy.put(), &params->rgvarg[i]);
        call.args.push_back(std::move(copy));
    }
    calls.push_back(std::move(call));
    return answer ? answer(calls.back(), result, exception) : S_OK;
}

namespace {

std::atomic<long> g_liveBlocks{0};

#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor" // COM objects go by their own Release
#endif

class CountingSpy final : public IMallocSpy {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
            *out = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives as long as the process: COM may call it until the last block it watched is freed.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override
    {
        if (actual)
            ++g_liveBlocks;
        return actual;
    }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL watched) override
    {
        if (request && watched)
            --g_liveBlocks;
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL watched) override
    {
        m_reallocNew = request == nullptr;
        if (request && size == 0 && watched)
            --g_liveBlocks;
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override
    {
        if (m_reallocNew && actual)
            ++g_liveBlocks;
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

// A class factory whose instances come from a function, registered as a local server of this process.
class FunctionFactory final : public IClassFactory {
public:
    explicit FunctionFactory(std::function<ComPtr<IDispatch>()> make) : m_make(std::move(make)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
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
    ~FunctionFactory() = default;
    std::function<ComPtr<IDispatch>()> m_make;
    std::atomic<ULONG> m_refs{1};
};

void check(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        throw std::runtime_error(std::string(what) + " failed: " + std::to_string(static_cast<unsigned long>(hr)));
}

void writeProgId(HKEY root, const std::wstring& progId, const std::wstring& clsidText)
{
    const std::wstring path = (root == HKEY_CURRENT_USER ? L"Software\\Classes\\" : L"") + progId + L"\\CLSID";
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsidText.c_str()),
                                static_cast<DWORD>((clsidText.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("cannot register the test class");
}

bool resolvesTo(const std::wstring& progId, const CLSID& expected)
{
    CLSID found{};
    return SUCCEEDED(CLSIDFromProgID(progId.c_str(), &found)) && IsEqualCLSID(found, expected);
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

long AllocationSpy::live() const { return g_liveBlocks.load(); }

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
    wchar_t clsidText[64];
    StringFromGUID2(m_clsid, clsidText, 64);
    // Windows finds a user's classes under HKCU; Wine only under the classes root, which it lets anyone write.
    writeProgId(HKEY_CURRENT_USER, m_progId, clsidText);
    if (!resolvesTo(m_progId, m_clsid)) {
        m_classesRoot = true;
        writeProgId(HKEY_CLASSES_ROOT, m_progId, clsidText);
        if (!resolvesTo(m_progId, m_clsid))
            throw std::runtime_error("the test class name does not resolve");
    }
    if (running)
        check(RegisterActiveObject(running, m_clsid, ACTIVEOBJECT_STRONG, &m_activeCookie), "RegisterActiveObject");
    if (factory) {
        m_factory = ComPtr<IUnknown>::attach(new FunctionFactory(std::move(factory)));
        check(CoRegisterClassObject(m_clsid, m_factory.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
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

std::wstring wide(std::string_view utf8) { return automation::com::toUtf16(utf8); }

} // namespace wintest
