#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace sheet {

/// Maps member names to a class's member ids with one hash lookup; names are case-insensitive.
template <class Id> class MemberTable {
public:
    MemberTable(std::initializer_list<std::pair<std::string_view, Id>> members)
    {
        for (const auto& [name, id] : members) {
            m_exact.emplace(name, id);
            m_folded.emplace(fold(name), id);
        }
    }

    /// The id of `name`, or `fallback` when the class has no such member.
    Id find(std::string_view name, Id fallback) const
    {
        // Callers almost always spell a member as the object model does: that costs one lookup.
        if (auto it = m_exact.find(name); it != m_exact.end())
            return it->second;
        if (auto it = m_folded.find(fold(name)); it != m_folded.end())
            return it->second;
        return fallback;
    }

private:
    static std::string fold(std::string_view s)
    {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
        return out;
    }

    std::unordered_map<std::string_view, Id> m_exact;
    std::unordered_map<std::string, Id> m_folded;
};

} // namespace sheet
