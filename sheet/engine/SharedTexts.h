#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace sheet {

/// Texts held once however many holders they have: each distinct text is stored once, with a count of its holders,
/// and found again by its content through a hash index. The Grid keeps its long texts here, so that a text held by
/// many cells (a shared string of a workbook, a pasted block) costs its bytes once.
///
/// Costs (n bytes of text): add() O(n) on average: one hash of the text and one comparison with an equal text held,
/// or a copy when there is none. addHolder(), release() and text() O(1). A text's bytes never move while it is held,
/// so a view of it stays valid until its last holder releases it.
/// Memory: per distinct text its n bytes, a 24-byte entry and 5 to 11 bytes of index. Ids of released texts are
/// reused; the entries of released texts stay until the store is destroyed.
///
/// Failures: add() throws std::bad_alloc, changing nothing. release() and addHolder() never throw nor allocate.
class SharedTexts {
public:
    using Id = std::uint32_t;

    SharedTexts();
    ~SharedTexts();
    SharedTexts(SharedTexts&&) noexcept;
    SharedTexts& operator=(SharedTexts&&) noexcept;
    SharedTexts(const SharedTexts&) = delete;
    SharedTexts& operator=(const SharedTexts&) = delete;

    /// One more holder of `text`, which may view a text held here: the id of the equal text already held, or of a
    /// new copy. Example: add("a long text") twice returns one id held twice.
    Id add(std::string_view text);
    /// One more holder of the text `id`; false, changing nothing, when its count of holders is at its limit
    /// (2^32 - 1): add() then makes a new copy.
    bool addHolder(Id id) noexcept;
    /// One holder of `id` fewer; the text is freed when none is left.
    void release(Id id) noexcept;

    /// The text `id`, held by at least one holder.
    std::string_view text(Id id) const noexcept;
    /// Bytes of all distinct texts held. O(1).
    std::size_t bytes() const noexcept { return m_bytes; }
    /// Number of distinct texts held. O(1).
    std::size_t count() const noexcept { return m_count; }

    void swap(SharedTexts& other) noexcept;

private:
    struct Entry {
        std::unique_ptr<char[]> bytes; // null when the id is free
        std::size_t size = 0;          // of a free id: the next free id
        std::uint32_t holders = 0;
        std::uint32_t hash = 0;
    };
    static constexpr Id kNone = ~Id{0};

    static std::uint32_t hashOf(std::string_view text) noexcept;
    std::size_t findSlot(std::string_view text, std::uint32_t hash) const noexcept;
    std::size_t slotOf(Id id) const noexcept;
    void growIndexFor(std::size_t count);

    std::vector<Entry> m_entries;
    Id m_firstFree = kNone;             // released ids, chained through their entries: releasing never allocates
    std::vector<std::uint32_t> m_index; // open addressing, linear probing: id + 1, 0 for an empty slot
    std::size_t m_count = 0;
    std::size_t m_bytes = 0;
};

} // namespace sheet
