#include "objectmodel/Arguments.h"

#include "objectmodel/Names.h"

#include <algorithm>

namespace objectmodel {

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

} // namespace objectmodel
