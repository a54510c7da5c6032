#pragma once

#include "link/Automation.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace objectmodel {

/// The arguments of one call: positional ones by index, named ones by name (case-insensitive).
class Arguments {
public:
    Arguments(std::span<const automation::Value> positional, std::span<const automation::NamedArg> named)
        : m_positional(positional), m_named(named)
    {}

    /// The argument at `index` or named `name`; null when the caller left it out.
    const automation::Value* find(std::size_t index, std::string_view name) const;
    /// As find, but a missing argument throws argumentNotOptional (449).
    const automation::Value& require(std::size_t index, std::string_view name) const;
    std::size_t positionalCount() const { return m_positional.size(); }
    std::size_t namedCount() const { return m_named.size(); }
    /// For a put: the value to store, which comes last.
    const automation::Value& putValue() const;

private:
    std::span<const automation::Value> m_positional;
    std::span<const automation::NamedArg> m_named;
};

} // namespace objectmodel
