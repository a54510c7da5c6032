#include "ModelObject.h"

#include <algorithm>

namespace sheet {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
        return lower(x) == lower(y);
    });
}

} // namespace

const automation::Value* Arguments::find(std::size_t index, std::string_view name) const
{
    if (index < m_positional.size())
        return &m_positional[index];
    for (const auto& n : m_named)
        if (sameName(n.name, name))
            return &n.value;
    return nullptr;
}

const automation::Value& Arguments::require(std::size_t index, std::string_view name) const
{
    if (const auto* v = find(index, name))
        return *v;
    throw automation::errors::argumentNotOptional();
}

const automation::Value& Arguments::putValue() const
{
    if (m_positional.empty())
        throw automation::errors::argumentNotOptional();
    return m_positional.back();
}

void ModelObject::requireRunning() const
{
    if (!m_state->running)
        throw automation::errors::disconnected();
}

} // namespace sheet
