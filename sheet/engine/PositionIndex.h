#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sheet {

/// The occupied positions of one axis of a sheet (rows or columns), each one carrying a stable node id.
///
/// Positions are 1-based. Only occupied positions take memory: a randomized balanced tree (treap) stores for every
/// node the number of unoccupied positions before it rather than its position. Inserting or removing a stretch of
/// positions therefore changes one gap and the sums on one root-to-node path, and never renumbers anything; node
/// ids stay valid until their node is erased, so callers can key their own data by id.
///
/// Costs below are expected costs over the random priorities (n = size()). Nodes live in one pool, 24 bytes each,
/// with no allocation per node. Priorities come from a fixed-seed generator, so runs are reproducible.
///
/// Failures: calls that break a precondition throw std::invalid_argument (std::overflow_error when a shift would
/// push a position past INT32_MAX) and change nothing. std::bad_alloc from the pool leaves the index unchanged.
/// Not thread-safe.
class PositionIndex {
public:
    using NodeId = std::uint32_t;
    /// The id no node ever has: "not found".
    static constexpr NodeId npos = 0xFFFF'FFFFu;

    /// What becomes of an erased node's id.
    enum class Release {
        Free,  // the id goes back to the pool and a later insert may hand it out again
        Retire // the id is never handed out again, so data a caller still keys by it can never be mistaken for a
               // newer node's; costs one pool entry for the life of the index
    };

    /// An empty index. O(1); allocates nothing.
    PositionIndex() noexcept = default;
    /// Moves leave `other` empty. O(1).
    PositionIndex(PositionIndex&& other) noexcept;
    PositionIndex& operator=(PositionIndex&& other) noexcept;
    PositionIndex(const PositionIndex&) = default;
    PositionIndex& operator=(const PositionIndex&) = default;
    ~PositionIndex() = default;

    /// The last occupied position, 0 when empty. O(1).
    std::int32_t total() const noexcept { return m_root == npos ? 0 : m_nodes[m_root].sum; }
    /// Number of occupied positions. O(1).
    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    /// Every id handed out so far is below this bound, so callers can size tables indexed by id. O(1).
    NodeId idLimit() const noexcept { return static_cast<NodeId>(m_nodes.size()); }
    /// Changes with every change of the index, and only indexes that map every position alike share one: what a
    /// caller remembers of find() holds while the version is the same.
    std::uint64_t version() const noexcept { return m_version; }

    /// The node at exactly `pos`, or npos when `pos` is unoccupied (any pos, even < 1). O(log n), no allocation.
    NodeId find(std::int32_t pos) const noexcept;
    /// The node at total(), or npos when empty. O(log n).
    NodeId last() const noexcept;
    /// The current position of live node `id`. O(log n). Throws std::invalid_argument if `id` is not a live node.
    std::int32_t position(NodeId id) const;

    /// Occupies `pos` with a new node and returns its id; no other position changes. O(log n).
    /// Throws std::invalid_argument if pos < 1 or pos is occupied.
    NodeId insert(std::int32_t pos);
    /// Removes the node at `pos`; the position becomes unoccupied and no other position changes. O(log n).
    /// Throws std::invalid_argument if `pos` is unoccupied.
    void erase(std::int32_t pos, Release release = Release::Free);

    /// Moves every position >= pos by `delta`. delta > 0 inserts `delta` unoccupied positions at `pos`; delta < 0
    /// removes positions pos..pos-delta-1, which must all be unoccupied. A no-op when pos > total(). O(log n).
    /// Throws std::invalid_argument if pos < 1 or a removed position is occupied, std::overflow_error if total()
    /// would exceed INT32_MAX.
    void shift(std::int32_t pos, std::int32_t delta);
    /// Removes positions first..first+count-1 together with their nodes; positions after them move up by `count`.
    /// Returns the removed ids in position order; they are already released as `release` says.
    /// O(log n + removed). Throws std::invalid_argument if first < 1 or count < 0.
    std::vector<NodeId> eraseRange(std::int32_t first, std::int32_t count, Release release = Release::Free);

    /// Calls visit(position, id) for every node in position order. O(n); allocates a stack of O(log n).
    /// `visit` must not change the index.
    template <class Visit> void forEach(Visit&& visit) const;

    /// Checks the tree's bookkeeping (sums, gaps, parent links, heap order, size). O(n). For tests and debugging.
    bool checkInvariants() const;

private:
    struct Node {
        NodeId left;
        NodeId right;
        NodeId parent;
        std::uint32_t priority;
        std::int32_t gap; // unoccupied positions between the in-order predecessor (or 0) and this node
        std::int32_t sum; // (gap + 1) summed over the subtree: the subtree's last position relative to its start
    };

    std::int32_t sumOf(NodeId id) const noexcept { return id == npos ? 0 : m_nodes[id].sum; }
    void update(NodeId id) noexcept;
    void split(NodeId tree, std::int64_t pos, NodeId& left, NodeId& right) noexcept;
    NodeId merge(NodeId left, NodeId right) noexcept;
    void addToFirstGap(NodeId tree, std::int32_t delta) noexcept;
    void setRoot(NodeId root) noexcept;
    std::int32_t lowerBoundPosition(std::int32_t pos) const noexcept;
    void forEachIn(NodeId tree, std::vector<NodeId>& out) const;
    NodeId allocate();
    void release(NodeId id, Release release) noexcept;
    std::uint32_t nextPriority() noexcept;
    bool isLive(NodeId id) const noexcept;

    std::vector<Node> m_nodes;
    NodeId m_root = npos;
    NodeId m_freeHead = npos; // free nodes are chained through `left`
    std::size_t m_size = 0;
    std::uint32_t m_random = 0x9E37'79B9u;
    std::uint64_t m_version = 0;
};

template <class Visit> void PositionIndex::forEach(Visit&& visit) const
{
    std::vector<NodeId> stack;
    std::int32_t pos = 0;
    NodeId current = m_root;
    while (current != npos || !stack.empty()) {
        while (current != npos) {
            stack.push_back(current);
            current = m_nodes[current].left;
        }
        current = stack.back();
        stack.pop_back();
        pos += m_nodes[current].gap + 1;
        visit(pos, current);
        current = m_nodes[current].right;
    }
}

} // namespace sheet
