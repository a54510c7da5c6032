#include "link/com/ComErrors.h"

#include "link/com/Bstr.h"
#include "link/com/WideText.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace automation::com {

namespace {

constexpr HRESULT kControlFacility = static_cast<HRESULT>(0x800A0000);

// Failures of the automation runtime's own facility carry an error number in their low word.
bool isControlFailure(HRESULT hr)
{
    return static_cast<std::uint32_t>(hr) >> 16 == 0x800A;
}

std::string systemMessage(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (length == 0 || !buffer)
        return {};
    std::wstring_view text(buffer, length);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.remove_suffix(1);
    std::string out = toUtf8(text);
    LocalFree(buffer);
    return out;
}

// Texts for the codes a user can meet, for systems that have none of their own (Wine has none for COM codes).
const char* ownMessage(HRESULT hr)
{
    switch (hr) {
    case REGDB_E_CLASSNOTREG:
        return "没有注册类";
    case CO_E_CLASSSTRING:
        return "无效的类字符串";
    case CO_E_APPNOTFOUND:
        return "找不到应用程序";
    case MK_E_UNAVAILABLE:
        return "操作无法使用";
    case CO_E_SERVER_EXEC_FAILURE:
        return "服务器运行失败";
    case CO_E_NOTINITIALIZED:
        return "尚未调用 CoInitialize。";
    case E_NOINTERFACE:
        return "不支持此接口";
    case RPC_E_DISCONNECTED:
        return "被调用的对象已与其客户端断开连接。";
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
        return "RPC 服务器不可用。";
    case RPC_E_CALL_REJECTED:
        return "应用程序正忙,拒绝了这次调用。";
    case RPC_E_SERVERCALL_RETRYLATER:
        return "应用程序正忙,请稍后再试。";
    case DISP_E_TYPEMISMATCH:
        return "类型不匹配。";
    case DISP_E_UNKNOWNNAME:
        return "未知名称。";
    case DISP_E_EXCEPTION:
        return "发生意外。";
    case DISP_E_MEMBERNOTFOUND:
        return "找不到成员。";
    case DISP_E_BADPARAMCOUNT:
        return "无效的参数数目。";
    case DISP_E_PARAMNOTOPTIONAL:
        return "参数是必选项。";
    case DISP_E_PARAMNOTFOUND:
        return "找不到参数。";
    case DISP_E_OVERFLOW:
        return "溢出。";
    case DISP_E_BADVARTYPE:
        return "变量类型无效。";
    default:
        return nullptr;
    }
}

bool isAboutAName(HRESULT hr)
{
    return hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND || hr == CO_E_CLASSSTRING ||
           hr == REGDB_E_CLASSNOTREG;
}

// "未知名称。" with "Foo" reads "未知名称: Foo".
std::string naming(std::string text, std::string_view subject)
{
    for (std::string_view stop : {"。", ".", " "})
        while (text.ends_with(stop))
            text.resize(text.size() - stop.size());
    return text + ": " + std::string(subject);
}

} // namespace

std::int32_t errorNumber(HRESULT hr) noexcept
{
    if (isControlFailure(hr) && (hr & 0xFFFF) != 0)
        return hr & 0xFFFF;
    return static_cast<std::int32_t>(hr);
}

HRESULT failureCode(std::int32_t number) noexcept
{
    if (number > 0 && number <= 0xFFFF)
        return kControlFacility | number;
    if (number < 0)
        return static_cast<HRESULT>(number);
    return E_FAIL;
}

std::string describeFailure(HRESULT hr)
{
    std::string text = systemMessage(static_cast<DWORD>(hr));
    // The system words Win32 failures by their plain code, and some systems only that way.
    if (text.empty() && HRESULT_FACILITY(hr) == FACILITY_WIN32)
        text = systemMessage(HRESULT_CODE(hr));
    if (!text.empty())
        return text;
    if (const char* own = ownMessage(hr))
        return own;
    if (isControlFailure(hr))
        return "应用程序定义或对象定义的错误";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "自动化错误 0x%08lX", static_cast<unsigned long>(hr));
    return buffer;
}

AutomationError failure(HRESULT hr, std::string_view subject)
{
    std::string text = describeFailure(hr);
    if (!subject.empty() && isAboutAName(hr))
        text = naming(std::move(text), subject);
    return {errorNumber(hr), std::move(text)};
}

AutomationError argumentFailure(HRESULT hr, std::string_view argument)
{
    return {errorNumber(hr), naming(describeFailure(hr), argument)};
}

AutomationError serverFailure(EXCEPINFO& info, std::string_view member)
{
    if (info.pfnDeferredFillIn) {
        // The server left the strings to be filled in only when someone wants them.
        info.pfnDeferredFillIn(&info);
        info.pfnDeferredFillIn = nullptr;
    }
    const HRESULT code = info.scode != 0   ? info.scode
                         : info.wCode != 0 ? kControlFacility | info.wCode
                                           : DISP_E_EXCEPTION;
    const std::int32_t number = info.wCode != 0 ? info.wCode : errorNumber(code);
    const std::string description = Bstr::toUtf8(info.bstrDescription);
    if (description.empty())
        return {number, failure(code, member).description()};
    return {number, description};
}

ExceptionInfo::~ExceptionInfo()
{
    SysFreeString(m_info.bstrSource);
    SysFreeString(m_info.bstrDescription);
    SysFreeString(m_info.bstrHelpFile);
}

} // namespace automation::com
