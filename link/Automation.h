#pragma once

// Late binding: objects called by member name at run time, with the values that such calls pass.
//
//     Object sheet = ...;
//     sheet.get("Rows", 4.0).call("Insert", Named("Shift", std::int16_t(-4121)));
//     Value v = sheet.get("Cells", 3.0, 1.0).get(kDefaultMember);
//
// Every call throws AutomationError on failure; nothing is ever returned half-done. All objects live on the one
// user-interface thread, so reference counts are plain integers.

#include "link/AutomationError.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

namespace automation {

class Value;
struct NamedArg;

/// How a member is called. Get also serves methods whose result is wanted.
enum class CallKind : std::uint8_t { Get, Put, Method };

/// The member called when no name is given: a range's value, a collection's item.
inline constexpr std::string_view kDefaultMember = "";

/// Base of the objects shared by counted reference: a plain count, since every object lives on the one
/// user-interface thread.
class Counted {
public:
    Counted() = default;
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

    void addRef() noexcept { ++m_refs; }
    void release() noexcept
    {
        if (--m_refs == 0)
            delete this;
    }

protected:
    virtual ~Counted() = default;

private:
    std::uint32_t m_refs = 0;
};

/// The server side of late binding: one object of an automation object model.
class Dispatch : public Counted {
public:
    /// Calls `member` (kDefaultMember for the default member). Names are case-insensitive. For a Put, the value
    /// to store is the last positional argument. Throws AutomationError; must not throw anything else.
    virtual Value invoke(std::string_view member, CallKind kind, std::span<const Value> args,
                         std::span<const NamedArg> named) = 0;

protected:
    ~Dispatch() override = default;
};

/// A counted reference to a Dispatch, or a null reference. Copying shares the object; equality is identity.
class Object {
public:
    Object() noexcept = default;
    explicit Object(Dispatch* dispatch) noexcept : m_dispatch(dispatch)
    {
        if (m_dispatch)
            m_dispatch->addRef();
    }
    Object(const Object& other) noexcept : Object(other.m_dispatch) {}
    Object(Object&& other) noexcept : m_dispatch(std::exchange(other.m_dispatch, nullptr)) {}
    Object& operator=(Object other) noexcept
    {
        std::swap(m_dispatch, other.m_dispatch);
        return *this;
    }
    ~Object()
    {
        if (m_dispatch)
            m_dispatch->release();
    }

    bool isNull() const noexcept { return m_dispatch == nullptr; }
    explicit operator bool() const noexcept { return m_dispatch != nullptr; }
    Dispatch* dispatch() const noexcept { return m_dispatch; }
    bool operator==(const Object& other) const noexcept { return m_dispatch == other.m_dispatch; }

    /// The one call path. A null reference throws objectNotSet (91). Inline: every cell read takes it twice.
    inline Value invoke(std::string_view member, CallKind kind, std::span<const Value> args,
                        std::span<const NamedArg> named) const;

    /// Property get or method call whose result is wanted, e.g. `sheet.get("Cells", 2.0, 5.0)`.
    template <class... Args> Value get(std::string_view member, Args&&... args) const;
    /// Method call, e.g. `row.call("Insert", Named("Shift", std::int16_t(-4121)))`.
    template <class... Args> Value call(std::string_view member, Args&&... args) const;
    /// Property put; the last argument is the value stored, e.g. `app.put("Visible", true)`.
    template <class... Args> void put(std::string_view member, Args&&... args) const;

private:
    Dispatch* m_dispatch = nullptr;
};

struct Null {
    bool operator==(const Null&) const = default;
};
/// A date as a serial number of days since 1899-12-30, the fraction being the time of day.
struct Date {
    double serial = 0;
    bool operator==(const Date&) const = default;
};
/// An error value held by a cell, e.g. 2042 for #N/A.
struct ErrorValue {
    std::int32_t code = 0;
    bool operator==(const ErrorValue&) const = default;
};

/// A value passed to or returned by a late-bound call.
class Value {
public:
    enum class Kind : std::uint8_t { Empty, Null, Object, Double, Int16, Int32, Text, Boolean, Date, Error };

    Value() noexcept = default;
    Value(Null) noexcept : m_v(Null{}) {}
    Value(Object o) noexcept : m_v(std::move(o)) {}
    Value(double d) noexcept : m_v(d) {}
    Value(std::int16_t i) noexcept : m_v(i) {}
    Value(std::int32_t i) noexcept : m_v(i) {}
    Value(const char* s) : m_v(std::string(s)) {}
    Value(std::string s) noexcept : m_v(std::move(s)) {}
    Value(std::string_view s) : m_v(std::string(s)) {}
    Value(bool b) noexcept : m_v(b) {}
    Value(Date d) noexcept : m_v(d) {}
    Value(ErrorValue e) noexcept : m_v(e) {}

    Kind kind() const noexcept { return static_cast<Kind>(m_v.index()); }
    bool isEmpty() const noexcept { return kind() == Kind::Empty; }
    bool isObject() const noexcept { return kind() == Kind::Object; }

    /// The number held when it is a Double, else null: the cheap look every cell position takes first.
    const double* ifDouble() const noexcept { return std::get_if<double>(&m_v); }
    /// Exact access; the kind must match (checked with a type mismatch error).
    const Object& object() const;
    double number() const;
    const std::string& text() const;
    bool boolean() const;
    Date date() const;
    std::int32_t errorCode() const;

    /// Conversions with the automation runtime's rules; each throws AutomationError when it cannot convert.
    /// An object converts through its default member.
    std::string toText() const;
    double toDouble() const;
    /// Rounds to the nearest whole number, halves to the even neighbour (9.5 -> 10, 10.5 -> 10). Overflow (6).
    std::int32_t toInt32() const;
    bool toBoolean() const;
    /// The object held; empty or a non-object throws objectRequired (424). A null reference is returned as is.
    const Object& toObject() const;

    /// Whether the value, compared as text, equals `text`. Empty equals "". An error value cannot be compared and
    /// throws typeMismatch (13); Null never equals; an object compares its default member.
    bool equalsText(std::string_view text) const;

    bool operator==(const Value& other) const { return m_v == other.m_v; }

    /// Late-bound calls on the object held, as Object's; empty or a non-object throws objectRequired (424).
    template <class... Args> Value get(std::string_view member, Args&&... args) const
    {
        return toObject().get(member, std::forward<Args>(args)...);
    }
    template <class... Args> Value call(std::string_view member, Args&&... args) const
    {
        return toObject().call(member, std::forward<Args>(args)...);
    }
    template <class... Args> void put(std::string_view member, Args&&... args) const
    {
        toObject().put(member, std::forward<Args>(args)...);
    }

private:
    std::variant<std::monostate, Null, Object, double, std::int16_t, std::int32_t, std::string, bool, Date, ErrorValue>
        m_v;
};

/// A named argument, e.g. `Named("Shift", std::int16_t(-4121))`.
struct NamedArg {
    std::string_view name;
    Value value;
};

inline NamedArg Named(std::string_view name, Value value)
{
    return {name, std::move(value)};
}

inline Value Object::invoke(std::string_view member, CallKind kind, std::span<const Value> args,
                            std::span<const NamedArg> named) const
{
    if (!m_dispatch)
        throw errors::objectNotSet();
    // Keep the target alive for the whole call, even if the call drops the last other reference to it.
    Object keep(*this);
    return m_dispatch->invoke(member, kind, args, named);
}

namespace detail {

template <class T> inline constexpr bool kIsNamed = std::is_same_v<std::remove_cvref_t<T>, NamedArg>;

// Splits the arguments of a call into positional and named ones, on the stack, in their order.
template <class... Args> Value invokeWith(const Object& target, std::string_view member, CallKind kind, Args&&... args)
{
    constexpr std::size_t namedCount = (std::size_t{0} + ... + (kIsNamed<Args> ? 1 : 0));
    if constexpr (namedCount == 0) {
        // The common case, e.g. every cell read: build the arguments in place.
        const std::array<Value, sizeof...(Args)> positional{Value(std::forward<Args>(args))...};
        return target.invoke(member, kind, positional, {});
    } else {
        constexpr std::size_t positionalCount = sizeof...(Args) - namedCount;
        std::array<Value, positionalCount> positional;
        std::array<NamedArg, namedCount> named;
        std::size_t p = 0;
        std::size_t n = 0;
        auto place = [&]<class A>(A&& arg) {
            if constexpr (kIsNamed<A>)
                named[n++] = std::forward<A>(arg);
            else
                positional[p++] = Value(std::forward<A>(arg));
        };
        (place(std::forward<Args>(args)), ...);
        return target.invoke(member, kind, positional, named);
    }
}

} // namespace detail

template <class... Args> Value Object::get(std::string_view member, Args&&... args) const
{
    return detail::invokeWith(*this, member, CallKind::Get, std::forward<Args>(args)...);
}

template <class... Args> Value Object::call(std::string_view member, Args&&... args) const
{
    return detail::invokeWith(*this, member, CallKind::Method, std::forward<Args>(args)...);
}

template <class... Args> void Object::put(std::string_view member, Args&&... args) const
{
    static_assert(sizeof...(Args) >= 1, "a put needs the value to store");
    detail::invokeWith(*this, member, CallKind::Put, std::forward<Args>(args)...);
}

} // namespace automation
