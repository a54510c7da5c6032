#pragma once

// Test doubles on the COM side: a recording IDispatch that counts its references, a spy on the COM task allocator
// that counts live BSTRs, and a class registered as running for the tests' own class names.

#include "Automation.h"
#include "ComPtr.h"
#include "Variant.h"

#include <oaidl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace wintest {

using automation::com::ComPtr;
using automation::com::Variant;

// COM objects are destroyed by their own Release, never through a pointer to the interface.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

/// An IDispatch that knows a few names, records every call with copies of its arguments, and answers as told.
class RecordingServer final : public IDispatch {
public:
    struct Call {
        DISPID id;
        WORD flags;
        std::vector<DISPID> namedIds;
        std::vector<Variant> args; // as rgvarg holds them: named first, then positional last to first
    };

    static inline int live = 0;

    /// A new server; the caller owns its one reference.
    static ComPtr<RecordingServer> create() { return ComPtr<RecordingServer>::attach(new RecordingServer); }

    /// Names and their DISPIDs; any other name is unknown.
    std::map<std::wstring, DISPID> ids{{L"Cells", 1}, {L"Insert", 2}, {L"Shift", 3}, {L"Value", 4},
                                       {L"Add", 5},   {L"After", 6},  {L"Child", 7}, {L"Before", 8}};
    /// GetIDsOfNames calls, each with the names asked for.
    std::vector<std::vector<std::wstring>> lookups;
    std::vector<Call> calls;
    /// Decides the outcome of each Invoke; by default S_OK with an empty result.
    std::function<HRESULT(const Call&, VARIANT* result, EXCEPINFO* exception)> answer;
    /// When set, every lookup and call fails with it, as through a proxy whose server has gone.
    HRESULT gone = S_OK;

    ULONG references() const { return m_refs; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* result) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argumentError) override;

private:
    RecordingServer() { ++live; }
    ~RecordingServer() { --live; }
    ULONG m_refs = 1;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

/// Counts the blocks of the COM task allocator (BSTRs among them) allocated and not yet freed while it watches.
/// BSTRs reach the allocator only when the process runs with OANOCACHE=1, which the tests' CMake sets; `works()`
/// tells whether it does. One spy per process; it stays registered until the process ends.
class AllocationSpy {
public:
    static AllocationSpy& instance();
    /// Blocks allocated since the spy was registered and still live.
    long live() const;
    /// Whether a BSTR allocated and freed shows up: false when the allocator's cache hides them.
    bool works() const;
};

/// Makes `progId` name a fresh class whose running instance is `object` (RegisterActiveObject) and, optionally,
/// whose new instances are made by `factory` in this process (CoRegisterClassObject, as a local server). The
/// registry entries are written for the user and removed again, with the registrations, when this goes.
class RegisteredClass {
public:
    RegisteredClass(std::wstring progId, IUnknown* running, std::function<ComPtr<IDispatch>()> factory = {});
    ~RegisteredClass();
    RegisteredClass(const RegisteredClass&) = delete;
    RegisteredClass& operator=(const RegisteredClass&) = delete;

    const CLSID& clsid() const { return m_clsid; }

private:
    std::wstring m_progId;
    CLSID m_clsid{};
    unsigned long m_activeCookie = 0;
    unsigned long m_factoryCookie = 0;
    ComPtr<IUnknown> m_factory;
    bool m_classesRoot = false;
};

/// A wide string from UTF-8, for comparing BSTRs.
std::wstring wide(std::string_view utf8);

} // namespace wintest
