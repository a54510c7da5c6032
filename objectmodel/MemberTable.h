#pragma once

#include "objectmodel/Names.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace objectmodel {

/// Maps member names to a class's member ids; names are case-insensitive.
///
/// A name spelt as the object model spells it costs one short hash and usually one comparison: it is on the path of
/// every cell read, where a general-purpose map's prime-modulo hashing is measurable. Other spellings take a second,
/// case-folded lookup. At most 32 members.
template <class Id> class MemberTable {
public:
    MemberTable(std::initializer_list<std::pair<std::string_view, Id>> members)
    {
        m_foldedNames.reserve(members.size());
        for (const auto& [name, id] : members) {
            m_foldedNames.push_back(fold(name));
            insert(m_exact, name, id);
        }
        std::size_t i = 0;
        for (const auto& [name, id] : members)
            insert(m_folded, m_foldedNames[i++], id);
    }

    /// The id of `name`, or `fallback` when the class has no such member.
    Id find(std::string_view name, Id fallback) const
    {
        // A caller reading cells asks for the same member millions of times in a row.
        if (m_last && m_last->name == name)
            return m_last->id;
        if (const Slot* s = lookup(m_exact, name)) {
            m_last = s;
            return s->id;
        }
        if (const Slot* s = lookup(m_folded, fold(name)))
            return s->id;
        return fallback;
    }

private:
    static constexpr std::size_t kSize = 64; // a power of two, at least twice the member count
    struct Slot {
        std::string_view name;
        Id id{};
        bool used = false;
    };
    using Table = std::array<Slot, kSize>;

    static std::size_t hash(std::string_view s)
    {
        std::uint32_t h = 2166136261u; // FNV-1a
        for (unsigned char c : s)
            h = (h ^ c) * 16777619u;
        return h & (kSize - 1);
    }
    static void insert(Table& table, std::string_view name, Id id)
    {
        std::size_t i = hash(name);
        while (table[i].used)
            i = (i + 1) & (kSize - 1);
        table[i] = {name, id, true};
    }
    static const Slot* lookup(const Table& table, std::string_view name)
    {
        for (std::size_t i = hash(name); table[i].used; i = (i + 1) & (kSize - 1))
            if (table[i].name == name)
                return &table[i];
        return nullptr;
    }
    static std::string fold(std::string_view s) { return objectmodel::foldedName(s); }

    Table m_exact{};
    mutable const Slot* m_last = nullptr; // objects live on the one user-interface thread
    Table m_folded{};
    std::vector<std::string> m_foldedNames; // reserved up front: the folded table views into it
};

} // namespace objectmodel
