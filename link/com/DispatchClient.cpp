#include "link/com/DispatchClient.h"

#include "link/com/ComErrors.h"
#include "link/com/VariantConversion.h"
#include "link/com/WideText.h"

#include <climits>
#include <string>

namespace automation::com {

namespace {

// The argument array of one call, cleared when the call is over whatever happened.
class Arguments {
public:
    explicit Arguments(std::size_t count) : m_values(count) {}
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;
    ~Arguments()
    {
        for (VARIANT& v : m_values)
            VariantClear(&v);
    }

    void set(std::size_t index, const Value& value) { m_values[index] = toVariant(value).detach(); }
    VARIANT* data() noexcept { return m_values.data(); }
    const VARIANT& operator[](std::size_t index) const noexcept { return m_values[index]; }

private:
    std::vector<VARIANT> m_values; // value-initialised, so VT_EMPTY until set
};

// The argument at `index` of rgvarg as the caller wrote it: the value of a put, a named argument's name, or a
// positional one counted from 1; empty when the server named none of them.
std::string argumentAt(UINT index, bool put, std::span<const NamedArg> named, std::size_t positional)
{
    const std::size_t first = (put ? 1 : 0) + named.size();
    if (index < first)
        return put && index == 0 ? "所赋的值" : std::string(named[index - (put ? 1 : 0)].name);
    if (index - first >= positional)
        return {};
    return "第 " + std::to_string(positional - (index - first)) + " 个参数";
}

} // namespace

Object DispatchClient::wrap(IDispatch* dispatch)
{
    if (!dispatch)
        return {};
    return Object(new DispatchClient(dispatch));
}

const std::vector<DISPID>& DispatchClient::resolve(std::string_view member, std::span<const NamedArg> named)
{
    std::string key(member);
    for (const NamedArg& n : named) {
        key += '\0';
        key += n.name;
    }
    if (auto it = m_ids.find(key); it != m_ids.end())
        return it->second;

    std::vector<std::wstring> names;
    names.reserve(1 + named.size());
    names.push_back(toUtf16(member));
    for (const NamedArg& n : named)
        names.push_back(toUtf16(n.name));
    std::vector<LPOLESTR> pointers;
    for (std::wstring& name : names)
        pointers.push_back(name.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);

    const HRESULT hr = m_dispatch->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                                                 LOCALE_USER_DEFAULT, ids.data());
    if (FAILED(hr)) {
        // Name the first name the server did not know: the member, or one of the named arguments.
        std::string_view unknown = member;
        for (std::size_t i = 1; i < ids.size(); ++i)
            if (ids[0] != DISPID_UNKNOWN && ids[i] == DISPID_UNKNOWN) {
                unknown = named[i - 1].name;
                break;
            }
        throw failure(hr, unknown);
    }
    if (member == kDefaultMember)
        ids[0] = DISPID_VALUE;
    return m_ids.emplace(std::move(key), std::move(ids)).first->second;
}

Value DispatchClient::invoke(std::string_view member, CallKind kind, std::span<const Value> args,
                             std::span<const NamedArg> named)
{
    static const std::vector<DISPID> kDefaultOnly{DISPID_VALUE};
    // The default member needs no lookup unless named arguments must be resolved against it.
    const std::vector<DISPID>& ids = member == kDefaultMember && named.empty() ? kDefaultOnly : resolve(member, named);

    const bool put = kind == CallKind::Put;
    if (put && args.empty())
        throw errors::argumentNotOptional();
    const std::span<const Value> positional = put ? args.first(args.size() - 1) : args;

    // Named arguments come first, the value of a put leading them; positional ones follow in reverse.
    Arguments values(args.size() + named.size());
    std::vector<DISPID> namedIds;
    namedIds.reserve(named.size() + 1);
    std::size_t next = 0;
    if (put) {
        values.set(next++, args.back());
        namedIds.push_back(DISPID_PROPERTYPUT);
    }
    for (std::size_t i = 0; i < named.size(); ++i) {
        values.set(next++, named[i].value);
        namedIds.push_back(ids[i + 1]);
    }
    for (auto it = positional.rbegin(); it != positional.rend(); ++it)
        values.set(next++, *it);

    DISPPARAMS params{values.data(), namedIds.empty() ? nullptr : namedIds.data(), static_cast<UINT>(next),
                      static_cast<UINT>(namedIds.size())};
    Variant result;
    ExceptionInfo exception;
    UINT argumentError = UINT_MAX; // as no server leaves it
    WORD flags = put ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    HRESULT hr = m_dispatch->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : result.put(),
                                    exception.get(), &argumentError);
    // Some servers take an object only by reference assignment.
    if (put && hr == DISP_E_MEMBERNOTFOUND && values[0].vt == VT_DISPATCH && values[0].pdispVal) {
        flags = DISPATCH_PROPERTYPUTREF;
        hr = m_dispatch->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, exception.get(),
                                &argumentError);
    }
    if (hr == DISP_E_EXCEPTION)
        throw serverFailure(*exception, member);
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND)
        if (const std::string which = argumentAt(argumentError, put, named, positional.size()); !which.empty())
            throw argumentFailure(hr, which);
    if (FAILED(hr))
        throw failure(hr, member);
    return fromVariant(result.get());
}

} // namespace automation::com
