// Every allocation of a change made to fail in turn: the grid must stay exactly as it was each time.
#include "sheet/engine/Grid.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <new>
#include <string>

namespace {

long g_allocationsBeforeFailure = -1; // -1: never fail

} // namespace

void* operator new(std::size_t size)
{
    if (g_allocationsBeforeFailure >= 0 && g_allocationsBeforeFailure-- == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (g_allocationsBeforeFailure >= 0 && g_allocationsBeforeFailure-- == 0)
        return nullptr;
    return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace {

using sheet::CellView;
using sheet::Grid;

std::string text(int seed)
{
    return "a text too long for a slot, #" + std::to_string(seed);
}

std::map<std::pair<int, int>, std::string> contents(const Grid& grid)
{
    std::map<std::pair<int, int>, std::string> out;
    grid.forEachCell([&](std::int32_t row, std::int32_t column, const CellView& value) {
        out[{row, column}] = std::to_string(static_cast<int>(value.kind)) + ":" + std::to_string(value.number) + ":" +
                             std::string(value.text);
    });
    return out;
}

struct Change {
    const char* name;
    std::function<void(Grid&)> change;
};

TEST(GridAllocationTest, RunningOutOfMemoryChangesNothing)
{
    // A grid with rows full to capacity and twelve long texts, so that the next new one grows the text index.
    const auto prepare = [](Grid& grid) {
        for (int column = 1; column <= 4; ++column)
            grid.setCell(1, column, CellView::makeText(text(column)));
        for (int column = 1; column <= 8; ++column)
            grid.setCell(2, column, CellView::makeText(text(column + 4)));
    };
    const Change changes[] = {
        {"NewTextInANewRowAndColumn", [](Grid& g) { g.setCell(3, 9, CellView::makeText(text(99))); }},
        {"HeldTextInAFullRow", [](Grid& g) { g.setCell(1, 5, CellView::makeText(text(1))); }},
        {"NewTextOverAnother", [](Grid& g) { g.setCell(1, 1, CellView::makeText(text(98))); }},
        {"ViewOfItsOwnText", [](Grid& g) { g.setCell(5, 5, g.cell(2, 3)); }},
        {"SharedTextInAFullRow",
         [](Grid& g) {
             const Grid::SharedText shared = g.shareText(text(97)); // released with the handle
             g.setCell(1, 6, shared);
         }},
    };
    for (const Change& c : changes) {
        for (long failing = 0;; ++failing) {
            Grid grid;
            prepare(grid);
            const auto before = contents(grid);
            const std::size_t bytes = grid.longTextBytes();
            g_allocationsBeforeFailure = failing;
            try {
                c.change(grid);
                g_allocationsBeforeFailure = -1;
                break;
            } catch (const std::bad_alloc&) {
                g_allocationsBeforeFailure = -1;
            }
            ASSERT_EQ(contents(grid), before) << c.name << ", allocation " << failing;
            ASSERT_EQ(grid.longTextBytes(), bytes) << c.name << ", allocation " << failing;
            ASSERT_EQ(grid.cellCount(), before.size()) << c.name << ", allocation " << failing;
        }
    }
}

} // namespace
