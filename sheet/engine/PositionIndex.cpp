#include "sheet/engine/PositionIndex.h"

#include <atomic>

#include <limits>
#include <stdexcept>
#include <utility>

namespace sheet {

namespace {
// Free and retired nodes carry this gap; live gaps are never negative.
constexpr std::int32_t kDeadGap = -1;
} // namespace

namespace {

// Versions are drawn from one counter, so that two indexes share a version only when one is a copy of the other.
std::atomic<std::uint64_t> g_versions{0};

std::uint64_t newVersion() noexcept
{
    return g_versions.fetch_add(1, std::memory_order_relaxed) + 1;
}

} // namespace

PositionIndex::PositionIndex(PositionIndex&& other) noexcept
    : m_nodes(std::move(other.m_nodes)), m_root(std::exchange(other.m_root, npos)),
      m_freeHead(std::exchange(other.m_freeHead, npos)), m_size(std::exchange(other.m_size, 0)),
      m_random(other.m_random), m_version(newVersion())
{
    other.m_nodes.clear();
    other.m_version = newVersion();
}

PositionIndex& PositionIndex::operator=(PositionIndex&& other) noexcept
{
    if (this != &other) {
        m_nodes = std::move(other.m_nodes);
        other.m_nodes.clear();
        m_root = std::exchange(other.m_root, npos);
        m_freeHead = std::exchange(other.m_freeHead, npos);
        m_size = std::exchange(other.m_size, 0);
        m_random = other.m_random;
        m_version = newVersion();
        other.m_version = newVersion();
    }
    return *this;
}

PositionIndex::NodeId PositionIndex::find(std::int32_t pos) const noexcept
{
    NodeId current = m_root;
    std::int32_t base = 0;
    while (current != npos) {
        const Node& node = m_nodes[current];
        const std::int32_t leftEnd = base + sumOf(node.left);
        if (pos <= leftEnd) {
            current = node.left;
            continue;
        }
        const std::int32_t nodePos = leftEnd + node.gap + 1;
        if (pos == nodePos)
            return current;
        if (pos < nodePos)
            return npos;
        base = nodePos;
        current = node.right;
    }
    return npos;
}

PositionIndex::NodeId PositionIndex::last() const noexcept
{
    NodeId current = m_root;
    if (current == npos)
        return npos;
    while (m_nodes[current].right != npos)
        current = m_nodes[current].right;
    return current;
}

std::int32_t PositionIndex::position(NodeId id) const
{
    if (!isLive(id))
        throw std::invalid_argument("PositionIndex::position: not a live node");
    std::int32_t pos = sumOf(m_nodes[id].left) + m_nodes[id].gap + 1;
    NodeId child = id;
    for (NodeId parent = m_nodes[id].parent; parent != npos; parent = m_nodes[parent].parent) {
        const Node& node = m_nodes[parent];
        if (node.right == child)
            pos += sumOf(node.left) + node.gap + 1;
        child = parent;
    }
    return pos;
}

PositionIndex::NodeId PositionIndex::insert(std::int32_t pos)
{
    if (pos < 1)
        throw std::invalid_argument("PositionIndex::insert: position below 1");
    if (find(pos) != npos)
        throw std::invalid_argument("PositionIndex::insert: position already occupied");
    const NodeId id = allocate(); // the only step that can throw; nothing has changed yet

    NodeId left = npos;
    NodeId right = npos;
    split(m_root, pos, left, right);
    const std::int32_t gap = pos - 1 - sumOf(left);
    Node& node = m_nodes[id];
    node.left = node.right = node.parent = npos;
    node.priority = nextPriority();
    node.gap = gap;
    node.sum = gap + 1;
    // The first node after `pos` used to count the positions up to `pos` in its gap; the new node now does.
    addToFirstGap(right, -(gap + 1));
    setRoot(merge(merge(left, id), right));
    ++m_size;
    return id;
}

void PositionIndex::erase(std::int32_t pos, Release release)
{
    if (find(pos) == npos)
        throw std::invalid_argument("PositionIndex::erase: position not occupied");
    NodeId before = npos;
    NodeId rest = npos;
    split(m_root, pos, before, rest);
    NodeId target = npos;
    NodeId after = npos;
    split(rest, static_cast<std::int64_t>(pos) - sumOf(before) + 1, target, after);
    // The successor absorbs the erased node's span so that its own position stays put.
    addToFirstGap(after, m_nodes[target].gap + 1);
    setRoot(merge(before, after));
    --m_size;
    this->release(target, release);
}

void PositionIndex::shift(std::int32_t pos, std::int32_t delta)
{
    if (pos < 1)
        throw std::invalid_argument("PositionIndex::shift: position below 1");
    if (delta == 0 || pos > total())
        return;
    if (delta > 0 && total() > std::numeric_limits<std::int32_t>::max() - delta)
        throw std::overflow_error("PositionIndex::shift: position would exceed INT32_MAX");
    if (delta < 0 && static_cast<std::int64_t>(lowerBoundPosition(pos)) - pos < -static_cast<std::int64_t>(delta))
        throw std::invalid_argument("PositionIndex::shift: removed positions are occupied");

    m_version = newVersion();
    // Every node on the way contains the first node at or after `pos`, whose gap absorbs the change.
    NodeId current = m_root;
    std::int32_t base = 0;
    while (current != npos) {
        Node& node = m_nodes[current];
        node.sum += delta;
        const std::int32_t leftEnd = base + sumOf(node.left);
        if (pos <= leftEnd) {
            current = node.left;
            continue;
        }
        const std::int32_t nodePos = leftEnd + node.gap + 1; // before the change
        if (pos <= nodePos) {
            node.gap += delta;
            return;
        }
        base = nodePos;
        current = node.right;
    }
}

std::vector<PositionIndex::NodeId> PositionIndex::eraseRange(std::int32_t first, std::int32_t count, Release release)
{
    if (first < 1 || count < 0)
        throw std::invalid_argument("PositionIndex::eraseRange: first below 1 or negative count");
    std::vector<NodeId> removed;
    if (count == 0 || first > total())
        return removed;

    NodeId before = npos;
    NodeId rest = npos;
    split(m_root, first, before, rest);
    const std::int32_t beforeEnd = sumOf(before);
    NodeId middle = npos;
    NodeId after = npos;
    split(rest, static_cast<std::int64_t>(first) + count - beforeEnd, middle, after);
    try {
        forEachIn(middle, removed);
    } catch (...) {
        setRoot(merge(merge(before, middle), after));
        throw;
    }
    // The first surviving node's gap counted from the last removed node; it now counts from `before`'s end and
    // loses the `count` removed positions.
    addToFirstGap(after, static_cast<std::int32_t>(static_cast<std::int64_t>(sumOf(middle)) - count));
    setRoot(merge(before, after));
    for (NodeId id : removed)
        this->release(id, release);
    m_size -= removed.size();
    return removed;
}

bool PositionIndex::checkInvariants() const
{
    if (m_root != npos && m_nodes[m_root].parent != npos)
        return false;
    std::size_t count = 0;
    std::vector<NodeId> stack;
    if (m_root != npos)
        stack.push_back(m_root);
    while (!stack.empty()) {
        const NodeId id = stack.back();
        stack.pop_back();
        const Node& node = m_nodes[id];
        ++count;
        if (node.gap < 0 || node.sum != sumOf(node.left) + node.gap + 1 + sumOf(node.right))
            return false;
        for (NodeId child : {node.left, node.right}) {
            if (child == npos)
                continue;
            if (m_nodes[child].parent != id || m_nodes[child].priority > node.priority)
                return false;
            stack.push_back(child);
        }
    }
    return count == m_size;
}

void PositionIndex::update(NodeId id) noexcept
{
    Node& node = m_nodes[id];
    node.sum = sumOf(node.left) + node.gap + 1 + sumOf(node.right);
    if (node.left != npos)
        m_nodes[node.left].parent = id;
    if (node.right != npos)
        m_nodes[node.right].parent = id;
}

// Splits `tree` into the nodes at positions < pos and the rest; positions are relative to the tree's start.
void PositionIndex::split(NodeId tree, std::int64_t pos, NodeId& left, NodeId& right) noexcept
{
    if (tree == npos) {
        left = right = npos;
        return;
    }
    Node& node = m_nodes[tree];
    const std::int32_t nodePos = sumOf(node.left) + node.gap + 1;
    if (nodePos < pos) {
        split(node.right, pos - nodePos, m_nodes[tree].right, right);
        left = tree;
    } else {
        split(node.left, pos, left, m_nodes[tree].left);
        right = tree;
    }
    update(tree);
}

PositionIndex::NodeId PositionIndex::merge(NodeId left, NodeId right) noexcept
{
    if (left == npos)
        return right;
    if (right == npos)
        return left;
    if (m_nodes[left].priority > m_nodes[right].priority) {
        const NodeId merged = merge(m_nodes[left].right, right);
        m_nodes[left].right = merged;
        update(left);
        return left;
    }
    const NodeId merged = merge(left, m_nodes[right].left);
    m_nodes[right].left = merged;
    update(right);
    return right;
}

void PositionIndex::addToFirstGap(NodeId tree, std::int32_t delta) noexcept
{
    for (NodeId current = tree; current != npos;) {
        Node& node = m_nodes[current];
        node.sum += delta;
        if (node.left == npos)
            node.gap += delta;
        current = node.left;
    }
}

void PositionIndex::setRoot(NodeId root) noexcept
{
    m_version = newVersion();
    m_root = root;
    if (root != npos)
        m_nodes[root].parent = npos;
}

// The position of the first node at or after `pos`, 0 if there is none.
std::int32_t PositionIndex::lowerBoundPosition(std::int32_t pos) const noexcept
{
    NodeId current = m_root;
    std::int32_t base = 0;
    std::int32_t found = 0;
    while (current != npos) {
        const Node& node = m_nodes[current];
        const std::int32_t nodePos = base + sumOf(node.left) + node.gap + 1;
        if (pos <= nodePos) {
            found = nodePos;
            current = node.left;
        } else {
            base = nodePos;
            current = node.right;
        }
    }
    return found;
}

void PositionIndex::forEachIn(NodeId tree, std::vector<NodeId>& out) const
{
    if (tree == npos)
        return;
    forEachIn(m_nodes[tree].left, out);
    out.push_back(tree);
    forEachIn(m_nodes[tree].right, out);
}

PositionIndex::NodeId PositionIndex::allocate()
{
    if (m_freeHead != npos) {
        const NodeId id = m_freeHead;
        m_freeHead = m_nodes[id].left;
        return id;
    }
    if (m_nodes.size() >= npos)
        throw std::length_error("PositionIndex: node pool exhausted");
    m_nodes.push_back(Node{npos, npos, npos, 0, kDeadGap, 0});
    return static_cast<NodeId>(m_nodes.size() - 1);
}

void PositionIndex::release(NodeId id, Release release) noexcept
{
    Node& node = m_nodes[id];
    node.gap = kDeadGap;
    node.right = node.parent = npos;
    node.left = release == Release::Free ? m_freeHead : npos;
    if (release == Release::Free)
        m_freeHead = id;
}

std::uint32_t PositionIndex::nextPriority() noexcept
{
    // xorshift32: cheap, and a fixed seed keeps tree shapes (and so timings and bugs) reproducible.
    std::uint32_t x = m_random;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m_random = x;
    return x;
}

bool PositionIndex::isLive(NodeId id) const noexcept
{
    return id < m_nodes.size() && m_nodes[id].gap >= 0;
}

} // namespace sheet
