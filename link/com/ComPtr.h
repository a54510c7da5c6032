#pragma once

// Owning handles for the three kinds of COM resource the link touches: interface pointers, BSTRs and VARIANTs.
// Each is move-only and releases what it holds exactly once. `put()` releases the old content and hands out the
// address for an out parameter; `addressOf()` hands out the address without releasing.
//
//     ComPtr<IUnknown> unknown;
//     GetActiveObject(clsid, nullptr, unknown.put());

#include <objbase.h>

#include <cstddef>
#include <utility>

namespace automation::com {

/// Holds one reference to a COM interface, or nothing. Costs one pointer.
template <class T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_p, nullptr));
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    /// Takes over a reference the caller owns, e.g. one returned by a factory.
    static ComPtr attach(T* p) noexcept
    {
        ComPtr r;
        r.m_p = p;
        return r;
    }
    /// Adds a reference of its own to `p`.
    static ComPtr copy(T* p) noexcept
    {
        if (p)
            p->AddRef();
        return attach(p);
    }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    /// Releases the reference held and returns the slot for an out parameter.
    T** put() noexcept
    {
        reset();
        return &m_p;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    /// The slot itself, content kept: for in-out parameters.
    T** addressOf() noexcept { return &m_p; }

    /// Gives up the reference without releasing it.
    T* detach() noexcept { return std::exchange(m_p, nullptr); }
    void reset(T* p = nullptr) noexcept
    {
        if (T* old = std::exchange(m_p, p))
            old->Release();
    }

    /// Asks for another interface of the same object; an empty pointer and the failure code when it has none.
    template <class U> HRESULT query(ComPtr<U>& out) const noexcept
    {
        if (!m_p) {
            out.reset();
            return E_POINTER;
        }
        return m_p->QueryInterface(__uuidof(U), out.putVoid());
    }

private:
    T* m_p = nullptr;
};

} // namespace automation::com
