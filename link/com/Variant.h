#pragma once

#include <ole2.h>

namespace automation::com {

/// Owns one VARIANT and whatever it holds (a BSTR, an interface reference); starts and ends as VT_EMPTY.
class Variant {
public:
    Variant() noexcept { VariantInit(&m_v); }
    Variant(Variant&& other) noexcept : m_v(other.m_v) { VariantInit(&other.m_v); }
    Variant& operator=(Variant&& other) noexcept
    {
        if (this != &other) {
            VariantClear(&m_v);
            m_v = other.m_v;
            VariantInit(&other.m_v);
        }
        return *this;
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&m_v); }

    const VARIANT& get() const noexcept { return m_v; }
    /// Clears the content and returns the VARIANT for an out parameter.
    VARIANT* put() noexcept
    {
        VariantClear(&m_v);
        return &m_v;
    }
    /// The VARIANT itself, content kept.
    VARIANT* addressOf() noexcept { return &m_v; }
    /// Hands the content over to the caller, who must clear it; this one is left empty.
    VARIANT detach() noexcept
    {
        VARIANT out = m_v;
        VariantInit(&m_v);
        return out;
    }

private:
    VARIANT m_v;
};

} // namespace automation::com
