#pragma once

#include "link/Automation.h"
#include "link/com/ComPtr.h"

#include <oaidl.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace automation::com {

/// An object of a COM automation server, called through its IDispatch.
///
/// Each call resolves the member and its named arguments with one GetIDsOfNames, remembered per object for the
/// same member and names, then makes one Invoke: named arguments first, positional ones in reverse, the value of a
/// put as the DISPID_PROPERTYPUT argument. Get and Method both ask for DISPATCH_METHOD | DISPATCH_PROPERTYGET.
/// Every failure, a lost server included, throws AutomationError with the server's number and description, or the
/// code's own (see ComErrors.h). Cost: one or two round trips to the server per call.
class DispatchClient final : public Dispatch {
public:
    /// An object for `dispatch`, holding a reference of its own; a null pointer gives a null reference.
    static Object wrap(IDispatch* dispatch);

    IDispatch* comObject() const noexcept { return m_dispatch.get(); }

    Value invoke(std::string_view member, CallKind kind, std::span<const Value> args,
                 std::span<const NamedArg> named) override;

private:
    explicit DispatchClient(IDispatch* dispatch) : m_dispatch(ComPtr<IDispatch>::copy(dispatch)) {}
    ~DispatchClient() override = default;

    /// The DISPIDs of `member` and of the named arguments' names, in that order.
    const std::vector<DISPID>& resolve(std::string_view member, std::span<const NamedArg> named);

    ComPtr<IDispatch> m_dispatch;
    std::unordered_map<std::string, std::vector<DISPID>> m_ids; // member and names, '\0'-separated
};

} // namespace automation::com
