// What a remote sheet is known to hold, kept true through the program's own insertions and deletions.
#include "link/uno/CellBlock.h"

#include <gtest/gtest.h>

namespace {

using automation::Value;
using automation::uno::BlockWindow;
using automation::uno::CellBlock;

// A block of rows 10 to 14 and columns 1 to 2; each cell holds row * 100 + column.
CellBlock rows10to14()
{
    CellBlock block;
    block.setExtent(100, 20);
    std::vector<Value> values;
    for (int r = 10; r <= 14; ++r)
        for (int c = 1; c <= 2; ++c)
            values.emplace_back(double(r * 100 + c));
    block.fill({10, 5, 2}, std::move(values));
    return block;
}

// The rows the block holds now, by the value of their first column's cell, or 0 where a row is not held.
std::vector<double> held(const CellBlock& block, int from, int to)
{
    std::vector<double> out;
    for (int r = from; r <= to; ++r)
        out.push_back(block.find(r, 1) ? block.find(r, 1)->number() : 0);
    return out;
}

TEST(CellBlock, DeletedRowsLeaveTheRestOfTheBlockWhereTheSheetMovesThem)
{
    struct Case {
        int at, count;
        std::vector<double> rows8to14; // what rows 8 to 14 then hold
    } cases[] = {
        {20, 3, {0, 0, 1001, 1101, 1201, 1301, 1401}}, // below the block: nothing moves
        {12, 1, {0, 0, 1001, 1101, 1301, 1401, 0}},    // inside: the rows below come up
        {11, 3, {0, 0, 1001, 1401, 0, 0, 0}},
        {8, 2, {1001, 1101, 1201, 1301, 1401, 0, 0}}, // above: the block moves up
        {9, 3, {0, 1201, 1301, 1401, 0, 0, 0}},       // across its top
        {13, 5, {0, 0, 1001, 1101, 1201, 0, 0}},      // across its bottom
        {5, 20, {0, 0, 0, 0, 0, 0, 0}},               // the whole block
    };
    for (const Case& c : cases) {
        CellBlock block = rows10to14();
        block.rowsDeleted(c.at, c.count);
        EXPECT_EQ(held(block, 8, 14), c.rows8to14) << c.at << "+" << c.count;
        EXPECT_FALSE(block.pastExtent(100 - c.count, 1)) << c.at;
        EXPECT_TRUE(block.pastExtent(101 - c.count, 1)) << c.at;
    }
}

TEST(CellBlock, InsertedRowsMoveTheBlockOrDropIt)
{
    CellBlock below = rows10to14();
    below.rowsInserted(15, 2);
    EXPECT_EQ(held(below, 10, 14), (std::vector<double>{1001, 1101, 1201, 1301, 1401}));

    CellBlock above = rows10to14();
    above.rowsInserted(10, 2);
    EXPECT_EQ(held(above, 10, 16), (std::vector<double>{0, 0, 1001, 1101, 1201, 1301, 1401}));
    EXPECT_TRUE(above.pastExtent(103, 1));
    EXPECT_FALSE(above.pastExtent(102, 1));

    // Blank rows inside the block: what it held is read again when asked for.
    CellBlock inside = rows10to14();
    inside.rowsInserted(12, 1);
    EXPECT_EQ(held(inside, 10, 15), (std::vector<double>(6, 0)));
}

TEST(CellBlock, ColumnChangesAndOutsideChangesForgetTheBlock)
{
    CellBlock columns = rows10to14();
    columns.columnsInserted(3, 1); // right of the block
    EXPECT_NE(columns.find(10, 1), nullptr);
    EXPECT_FALSE(columns.pastExtent(1, 21));
    columns.columnsDeleted(1, 2);
    EXPECT_EQ(columns.find(10, 1), nullptr);
    EXPECT_TRUE(columns.pastExtent(1, 20));
    EXPECT_FALSE(columns.pastExtent(1, 19));

    CellBlock other = rows10to14();
    other.forget();
    EXPECT_EQ(other.find(10, 1), nullptr);
    EXPECT_FALSE(other.knowsExtent());
}

TEST(CellBlock, AValueWrittenIsKeptAndWidensTheExtent)
{
    CellBlock block = rows10to14();
    block.cellSet(11, 2, Value("new"));
    EXPECT_EQ(*block.find(11, 2), Value("new"));
    EXPECT_TRUE(block.pastExtent(150, 1));
    block.cellSet(150, 30, Value(1.0));
    EXPECT_FALSE(block.pastExtent(150, 30));
    block.cellSet(200, 1, Value()); // a blank written far away changes nothing there
    EXPECT_TRUE(block.pastExtent(200, 1));
}

TEST(CellBlock, AScanReadsMoreAtATimeTheLongerItRunsAndStaysBounded)
{
    CellBlock block;
    block.setExtent(1'000'000, 20);
    std::vector<int> sizes;
    for (int row = 1, i = 0; i < 10; ++i) {
        const BlockWindow w = block.windowFor(row, 1);
        sizes.push_back(w.rows);
        EXPECT_EQ(w.top, row);
        EXPECT_EQ(w.columns, 20); // never past the used columns
        block.fill(w, std::vector<Value>(static_cast<std::size_t>(w.rows * w.columns)));
        row += w.rows;
    }
    EXPECT_EQ(sizes, (std::vector<int>{64, 128, 256, 512, 1024, 2048, 4096, 4096, 4096, 4096}));

    // A jump elsewhere starts small again; a wide sheet reads fewer rows; the last rows are not overrun.
    EXPECT_EQ(block.windowFor(500'000, 1).rows, 64);
    CellBlock wide;
    wide.setExtent(1'000'000, 16384);
    const BlockWindow far = wide.windowFor(1, 16000);
    EXPECT_EQ(far.columns, 16000);
    EXPECT_LE(static_cast<std::size_t>(far.rows) * static_cast<std::size_t>(far.columns), 128u * 1024u);
    EXPECT_EQ(block.windowFor(999'990, 1).rows, 11);
}

} // namespace
