#pragma once

#include "link/Automation.h"

#include <concepts>
#include <utility>

namespace objectmodel {

using automation::Counted;

/// A counted reference to a Counted or a Dispatch; one to a Dispatch converts to a late-bound Object.
template <class T> class Ref {
public:
    Ref() noexcept = default;
    explicit Ref(T* p) noexcept : m_p(p)
    {
        if (m_p)
            m_p->addRef();
    }
    Ref(const Ref& other) noexcept : Ref(other.m_p) {}
    Ref(Ref&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    template <class U>
    requires std::convertible_to<U*, T*> Ref(Ref<U> other)
    noexcept : Ref(other.get()) {}
    Ref& operator=(Ref other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~Ref()
    {
        if (m_p)
            m_p->release();
    }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    automation::Object object() const requires std::derived_from<T, automation::Dispatch>
    {
        return automation::Object(m_p);
    }

private:
    T* m_p = nullptr;
};

/// The object model's own object behind a late-bound reference, or null when it is not a T (e.g. another
/// server's object).
template <class T> T* modelObject(const automation::Object& o)
{
    return dynamic_cast<T*>(o.dispatch());
}

} // namespace objectmodel
