#include "sheet/engine/PositionIndex.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace sheet {
namespace {

using NodeId = PositionIndex::NodeId;
constexpr NodeId npos = PositionIndex::npos;

std::vector<std::pair<std::int32_t, NodeId>> contents(const PositionIndex& index)
{
    std::vector<std::pair<std::int32_t, NodeId>> out;
    index.forEach([&](std::int32_t pos, NodeId id) { out.emplace_back(pos, id); });
    return out;
}

PositionIndex indexAt(std::initializer_list<std::int32_t> positions)
{
    PositionIndex index;
    for (std::int32_t pos : positions)
        index.insert(pos);
    return index;
}

std::vector<std::int32_t> positionsOf(const PositionIndex& index)
{
    std::vector<std::int32_t> out;
    index.forEach([&](std::int32_t pos, NodeId) { out.push_back(pos); });
    return out;
}

TEST(PositionIndexTest, EmptyIndexHasNothing)
{
    const PositionIndex index;
    EXPECT_EQ(index.total(), 0);
    EXPECT_EQ(index.size(), 0u);
    EXPECT_EQ(index.find(1), npos);
    EXPECT_EQ(index.last(), npos);
    EXPECT_TRUE(contents(index).empty());
}

TEST(PositionIndexTest, InsertKeepsEveryOtherPosition)
{
    PositionIndex index = indexAt({10, 3, 7});
    const NodeId at7 = index.find(7);
    const NodeId first = index.insert(1); // before the first node
    const NodeId middle = index.insert(5);
    const NodeId beyond = index.insert(1000);

    EXPECT_EQ(positionsOf(index), (std::vector<std::int32_t>{1, 3, 5, 7, 10, 1000}));
    EXPECT_EQ(index.find(7), at7);
    EXPECT_EQ(index.position(first), 1);
    EXPECT_EQ(index.position(middle), 5);
    EXPECT_EQ(index.position(beyond), 1000);
    EXPECT_EQ(index.total(), 1000);
    EXPECT_EQ(index.last(), beyond);
    EXPECT_TRUE(index.checkInvariants());
}

TEST(PositionIndexTest, EraseLeavesPositionsInPlace)
{
    PositionIndex index = indexAt({2, 5, 9});
    index.erase(5);
    EXPECT_EQ(positionsOf(index), (std::vector<std::int32_t>{2, 9}));
    index.erase(9); // the last node: total falls back to the previous node
    EXPECT_EQ(index.total(), 2);
    index.erase(2);
    EXPECT_EQ(index.total(), 0);
    EXPECT_TRUE(index.empty());
    EXPECT_TRUE(index.checkInvariants());
}

TEST(PositionIndexTest, ShiftMovesOnlyPositionsAtOrAfterIt)
{
    PositionIndex index = indexAt({2, 5, 9});
    index.shift(5, 3);
    EXPECT_EQ(positionsOf(index), (std::vector<std::int32_t>{2, 8, 12}));
    index.shift(3, -5); // removes 3..7, all unoccupied
    EXPECT_EQ(positionsOf(index), (std::vector<std::int32_t>{2, 3, 7}));
    index.shift(1, 1'000'000);
    EXPECT_EQ(positionsOf(index), (std::vector<std::int32_t>{1'000'002, 1'000'003, 1'000'007}));
    EXPECT_TRUE(index.checkInvariants());
}

TEST(PositionIndexTest, ShiftPastTheLastPositionChangesNothing)
{
    PositionIndex index = indexAt({2, 5});
    index.shift(6, 10);
    index.shift(6, -1);
    EXPECT_EQ(positionsOf(index), (std::vector<std::int32_t>{2, 5}));
}

TEST(PositionIndexTest, EraseRangeRemovesNodesAndClosesTheGap)
{
    PositionIndex index = indexAt({1, 4, 5, 6, 10, 20});
    const std::vector<NodeId> inside{index.find(4), index.find(5), index.find(6)};
    EXPECT_EQ(index.eraseRange(3, 5), inside); // positions 3..7, reported in position order
    EXPECT_EQ(positionsOf(index), (std::vector<std::int32_t>{1, 5, 15}));

    EXPECT_TRUE(index.eraseRange(16, 3).empty()); // past the end
    EXPECT_EQ(positionsOf(index), (std::vector<std::int32_t>{1, 5, 15}));
    index.eraseRange(2, 1'000'000); // runs far past the end
    EXPECT_EQ(positionsOf(index), (std::vector<std::int32_t>{1}));
    EXPECT_TRUE(index.checkInvariants());
}

TEST(PositionIndexTest, MisuseThrowsAndChangesNothing)
{
    PositionIndex index = indexAt({3, 6});
    const auto before = contents(index);
    EXPECT_THROW(index.insert(3), std::invalid_argument);
    EXPECT_THROW(index.insert(0), std::invalid_argument);
    EXPECT_THROW(index.erase(4), std::invalid_argument);
    EXPECT_THROW(index.shift(4, -3), std::invalid_argument); // would remove occupied 6
    EXPECT_THROW(index.shift(0, 1), std::invalid_argument);
    EXPECT_THROW(index.shift(1, INT32_MAX), std::overflow_error);
    EXPECT_THROW(index.eraseRange(0, 1), std::invalid_argument);
    EXPECT_THROW(index.eraseRange(1, -1), std::invalid_argument);
    EXPECT_THROW(static_cast<void>(index.position(index.idLimit())), std::invalid_argument);
    EXPECT_EQ(contents(index), before);
    EXPECT_TRUE(index.checkInvariants());
}

TEST(PositionIndexTest, FreedIdsAreReusedAndRetiredIdsNeverAre)
{
    PositionIndex index;
    for (int round = 0; round < 100; ++round) {
        index.insert(1);
        index.erase(1);
    }
    EXPECT_EQ(index.idLimit(), 1u) << "a freed id must go back to the pool";

    const NodeId retired = index.insert(5);
    index.erase(5, PositionIndex::Release::Retire);
    EXPECT_THROW(static_cast<void>(index.position(retired)), std::invalid_argument);
    const NodeId rangeRetired = index.insert(7);
    index.eraseRange(7, 1, PositionIndex::Release::Retire);
    for (std::int32_t pos = 1; pos <= 50; ++pos) {
        const NodeId id = index.insert(pos);
        EXPECT_NE(id, retired);
        EXPECT_NE(id, rangeRetired);
    }
}

TEST(PositionIndexTest, MovedFromIndexIsEmptyAndUsable)
{
    PositionIndex source = indexAt({4, 8});
    PositionIndex target(std::move(source));
    EXPECT_EQ(positionsOf(target), (std::vector<std::int32_t>{4, 8}));
    EXPECT_EQ(source.total(), 0); // NOLINT(bugprone-use-after-move): moves promise an empty index
    source.insert(2);
    EXPECT_EQ(positionsOf(source), (std::vector<std::int32_t>{2}));

    PositionIndex assigned;
    assigned = std::move(target);
    EXPECT_EQ(positionsOf(assigned), (std::vector<std::int32_t>{4, 8}));
    EXPECT_TRUE(target.empty()); // NOLINT(bugprone-use-after-move)
}

// The index against an ordered map from position to id, over thousands of random operations. Small positions
// make collisions and adjacent nodes common; now and then a big shift stretches the range.
class PositionIndexModelTest : public testing::TestWithParam<std::uint32_t> {};

TEST_P(PositionIndexModelTest, AgreesWithAnOrderedMap)
{
    std::mt19937 random(GetParam());
    const auto roll = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    PositionIndex index;
    std::map<std::int32_t, NodeId> model;
    std::set<NodeId> retired;

    const auto shiftModel = [&](std::int32_t from, std::int32_t delta) {
        std::map<std::int32_t, NodeId> moved;
        for (const auto& [pos, id] : model)
            moved.emplace(pos >= from ? pos + delta : pos, id);
        model = std::move(moved);
    };
    const auto span = [&] { return model.empty() ? 60 : model.rbegin()->first + 10; };

    for (int step = 0; step < 4000; ++step) {
        const int op = roll(0, 99);
        if (op < 30) {
            const std::int32_t pos = roll(1, span());
            if (model.count(pos) != 0) {
                EXPECT_THROW(index.insert(pos), std::invalid_argument);
                continue;
            }
            const NodeId id = index.insert(pos);
            for (const auto& entry : model)
                ASSERT_NE(entry.second, id) << "an id handed out twice";
            ASSERT_EQ(retired.count(id), 0u) << "a retired id came back";
            model.emplace(pos, id);
        } else if (op < 45 && !model.empty()) {
            auto it = std::next(model.begin(), roll(0, static_cast<int>(model.size()) - 1));
            const bool retire = roll(0, 3) == 0;
            index.erase(it->first, retire ? PositionIndex::Release::Retire : PositionIndex::Release::Free);
            if (retire)
                retired.insert(it->second);
            model.erase(it);
        } else if (op < 60) {
            const std::int32_t pos = roll(1, span());
            const std::int32_t delta = roll(0, 9) == 0 ? roll(100, 5000) : roll(1, 5);
            index.shift(pos, delta);
            if (!model.empty() && pos <= model.rbegin()->first)
                shiftModel(pos, delta);
        } else if (op < 72 && !model.empty()) {
            // Remove a stretch of unoccupied positions just before some node.
            const auto it = std::next(model.begin(), roll(0, static_cast<int>(model.size()) - 1));
            const std::int32_t previous = it == model.begin() ? 0 : std::prev(it)->first;
            const std::int32_t room = it->first - previous - 1;
            if (room == 0)
                continue;
            const std::int32_t count = roll(1, room);
            const std::int32_t pos = roll(previous + 1, it->first - count);
            index.shift(pos, -count);
            shiftModel(pos, -count);
        } else if (op < 82) {
            const std::int32_t first = roll(1, span());
            const std::int32_t count = roll(1, 12);
            std::vector<NodeId> expected;
            for (auto it = model.lower_bound(first); it != model.end() && it->first < first + count;) {
                expected.push_back(it->second);
                it = model.erase(it);
            }
            const bool retire = roll(0, 3) == 0;
            const auto removed =
                index.eraseRange(first, count, retire ? PositionIndex::Release::Retire : PositionIndex::Release::Free);
            ASSERT_EQ(removed, expected);
            if (retire)
                retired.insert(removed.begin(), removed.end());
            if (!model.empty() && first <= model.rbegin()->first)
                shiftModel(first + count, -count);
        } else {
            const std::int32_t pos = roll(0, span());
            const auto it = model.find(pos);
            ASSERT_EQ(index.find(pos), it == model.end() ? npos : it->second) << "find(" << pos << ")";
            if (!model.empty()) {
                const auto any = std::next(model.begin(), roll(0, static_cast<int>(model.size()) - 1));
                ASSERT_EQ(index.position(any->second), any->first);
            }
        }

        ASSERT_EQ(index.size(), model.size());
        ASSERT_EQ(index.total(), model.empty() ? 0 : model.rbegin()->first);
        ASSERT_EQ(index.last(), model.empty() ? npos : model.rbegin()->second);
        if (step % 50 == 0) {
            ASSERT_TRUE(index.checkInvariants());
            ASSERT_EQ(contents(index), (std::vector<std::pair<std::int32_t, NodeId>>(model.begin(), model.end())));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, PositionIndexModelTest, testing::Values(1u, 2u, 3u, 42u, 2024u));

} // namespace
} // namespace sheet
