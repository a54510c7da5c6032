#pragma once

// The UNO types this library uses, and text between UTF-8 and UNO strings.

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <string>
#include <string_view>

namespace css = com::sun::star;

namespace automation::uno {

inline rtl::OUString toUno(std::string_view utf8)
{
    return rtl::OStringToOUString(rtl::OString(utf8.data(), static_cast<sal_Int32>(utf8.size())),
                                  RTL_TEXTENCODING_UTF8);
}

inline std::string fromUno(const rtl::OUString& text)
{
    const rtl::OString utf8 = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(utf8.getStr(), static_cast<std::size_t>(utf8.getLength()));
}

} // namespace automation::uno
