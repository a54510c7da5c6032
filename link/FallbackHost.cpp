#include "link/FallbackHost.h"

#include <functional>

namespace automation {

namespace {

template <class Call> Object firstThatWorks(Call&& first, Call&& second)
{
    try {
        return first();
    } catch (const AutomationError& preferred) {
        try {
            return second();
        } catch (const AutomationError&) {
            throw preferred;
        }
    }
}

} // namespace

Object FallbackHost::getActiveObject(std::string_view className)
{
    auto first = [&] { return m_first.getActiveObject(className); };
    auto second = [&] { return m_second.getActiveObject(className); };
    return firstThatWorks<std::function<Object()>>(first, second);
}

Object FallbackHost::createObject(std::string_view className)
{
    auto first = [&] { return m_first.createObject(className); };
    auto second = [&] { return m_second.createObject(className); };
    return firstThatWorks<std::function<Object()>>(first, second);
}

} // namespace automation
