#pragma once

// Values across the COM boundary, both ways.

#include "link/Automation.h"
#include "link/com/Variant.h"

namespace automation::com {

/// The VARIANT for `value`: Empty, Null, Double (VT_R8), Int16 (VT_I2), Int32 (VT_I4), Text (VT_BSTR, UTF-16),
/// Boolean (VT_BOOL), Date (VT_DATE) and Error (VT_ERROR; a cell error c such as 2042 travels as 0x800A0000 | c,
/// any other code as it is). An object becomes VT_DISPATCH: a null reference a null pointer, an object of a COM
/// server its own IDispatch, any other object one served by a DispatchServer. Throws std::bad_alloc only.
Variant toVariant(const Value& value);

/// Which end of a call reads a value. A client calls every object it receives through COM, even one this process
/// serves itself; a server takes the objects it serves back as the objects they are, so that its own members
/// recognise them (Union of two of its ranges, say).
enum class Side { Client, Server };

/// The value a VARIANT holds, the inverse of toVariant. References (VT_BYREF, also to a VARIANT) are followed.
/// Other numbers become Int16 or Int32 where every value of their type fits, Double otherwise (VT_CY, VT_DECIMAL,
/// VT_I8, ...). An IDispatch, or an IUnknown that has one, becomes an object called through COM, except on the
/// server side (see Side). Other types with a text form become Text; arrays and anything else throw
/// typeMismatch (13).
Value fromVariant(const VARIANT& variant, Side side = Side::Client);

} // namespace automation::com
