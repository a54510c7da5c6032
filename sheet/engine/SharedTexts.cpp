#include "sheet/engine/SharedTexts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <random>
#include <utility>

namespace sheet {

namespace {

// SipHash-1-3 under a key drawn once per process: texts come from files, and a hash anyone can compute would let a
// file make every text collide, turning each add() into a walk over all of them.
std::uint64_t rotl(std::uint64_t x, int b)
{
    return (x << b) | (x >> (64 - b));
}

struct SipState {
    std::uint64_t v0, v1, v2, v3;
    void round()
    {
        v0 += v1;
        v1 = rotl(v1, 13);
        v1 ^= v0;
        v0 = rotl(v0, 32);
        v2 += v3;
        v3 = rotl(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = rotl(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = rotl(v1, 17);
        v1 ^= v2;
        v2 = rotl(v2, 32);
    }
};

const std::array<std::uint64_t, 2>& processKey()
{
    static const std::array<std::uint64_t, 2> key = [] {
        std::random_device device;
        const auto draw = [&] { return (std::uint64_t{device()} << 32) ^ device(); };
        return std::array<std::uint64_t, 2>{draw(), draw()};
    }();
    return key;
}

std::uint64_t sipHash13(std::string_view text) noexcept
{
    const auto& key = processKey();
    SipState s{key[0] ^ 0x736f6d6570736575ULL, key[1] ^ 0x646f72616e646f6dULL, key[0] ^ 0x6c7967656e657261ULL,
               key[1] ^ 0x7465646279746573ULL};
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t m = 0; // in the machine's byte order: the key is the process's own anyway
        std::memcpy(&m, p + i, sizeof m);
        s.v3 ^= m;
        s.round();
        s.v0 ^= m;
    }
    std::uint64_t last = static_cast<std::uint64_t>(n) << 56;
    for (std::size_t k = 0; i + k < n; ++k)
        last |= static_cast<std::uint64_t>(p[i + k]) << (8 * k);
    s.v3 ^= last;
    s.round();
    s.v0 ^= last;
    s.v2 ^= 0xff;
    s.round();
    s.round();
    s.round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

} // namespace

SharedTexts::SharedTexts() = default;

SharedTexts::~SharedTexts()
{
    for (Entry& entry : m_entries)
        if (entry.holders != 0 && entry.size > kShort)
            delete[] entry.heap;
}

SharedTexts::SharedTexts(SharedTexts&& other) noexcept
{
    swap(other);
}

SharedTexts& SharedTexts::operator=(SharedTexts&& other) noexcept
{
    if (this != &other) {
        SharedTexts old(std::move(other));
        swap(old);
    }
    return *this;
}

void SharedTexts::swap(SharedTexts& other) noexcept
{
    using std::swap;
    swap(m_entries, other.m_entries);
    swap(m_firstFree, other.m_firstFree);
    swap(m_index, other.m_index);
    swap(m_indexed, other.m_indexed);
    swap(m_count, other.m_count);
    swap(m_bytes, other.m_bytes);
}

std::uint32_t SharedTexts::hashOf(std::string_view text) noexcept
{
    const std::uint64_t h = sipHash13(text);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// The slot holding a text equal to `text`, or the empty slot where it would go. The index is never full.
std::size_t SharedTexts::findSlot(std::string_view text, std::uint32_t hash) const noexcept
{
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint32_t held = m_index[i];
        if (held == 0)
            return i;
        const Entry& entry = m_entries[held - 1];
        if (entry.hash == hash && entry.size == text.size() && std::memcmp(entry.heap, text.data(), text.size()) == 0)
            return i;
    }
}

// The slot of `id`, or the index's size when it is not indexed (a copy made when an equal text had all the holders
// it can count).
std::size_t SharedTexts::slotOf(Id id) const noexcept
{
    if (m_index.empty())
        return 0;
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t i = m_entries[id].hash & mask; m_index[i] != 0; i = (i + 1) & mask)
        if (m_index[i] == id + 1)
            return i;
    return m_index.size();
}

// Room in the index for `count` texts at a load of at most three quarters. Builds the new index aside, so running out
// of memory changes nothing.
void SharedTexts::growIndexFor(std::size_t count)
{
    if (count * 4 <= m_index.size() * 3)
        return;
    std::size_t size = std::max<std::size_t>(16, m_index.size());
    while (count * 4 > size * 3)
        size *= 2;
    std::vector<std::uint32_t> index(size, 0);
    const std::size_t mask = size - 1;
    for (const std::uint32_t held : m_index) {
        if (held == 0)
            continue;
        std::size_t i = m_entries[held - 1].hash & mask;
        while (index[i] != 0)
            i = (i + 1) & mask;
        index[i] = held;
    }
    m_index.swap(index);
}

// Room for one more entry, unless a free one is there.
void SharedTexts::reserveEntry()
{
    if (m_firstFree != kNone)
        return;
    if (m_entries.size() >= kNone)
        throw std::bad_alloc();
    if (m_entries.size() == m_entries.capacity())
        m_entries.reserve(std::max<std::size_t>(16, m_entries.size() * 2));
}

// A free entry, after reserveEntry().
SharedTexts::Id SharedTexts::newEntry() noexcept
{
    Id id = m_firstFree;
    if (id != kNone) {
        m_firstFree = static_cast<Id>(m_entries[id].size);
    } else {
        id = static_cast<Id>(m_entries.size());
        m_entries.emplace_back();
    }
    return id;
}

SharedTexts::Id SharedTexts::add(std::string_view text)
{
    if (text.size() <= kShort) {
        char copy[kShort]; // `text` may view an entry, which growing moves
        if (!text.empty())
            std::memcpy(copy, text.data(), text.size());
        reserveEntry();
        const Id id = newEntry();
        Entry& entry = m_entries[id];
        std::memcpy(entry.inlined, copy, text.size());
        entry.size = text.size();
        entry.holders = 1;
        entry.hash = 0;
        ++m_count;
        m_bytes += text.size();
        return id;
    }

    const std::uint32_t hash = hashOf(text);
    std::size_t fullSlot = 0;
    bool replacing = false;
    if (!m_index.empty()) {
        const std::size_t slot = findSlot(text, hash);
        if (const std::uint32_t held = m_index[slot]; held != 0) {
            if (addHolder(held - 1))
                return held - 1;
            fullSlot = slot; // the new copy takes the full one's place in the index
            replacing = true;
        }
    }

    // Every allocation comes before the first change. The copy is made first of all: `text` may view a long text
    // held here, whose bytes stay where they are whatever grows.
    char* bytes = new char[text.size()];
    std::memcpy(bytes, text.data(), text.size());
    try {
        reserveEntry();
        if (!replacing)
            growIndexFor(m_indexed + 1);
    } catch (...) {
        delete[] bytes;
        throw;
    }

    const Id id = newEntry();
    Entry& entry = m_entries[id];
    entry.heap = bytes;
    entry.size = text.size();
    entry.holders = 1;
    entry.hash = hash;
    if (replacing) {
        m_index[fullSlot] = id + 1;
    } else {
        m_index[findSlot(text, hash)] = id + 1;
        ++m_indexed;
    }
    ++m_count;
    m_bytes += text.size();
    return id;
}

bool SharedTexts::addHolder(Id id) noexcept
{
    Entry& entry = m_entries[id];
    if (entry.holders == ~std::uint32_t{0})
        return false;
    ++entry.holders;
    return true;
}

void SharedTexts::release(Id id) noexcept
{
    Entry& entry = m_entries[id];
    if (--entry.holders != 0)
        return;
    if (entry.size > kShort) {
        if (std::size_t hole = slotOf(id); hole != m_index.size()) {
            // Backward-shift deletion: every later text of the cluster that may sit in the hole moves into it, so
            // that no probe ever stops early at a gap.
            const std::size_t mask = m_index.size() - 1;
            for (std::size_t i = (hole + 1) & mask; m_index[i] != 0; i = (i + 1) & mask) {
                const std::size_t home = m_entries[m_index[i] - 1].hash & mask;
                if (((i - home) & mask) >= ((i - hole) & mask)) {
                    m_index[hole] = m_index[i];
                    hole = i;
                }
            }
            m_index[hole] = 0;
            --m_indexed;
        }
        delete[] entry.heap;
    }
    m_bytes -= entry.size;
    --m_count;
    entry.size = m_firstFree;
    entry.hash = 0;
    m_firstFree = id;
}

std::string_view SharedTexts::text(Id id) const noexcept
{
    const Entry& entry = m_entries[id];
    return {entry.data(), entry.size};
}

} // namespace sheet
