#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sheet {

/// Texts with a count of their holders. A text longer than kShort bytes is stored once however many holders it has:
/// add() finds an equal one through a hash index of their contents. The Grid keeps its long texts here, so that a
/// text held by many cells (a shared string of a workbook, a pasted block) costs its bytes once. A text of kShort
/// bytes or fewer sits in its 32-byte entry and is not looked for: a copy per holder costs no more than an index
/// would, and storing one stays as cheap as it was before texts were shared; addHolder() still shares it.
///
/// Costs (n bytes of text): add() O(n) on average: for a text longer than kShort one hash of it and one comparison
/// with an equal text held, or a copy when there is none. addHolder(), release() and text() O(1). A view of a text
/// stays valid until the next add() or its last release().
/// Memory: per text of kShort bytes or fewer 32 bytes; per distinct longer text its n bytes, 32 bytes of entry and 5
/// to 11 bytes of index. Ids of released texts are reused; their entries stay until the store is destroyed.
///
/// Failures: add() throws std::bad_alloc, changing nothing. release() and addHolder() never throw nor allocate.
class SharedTexts {
public:
    using Id = std::uint32_t;
    static constexpr std::size_t kShort = 16;

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
    /// Number of texts held, each equal long text counted once. O(1).
    std::size_t count() const noexcept { return m_count; }

    void swap(SharedTexts& other) noexcept;

private:
    struct Entry {
        union {
            char inlined[kShort]; // a text of kShort bytes or fewer
            char* heap;           // a longer one, which owns it
        };
        std::size_t size;      // of a free id: the next free id
        std::uint32_t holders; // 0 for a free id
        std::uint32_t hash;    // of a text longer than kShort
        const char* data() const { return size <= kShort ? inlined : heap; }
    };
    static constexpr Id kNone = ~Id{0};

    static std::uint32_t hashOf(std::string_view text) noexcept;
    Id newEntry() noexcept;
    std::size_t findSlot(std::string_view text, std::uint32_t hash) const noexcept;
    std::size_t slotOf(Id id) const noexcept;
    void growIndexFor(std::size_t count);
    void reserveEntry();

    std::vector<Entry> m_entries;
    Id m_firstFree = kNone;             // released ids, chained through their entries: releasing never allocates
    std::vector<std::uint32_t> m_index; // open addressing, linear probing: id + 1, 0 for an empty slot
    std::size_t m_indexed = 0;          // texts in the index
    std::size_t m_count = 0;
    std::size_t m_bytes = 0;
};

} // namespace sheet
