#pragma once

// Test doubles on the COM side: a recording IDispatch that counts its references, a spy on the COM allocator that
// counts live BSTRs, and test classes registered under names of their own.

#include "link/com/ComPtr.h"
#include "link/com/Variant.h"

#include <oaidl.h>

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wintest {

using automation::com::ComPtr;
using automation::com::Variant;

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor" // COM objects go by their own Release
#endif

/// The IUnknown of a test double: answers for `Interface` alone, counts references, deletes itself at zero.
template <class Interface> class Counted : public Interface {
public:
    ULONG references() const { return m_refs; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == __uuidof(Interface) ? static_cast<Interface*>(this) : nullptr;
        if (!*out)
            return E_NOINTERFACE;
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~Counted() = default;

private:
    std::atomic<ULONG> m_refs{1};
};

/// An IDispatch that knows a few names, records every call with copies of its arguments, and answers as told.
class RecordingServer final : public Counted<IDispatch> {
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
                                       {L"Add", 5},   {L"After", 6},  {L"Child", 7}};
    /// The names of each GetIDsOfNames call.
    std::vector<std::vector<std::wstring>> lookups;
    std::vector<Call> calls;
    /// Decides the outcome of each Invoke; by default S_OK with an empty result.
    std::function<HRESULT(const Call&, VARIANT* result, EXCEPINFO* exception)> answer;
    /// What Invoke reports as the refused argument (an index into rgvarg); nothing leaves puArgErr alone.
    std::optional<UINT> refusedArgument;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* result) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argumentError) override;

private:
    RecordingServer() { ++live; }
    ~RecordingServer() override { --live; }
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

/// Counts the blocks of the COM allocator, BSTRs among them, allocated and not yet freed while it watches. BSTRs
/// reach the allocator only when the process runs with OANOCACHE=1, as CMake runs the tests; `works()` tells.
/// One spy per process, registered on first use until the process ends.
class AllocationSpy {
public:
    static AllocationSpy& instance();
    long live() const;
    /// Whether a BSTR allocated and freed shows up; false when the allocator's cache hides it.
    bool works() const;
};

/// Makes `progId` name a fresh class whose running instance is `running` (RegisterActiveObject) and, given a
/// factory, whose new instances this process makes as a local server (CoRegisterClassObject). Registrations and
/// registry entries go with the object.
class RegisteredClass {
public:
    RegisteredClass(std::wstring progId, IUnknown* running, std::function<ComPtr<IDispatch>()> factory = {});
    ~RegisteredClass();
    RegisteredClass(const RegisteredClass&) = delete;
    RegisteredClass& operator=(const RegisteredClass&) = delete;

private:
    std::wstring m_progId;
    CLSID m_clsid{};
    unsigned long m_activeCookie = 0;
    unsigned long m_factoryCookie = 0;
    bool m_classesRoot = false;
};

} // namespace wintest
