#pragma once

#include "link/Automation.h"
#include "link/com/ComPtr.h"

#include <oaidl.h>

#include <atomic>

namespace automation::com {

/// Serves an automation object to COM clients through IDispatch, so that an object of this program (an embedded
/// sheet's range, say) can be passed to a COM server or registered as a running instance.
///
/// GetIDsOfNames gives every name, member or argument, a DISPID of its own on first sight (names are
/// case-insensitive; DISPID_VALUE is the default member). Invoke turns the arguments back into the object's order,
/// the DISPID_PROPERTYPUT argument into the last one of a put, calls the object, and returns its AutomationError as
/// DISP_E_EXCEPTION with the number (see failureCode) and the description in EXCEPINFO. No exception leaves a COM
/// method. The object is called on the thread that calls Invoke; serve it from its apartment's thread only.
// COM objects are destroyed by their own Release, never through a pointer to the interface.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class DispatchServer final : public IDispatch {
public:
    /// A new server for `object`; the caller owns its one reference.
    static ComPtr<IDispatch> serve(Object object);
    /// The object behind `unknown` when it is served by this process, else a null reference.
    static Object servedObject(IUnknown* unknown);
    /// Servers alive in this process, for leak checks.
    static long liveCount() noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    explicit DispatchServer(Object object);
    ~DispatchServer();

    std::atomic<ULONG> m_refs{1};
    Object m_object;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

} // namespace automation::com
