#pragma once

#include <ole2.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace automation::com {

/// Owns one BSTR, or none (which reads as the empty text, as automation treats it).
class Bstr {
public:
    Bstr() noexcept = default;
    /// Copies a UTF-8 text. Throws std::bad_alloc when the system cannot allocate the string.
    explicit Bstr(std::string_view utf8);
    Bstr(Bstr&& other) noexcept : m_s(std::exchange(other.m_s, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_s, nullptr));
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { reset(); }

    /// Takes over a BSTR the caller owns.
    static Bstr attach(BSTR s) noexcept
    {
        Bstr b;
        b.m_s = s;
        return b;
    }

    BSTR get() const noexcept { return m_s; }
    /// Frees the string held and returns the slot for an out parameter.
    BSTR* put() noexcept
    {
        reset();
        return &m_s;
    }
    BSTR* addressOf() noexcept { return &m_s; }
    BSTR detach() noexcept { return std::exchange(m_s, nullptr); }
    void reset(BSTR s = nullptr) noexcept;

    /// Length in UTF-16 code units; embedded NULs count.
    std::size_t size() const noexcept { return SysStringLen(m_s); }
    std::string toUtf8() const { return toUtf8(m_s); }
    /// The text of a BSTR held elsewhere; a null BSTR is the empty text.
    static std::string toUtf8(BSTR s);

private:
    BSTR m_s = nullptr;
};

} // namespace automation::com
