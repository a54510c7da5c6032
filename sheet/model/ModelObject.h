#pragma once

#include "link/Automation.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

namespace sheet {

/// Shared by every object of one application instance: once the application has quit, each of its objects answers
/// every call with a disconnection error instead of touching what the application has released.
struct ApplicationState {
    bool running = true;
};

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

/// Base of the application, workbook and worksheet objects.
class ModelObject : public automation::Dispatch {
public:
    bool isRunning() const { return m_state->running; }
    const std::shared_ptr<ApplicationState>& state() const { return m_state; }

protected:
    explicit ModelObject(std::shared_ptr<ApplicationState> state) : m_state(std::move(state)) {}
    /// Throws the disconnection error once the application has quit.
    void requireRunning() const;

private:
    std::shared_ptr<ApplicationState> m_state;
};

} // namespace sheet
