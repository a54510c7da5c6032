#pragma once

// How COM failure codes become the AutomationError the rest of the program shows: a number and a text in the
// user's language.

#include "link/AutomationError.h"

#include <oaidl.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace automation::com {

/// The error number a caller sees for a failure code. Codes of the automation runtime's own facility
/// (0x800Axxxx) give their low word, the number the server raised: 0x800A03EC gives 1004. Any other code is its own
/// number, read as a signed value: RPC_E_DISCONNECTED gives -2147417848.
std::int32_t errorNumber(HRESULT hr) noexcept;

/// The inverse, for objects this program serves: 1 to 65535 give 0x800A0000 | number, a negative number is a failure
/// code already, and anything else gives E_FAIL.
HRESULT failureCode(std::int32_t number) noexcept;

/// The text for a failure code, never empty: the system's message where the system has one; else ours, in
/// Simplified Chinese, for the codes a user can meet (a missing or broken application, a lost connection, a call the
/// object model refused); else "自动化错误 0x8000FFFF" naming the code. Cost: one system lookup.
std::string describeFailure(HRESULT hr);

/// A failed call or lookup as the error to throw: errorNumber(hr) with describeFailure(hr). For the codes that are
/// about a name (an unknown name, a missing member, an unknown class) the text names `subject`, e.g.
/// "未知名称: Insrt".
AutomationError failure(HRESULT hr, std::string_view subject = {});
/// As failure, but the text names the argument the server refused (a type mismatch, a missing parameter), e.g.
/// "类型不匹配: 第 2 个参数".
AutomationError argumentFailure(HRESULT hr, std::string_view argument);

/// The error a server reported through EXCEPINFO (the call returned DISP_E_EXCEPTION). Runs the deferred fill-in
/// first if the server asked for it; takes the server's number (wCode, else scode) and its description, falling
/// back on the code's own text when the description is empty. Leaves the strings for ExceptionInfo to free.
AutomationError serverFailure(EXCEPINFO& info, std::string_view member);

/// The EXCEPINFO of one call. Frees its three strings when it goes, whether or not the call failed.
class ExceptionInfo {
public:
    ExceptionInfo() noexcept : m_info{} {}
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    ~ExceptionInfo();

    EXCEPINFO* get() noexcept { return &m_info; }
    EXCEPINFO& operator*() noexcept { return m_info; }

private:
    EXCEPINFO m_info;
};

} // namespace automation::com
