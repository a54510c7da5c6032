#include "link/com/VariantConversion.h"

#include "link/com/Bstr.h"
#include "link/com/ComPtr.h"
#include "link/com/DispatchClient.h"
#include "link/com/DispatchServer.h"

#include <cstdint>

namespace automation::com {

namespace {

constexpr SCODE kCellErrorBase = static_cast<SCODE>(0x800A0000);

bool isCellError(SCODE code)
{
    return static_cast<std::uint32_t>(code) >> 16 == 0x800A;
}

// The conversion functions take their source by a non-const pointer but leave it unchanged.
VARIANT* source(const VARIANT& v)
{
    return const_cast<VARIANT*>(&v);
}

IDispatch* dispatchFor(const Object& object)
{
    if (object.isNull())
        return nullptr;
    if (auto* client = dynamic_cast<DispatchClient*>(object.dispatch())) {
        client->comObject()->AddRef();
        return client->comObject();
    }
    return DispatchServer::serve(object).detach();
}

Value objectFor(IDispatch* dispatch, Side side)
{
    if (!dispatch)
        return Value(Object());
    if (side == Side::Server)
        if (Object own = DispatchServer::servedObject(dispatch))
            return Value(std::move(own));
    return Value(DispatchClient::wrap(dispatch));
}

// A number of another type, as the nearest kind a Value holds.
Value convertedNumber(const VARIANT& variant, VARTYPE to)
{
    Variant converted;
    if (FAILED(VariantChangeType(converted.put(), source(variant), 0, to)))
        throw errors::typeMismatch();
    return fromVariant(converted.get(), Side::Client);
}

} // namespace

Variant toVariant(const Value& value)
{
    Variant out;
    VARIANT& v = *out.addressOf();
    switch (value.kind()) {
    case Value::Kind::Empty:
        break;
    case Value::Kind::Null:
        v.vt = VT_NULL;
        break;
    case Value::Kind::Object:
        v.pdispVal = dispatchFor(value.object());
        v.vt = VT_DISPATCH;
        break;
    case Value::Kind::Double:
        v.vt = VT_R8;
        v.dblVal = value.number();
        break;
    case Value::Kind::Int16:
        v.vt = VT_I2;
        v.iVal = static_cast<SHORT>(value.toInt32());
        break;
    case Value::Kind::Int32:
        v.vt = VT_I4;
        v.lVal = value.toInt32();
        break;
    case Value::Kind::Text:
        v.bstrVal = Bstr(value.text()).detach();
        v.vt = VT_BSTR;
        break;
    case Value::Kind::Boolean:
        v.vt = VT_BOOL;
        v.boolVal = value.boolean() ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case Value::Kind::Date:
        v.vt = VT_DATE;
        v.date = value.date().serial;
        break;
    case Value::Kind::Error: {
        const std::int32_t code = value.errorCode();
        v.vt = VT_ERROR;
        v.scode = code >= 0 && code <= 0xFFFF ? kCellErrorBase | code : static_cast<SCODE>(code);
        break;
    }
    }
    return out;
}

Value fromVariant(const VARIANT& variant, Side side)
{
    if (variant.vt & VT_BYREF) {
        if (!variant.byref)
            throw errors::typeMismatch();
        Variant target;
        if (FAILED(VariantCopyInd(target.put(), source(variant))))
            throw errors::typeMismatch();
        return fromVariant(target.get(), side);
    }
    switch (variant.vt) {
    case VT_EMPTY:
        return Value();
    case VT_NULL:
        return Value(Null{});
    case VT_R8:
        return Value(variant.dblVal);
    case VT_I2:
        return Value(static_cast<std::int16_t>(variant.iVal));
    case VT_I4:
        return Value(static_cast<std::int32_t>(variant.lVal));
    case VT_BSTR:
        return Value(Bstr::toUtf8(variant.bstrVal));
    case VT_BOOL:
        return Value(variant.boolVal != VARIANT_FALSE);
    case VT_DATE:
        return Value(Date{variant.date});
    case VT_ERROR: {
        const SCODE code = variant.scode;
        return Value(ErrorValue{isCellError(code) ? code & 0xFFFF : code});
    }
    case VT_DISPATCH:
        return objectFor(variant.pdispVal, side);
    case VT_UNKNOWN: {
        if (!variant.punkVal)
            return Value(Object());
        ComPtr<IDispatch> dispatch;
        if (FAILED(variant.punkVal->QueryInterface(IID_IDispatch, dispatch.putVoid())))
            throw errors::typeMismatch();
        return objectFor(dispatch.get(), side);
    }
    case VT_I1:
    case VT_UI1:
        return convertedNumber(variant, VT_I2);
    case VT_UI2:
    case VT_INT:
        return convertedNumber(variant, VT_I4);
    case VT_R4:
    case VT_UI4:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_CY:
    case VT_DECIMAL:
        return convertedNumber(variant, VT_R8);
    default:
        break;
    }
    if (variant.vt & VT_ARRAY)
        throw errors::typeMismatch();
    Variant text;
    if (FAILED(VariantChangeType(text.put(), source(variant), 0, VT_BSTR)))
        throw errors::typeMismatch();
    return Value(Bstr::toUtf8(text.get().bstrVal));
}

} // namespace automation::com
