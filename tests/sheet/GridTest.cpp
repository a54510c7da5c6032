#include "sheet/engine/Grid.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace sheet {

void PrintTo(const CellView& value, std::ostream* out)
{
    *out << "{kind " << static_cast<int>(value.kind) << ", number " << value.number << ", error " << value.error
         << ", text \"" << value.text << "\"}";
}

namespace {

constexpr std::int32_t kRows = Grid::kRows;
constexpr std::int32_t kColumns = Grid::kColumns;

// A cell value that owns its text, so it can outlive the grid's views.
struct Value {
    CellKind kind = CellKind::Empty;
    double number = 0;
    std::int32_t error = 0;
    std::string text;

    static Value of(const CellView& view) { return {view.kind, view.number, view.error, std::string(view.text)}; }
    CellView view() const { return {kind, number, error, text}; }
    bool operator==(const Value&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Value& value)
    {
        PrintTo(value.view(), &out);
        return out;
    }
};

using Cells = std::map<std::pair<std::int32_t, std::int32_t>, Value>;

Cells snapshot(const Grid& grid)
{
    Cells cells;
    std::pair<std::int32_t, std::int32_t> previous{0, 0};
    grid.forEachCell([&](std::int32_t row, std::int32_t column, const CellView& value) {
        EXPECT_LT(previous, std::make_pair(row, column)) << "forEachCell must go row by row, left to right";
        previous = {row, column};
        cells.emplace(std::make_pair(row, column), Value::of(value));
    });
    return cells;
}

std::string longText(int seed, std::size_t length)
{
    std::string text = "long#" + std::to_string(seed) + "#";
    while (text.size() < length)
        text += static_cast<char>('a' + text.size() % 26);
    text.resize(length);
    return text;
}

std::vector<double> numbersInColumn(const Grid& grid, std::int32_t column, std::int32_t rows)
{
    std::vector<double> out;
    for (std::int32_t row = 1; row <= rows; ++row)
        out.push_back(grid.cell(row, column).isEmpty() ? 0 : grid.cell(row, column).number);
    return out;
}

std::vector<double> numbersInRow(const Grid& grid, std::int32_t row, std::int32_t columns)
{
    std::vector<double> out;
    for (std::int32_t column = 1; column <= columns; ++column)
        out.push_back(grid.cell(row, column).isEmpty() ? 0 : grid.cell(row, column).number);
    return out;
}

TEST(GridTest, EmptyGridReadsBlankEverywhere)
{
    const Grid grid;
    EXPECT_TRUE(grid.cell(1, 1).isEmpty());
    EXPECT_TRUE(grid.cell(kRows, kColumns).isEmpty());
    EXPECT_EQ(grid.lastRow(), 0);
    EXPECT_EQ(grid.lastColumn(), 0);
    EXPECT_EQ(grid.cellCount(), 0u);
}

struct RoundTripCase {
    const char* name;
    CellView value;
};

class GridRoundTripTest : public testing::TestWithParam<RoundTripCase> {};

TEST_P(GridRoundTripTest, ValueReadsBackAsWritten)
{
    static const std::vector<std::pair<std::int32_t, std::int32_t>> places{{1, 1}, {kRows, kColumns}, {500, 7}};
    Grid grid;
    for (const auto& [row, column] : places) {
        grid.setCell(row, column, GetParam().value);
        EXPECT_EQ(grid.cell(row, column), GetParam().value);
    }
    // Read again after every write: one cell's storage must not bleed into another's.
    for (const auto& [row, column] : places)
        EXPECT_EQ(grid.cell(row, column), GetParam().value);
    EXPECT_EQ(grid.cellCount(), places.size());
}

const std::string kLongText = longText(1, 300);
const std::string kChinese = "销售额汇总表（第一季度）";

const RoundTripCase kRoundTripCases[] = {
    {"Number", CellView::makeNumber(3.25)},
    {"NegativeNumber", CellView::makeNumber(-1e300)},
    {"Zero", CellView::makeNumber(0)},
    {"ShortText", CellView::makeText("t123456")},
    {"TextOfTenBytes", CellView::makeText("0123456789")},
    {"TextOfElevenBytes", CellView::makeText("0123456789A")},
    {"LongText", CellView::makeText(kLongText)},
    {"ShortChineseText", CellView::makeText("你好")},
    {"LongChineseText", CellView::makeText(kChinese)},
    {"TextWithNulByte", CellView::makeText(std::string_view("a\0b", 3))},
    {"EmptyText", CellView::makeText("")},
    {"True", CellView::makeBoolean(true)},
    {"False", CellView::makeBoolean(false)},
    {"Date", CellView::makeDate(45'292.75)},
    {"ErrorNA", CellView::makeError(static_cast<std::int32_t>(CellError::NA))},
    {"ErrorDiv0", CellView::makeError(static_cast<std::int32_t>(CellError::Div0))},
};

INSTANTIATE_TEST_SUITE_P(Kinds, GridRoundTripTest, testing::ValuesIn(kRoundTripCases),
                         [](const testing::TestParamInfo<RoundTripCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(GridTest, OverwritingChangesKindWithoutAddingCells)
{
    Grid grid;
    const std::string otherLongText = longText(2, 50);
    const std::vector<CellView> sequence{CellView::makeText(kLongText), CellView::makeNumber(2),
                                         CellView::makeText("short"),   CellView::makeText(kChinese),
                                         CellView::makeBoolean(true),   CellView::makeText(otherLongText)};
    for (const CellView& value : sequence) {
        grid.setCell(3, 4, value);
        EXPECT_EQ(grid.cell(3, 4), value);
        EXPECT_EQ(grid.cellCount(), 1u);
    }
}

TEST(GridTest, ClearingTheOnlyCellEmptiesTheGrid)
{
    Grid grid;
    grid.setCell(7, 9, CellView::makeText(kLongText));
    grid.setCell(7, 9, CellView{});
    EXPECT_TRUE(grid.cell(7, 9).isEmpty());
    EXPECT_EQ(grid.cellCount(), 0u);
    EXPECT_EQ(grid.lastRow(), 0);
    EXPECT_EQ(grid.lastColumn(), 0);
    grid.setCell(7, 9, CellView{}); // clearing a blank cell is harmless
    EXPECT_EQ(grid.cellCount(), 0u);
}

TEST(GridTest, ClearingTheLastCellsShrinksLastRowAndColumn)
{
    Grid grid;
    grid.setCell(2, 2, CellView::makeNumber(1));
    grid.setCell(5, 8, CellView::makeNumber(2));
    grid.setCell(5, 3, CellView::makeNumber(3));
    grid.setCell(5, 8, CellView{});
    EXPECT_EQ(grid.lastRow(), 5);
    EXPECT_EQ(grid.lastColumn(), 3);
    grid.setCell(5, 3, CellView{});
    EXPECT_EQ(grid.lastRow(), 2);
    EXPECT_EQ(grid.lastColumn(), 2);
    EXPECT_EQ(grid.cellCount(), 1u);
}

TEST(GridTest, ValueViewingTheGridItselfCanBeStored)
{
    // Texts of 11 to 16 bytes sit inside the text store's entries, which move when the store grows.
    Grid grid;
    for (int i = 0; i < 40; ++i) {
        grid.setCell(1, i + 1, CellView::makeText(longText(i, 11 + i % 5)));
        grid.setCell(2, i + 1, grid.cell(1, i + 1));
        grid.setCell(1, i + 1, grid.cell(1, i + 1));
    }
    grid.setCell(3, 1, CellView::makeText("inline"));
    grid.setCell(3, 2, grid.cell(3, 1)); // the row's slots may move while copying
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(grid.cell(1, i + 1).text, longText(i, 11 + i % 5));
        EXPECT_EQ(grid.cell(2, i + 1).text, longText(i, 11 + i % 5));
    }
    EXPECT_EQ(grid.cell(3, 2).text, "inline");
}

// Cells holding equal long texts hold one copy, however the text reached them, until the last of them lets go.
TEST(GridTest, CellsHoldingOneLongTextShareItsBytes)
{
    Grid grid;
    const std::string text = longText(3, 100);
    for (int row = 1; row <= 1000; ++row)
        grid.setCell(row, 1 + row % 3, CellView::makeText(std::string(text))); // a new buffer every time
    grid.setCell(2000, 1, grid.cell(1, 2));                                    // a view of the grid's own copy
    EXPECT_EQ(grid.longTextBytes(), 100u);

    const std::string other = longText(4, 60);
    grid.setCell(5, 3, CellView::makeText(other));
    grid.setCell(6, 1, CellView::makeText(other));
    EXPECT_EQ(grid.longTextBytes(), 160u);
    for (int row = 1; row <= 1000; ++row) {
        if (row != 5 && row != 6) {
            ASSERT_EQ(grid.cell(row, 1 + row % 3).text, text) << row;
        }
    }
    EXPECT_EQ(grid.cell(5, 3).text, other);

    grid.setCell(6, 1, CellView::makeNumber(6)); // overwritten, deleted, cleared: each releases its holder
    grid.deleteRows(5, 1);
    EXPECT_EQ(grid.longTextBytes(), 100u);
    EXPECT_EQ(grid.clearArea(1, 1, 999, kColumns), 999u); // rows 6 to 1000 moved up one
    EXPECT_EQ(grid.longTextBytes(), 100u);
    grid.deleteRows(1, 2000);
    EXPECT_EQ(grid.longTextBytes(), 0u);
    EXPECT_EQ(grid.cellCount(), 0u);
}

TEST(GridTest, ASharedTextFillsManyCellsAndOutlivesItsHandle)
{
    Grid grid;
    const std::string text = longText(7, 65'536);
    {
        const Grid::SharedText shared = grid.shareText(text);
        const Grid::SharedText shortOne = grid.shareText("short");
        for (int row = 1; row <= 10'000; ++row)
            grid.setCell(row, 1, shared);
        grid.setCell(1, 2, shortOne);
        grid.setCell(1, 1, shortOne); // replaces a holder of the long one
        EXPECT_EQ(grid.longTextBytes(), text.size());
    }
    EXPECT_EQ(grid.cell(1, 1), CellView::makeText("short"));
    EXPECT_EQ(grid.cell(1, 2), CellView::makeText("short"));
    EXPECT_EQ(grid.cell(10'000, 1).text, text);
    EXPECT_EQ(grid.cellCount(), 10'001u);
    EXPECT_EQ(grid.longTextBytes(), text.size());

    // Equal texts stored as values find the shared copy too.
    grid.setCell(1, 3, CellView::makeText(text));
    EXPECT_EQ(grid.longTextBytes(), text.size());
    EXPECT_EQ(grid.clearWhere([](std::int32_t, std::int32_t column) { return column != 2; }), 10'001u);
    EXPECT_EQ(grid.longTextBytes(), 0u);
    EXPECT_EQ(grid.cellCount(), 1u);
}

TEST(GridTest, ASharedTextOfAnotherGridIsRefusedWithoutChange)
{
    Grid grid;
    Grid other;
    const Grid::SharedText foreign = other.shareText(longText(1, 40));
    const Grid::SharedText none;
    EXPECT_THROW(grid.setCell(1, 1, foreign), std::invalid_argument);
    EXPECT_THROW(grid.setCell(1, 1, none), std::invalid_argument);
    EXPECT_EQ(grid.cellCount(), 0u);
    EXPECT_EQ(grid.lastRow(), 0);
    EXPECT_EQ(grid.longTextBytes(), 0u);
}

TEST(GridTest, UnknownKindIsRejectedWithoutChange)
{
    Grid grid;
    CellView bogus;
    bogus.kind = static_cast<CellKind>(42);
    EXPECT_THROW(grid.setCell(1, 1, bogus), std::invalid_argument);
    EXPECT_EQ(grid.cellCount(), 0u);
    EXPECT_EQ(grid.lastRow(), 0);
}

// A column or row of 1..12 and one structural change; `expected` lists what positions 1..15 then hold.
struct ShiftCase {
    const char* name;
    bool insert;
    std::int32_t at;
    std::int32_t count;
    std::vector<double> expected;
};

class GridShiftTest : public testing::TestWithParam<ShiftCase> {};

TEST_P(GridShiftTest, RowsMoveExactly)
{
    const ShiftCase& c = GetParam();
    Grid grid;
    for (int i = 1; i <= 12; ++i)
        grid.setCell(i, 2, CellView::makeNumber(i));
    if (c.insert)
        grid.insertRows(c.at, c.count);
    else
        grid.deleteRows(c.at, c.count);
    EXPECT_EQ(numbersInColumn(grid, 2, 15), c.expected);
    EXPECT_EQ(grid.cellCount(), static_cast<std::size_t>(std::count_if(c.expected.begin(), c.expected.end(),
                                                                       [](double v) { return v != 0; })));
}

TEST_P(GridShiftTest, ColumnsMoveExactly)
{
    const ShiftCase& c = GetParam();
    Grid grid;
    for (int i = 1; i <= 12; ++i)
        grid.setCell(2, i, CellView::makeNumber(i));
    if (c.insert)
        grid.insertColumns(c.at, c.count);
    else
        grid.deleteColumns(c.at, c.count);
    EXPECT_EQ(numbersInRow(grid, 2, 15), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, GridShiftTest,
    testing::Values(ShiftCase{"InsertOneAt4", true, 4, 1, {1, 2, 3, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0}},
                    ShiftCase{"InsertThreeAt1", true, 1, 3, {0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
                    ShiftCase{"InsertAtLastValue", true, 12, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 0, 12, 0}},
                    ShiftCase{"InsertBelowLastValue", true, 13, 5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0}},
                    ShiftCase{"DeleteOneAt4", false, 4, 1, {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 0}},
                    ShiftCase{"DeleteFirstThree", false, 1, 3, {4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 0, 0, 0}},
                    ShiftCase{"DeleteAcrossTheEnd", false, 10, 100, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0}},
                    ShiftCase{"DeleteBelowLastValue", false, 13, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0}},
                    ShiftCase{"DeleteEverything", false, 1, 12, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}),
    [](const testing::TestParamInfo<ShiftCase>& param) { return std::string(param.param.name); });

TEST(GridTest, InsertingBlankRowsBetweenValuesKeepsOtherColumnsAligned)
{
    Grid grid;
    for (int row = 1; row <= 6; ++row)
        for (int column = 1; column <= 3; ++column)
            grid.setCell(row, column, CellView::makeNumber(row * 10 + column));
    grid.insertRows(3, 2);
    grid.insertColumns(2, 1);
    EXPECT_EQ(numbersInRow(grid, 2, 5), (std::vector<double>{21, 0, 22, 23, 0}));
    EXPECT_EQ(numbersInRow(grid, 3, 5), (std::vector<double>{0, 0, 0, 0, 0}));
    EXPECT_EQ(numbersInRow(grid, 5, 5), (std::vector<double>{31, 0, 32, 33, 0}));
    EXPECT_EQ(grid.lastRow(), 8);
    EXPECT_EQ(grid.lastColumn(), 4);
    EXPECT_EQ(grid.cellCount(), 18u);
}

TEST(GridTest, RepeatedReadsOfOneRowSeeEveryChangeInBetween)
{
    Grid grid;
    grid.setCell(4, 1, CellView::makeNumber(4));
    grid.setCell(5, 1, CellView::makeNumber(5));
    EXPECT_EQ(grid.cell(5, 1), CellView::makeNumber(5));
    grid.insertRows(1, 1);
    EXPECT_EQ(grid.cell(5, 1), CellView::makeNumber(4));
    grid.deleteRows(2, 2);
    EXPECT_TRUE(grid.cell(5, 1).isEmpty());
    grid.setCell(5, 2, CellView::makeNumber(7)); // creates the row just read as blank
    EXPECT_EQ(grid.cell(5, 2), CellView::makeNumber(7));
    grid.setCell(5, 2, CellView{});
    grid.setCell(6, 2, CellView::makeNumber(8)); // may reuse the freed row's storage
    EXPECT_TRUE(grid.cell(5, 2).isEmpty());
}

TEST(GridTest, InsertionPushingValuesOffTheSheetIsRefusedWithoutChange)
{
    Grid grid;
    grid.setCell(1, 1, CellView::makeText(kLongText));
    grid.setCell(kRows, 3, CellView::makeNumber(7));
    grid.setCell(20, kColumns, CellView::makeText("edge"));
    const Cells before = snapshot(grid);

    const auto expectRefused = [&](auto&& change) {
        try {
            change();
            ADD_FAILURE() << "expected DataWouldBeLost";
        } catch (const GridError& error) {
            EXPECT_EQ(error.reason(), GridError::Reason::DataWouldBeLost);
        }
        EXPECT_EQ(snapshot(grid), before);
        EXPECT_EQ(grid.lastRow(), kRows);
        EXPECT_EQ(grid.lastColumn(), kColumns);
    };
    expectRefused([&] { grid.insertRows(1, 1); });
    expectRefused([&] { grid.insertRows(kRows, 1); });
    expectRefused([&] { grid.insertColumns(5, 3); });
    expectRefused([&] { grid.insertColumns(kColumns, 1); });

    // Below or right of the last value nothing is pushed off.
    grid.setCell(kRows, 3, CellView{});
    grid.setCell(kRows - 1, 3, CellView::makeNumber(7));
    grid.insertRows(kRows, 1);
    EXPECT_EQ(grid.cell(kRows - 1, 3), CellView::makeNumber(7));
}

TEST(GridTest, InsertionSucceedsWhileTheLastRowIsBlank)
{
    Grid grid;
    grid.setCell(kRows - 1, 2, CellView::makeNumber(9));
    grid.setCell(3, kColumns - 2, CellView::makeText("x"));
    EXPECT_THROW(grid.insertRows(1, 2), GridError);
    grid.insertRows(1, 1);
    EXPECT_EQ(grid.cell(kRows, 2), CellView::makeNumber(9));
    EXPECT_EQ(grid.lastRow(), kRows);
    grid.insertColumns(1, 2);
    EXPECT_EQ(grid.cell(4, kColumns), CellView::makeText("x"));
    EXPECT_EQ(grid.lastColumn(), kColumns);
}

TEST(GridTest, PositionsOutsideTheSheetAreOutOfRange)
{
    Grid grid;
    grid.setCell(2, 2, CellView::makeNumber(1));
    const Cells before = snapshot(grid);
    const std::vector<std::pair<const char*, std::function<void()>>> calls{
        {"cell row 0", [&] { static_cast<void>(grid.cell(0, 1)); }},
        {"cell row past end", [&] { static_cast<void>(grid.cell(kRows + 1, 1)); }},
        {"cell column 0", [&] { static_cast<void>(grid.cell(1, 0)); }},
        {"cell column past end", [&] { static_cast<void>(grid.cell(1, kColumns + 1)); }},
        {"setCell negative row", [&] { grid.setCell(-1, 1, CellView::makeNumber(1)); }},
        {"setCell column past end", [&] { grid.setCell(1, kColumns + 1, CellView::makeNumber(1)); }},
        {"clear row past end", [&] { grid.setCell(kRows + 1, 1, CellView{}); }},
        {"insertRows at 0", [&] { grid.insertRows(0, 1); }},
        {"insertRows count 0", [&] { grid.insertRows(1, 0); }},
        {"insertRows past end", [&] { grid.insertRows(kRows, 2); }},
        {"insertRows at past end", [&] { grid.insertRows(kRows + 1, 1); }},
        {"deleteRows negative count", [&] { grid.deleteRows(1, -3); }},
        {"deleteRows past end", [&] { grid.deleteRows(2, kRows); }},
        {"insertColumns past end", [&] { grid.insertColumns(kColumns - 1, 3); }},
        {"deleteColumns at 0", [&] { grid.deleteColumns(0, 1); }},
        {"deleteColumns past end", [&] { grid.deleteColumns(kColumns, 2); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        try {
            call();
            ADD_FAILURE() << "expected OutOfRange";
        } catch (const GridError& error) {
            EXPECT_EQ(error.reason(), GridError::Reason::OutOfRange);
        }
    }
    EXPECT_EQ(snapshot(grid), before);
    // The extremes themselves are inside.
    grid.insertRows(kRows, 1);
    grid.deleteRows(1, kRows);
    grid.deleteColumns(1, kColumns);
    EXPECT_EQ(grid.cellCount(), 0u);
}

TEST(GridTest, DeletedRowTakesItsCellsAlong)
{
    Grid grid;
    grid.setCell(1, 1, CellView::makeNumber(1));
    grid.setCell(2, 1, CellView::makeText(kLongText));
    grid.setCell(2, 9, CellView::makeText("only here")); // the only cell of column 9
    grid.setCell(3, 1, CellView::makeNumber(3));
    grid.deleteRows(2, 1);

    EXPECT_EQ(grid.cell(2, 1), CellView::makeNumber(3));
    EXPECT_TRUE(grid.cell(2, 9).isEmpty());
    EXPECT_TRUE(grid.cell(3, 1).isEmpty());
    EXPECT_EQ(grid.cellCount(), 2u);
    EXPECT_EQ(grid.lastRow(), 2);
    EXPECT_EQ(grid.lastColumn(), 1);

    // The emptied row and column can be filled again.
    grid.setCell(2, 9, CellView::makeText(longText(5, 40)));
    EXPECT_EQ(grid.cell(2, 9).text, longText(5, 40));
    EXPECT_EQ(grid.cell(2, 1), CellView::makeNumber(3));
    EXPECT_EQ(grid.lastColumn(), 9);
}

TEST(GridTest, DeletedColumnCellsNeverReappear)
{
    Grid grid;
    for (int row = 1; row <= 5; ++row) {
        grid.setCell(row, 2, CellView::makeNumber(row));
        grid.setCell(row, 3, CellView::makeText(longText(row, 30)));
    }
    grid.setCell(9, 3, CellView::makeNumber(99)); // row 9 holds nothing else
    grid.deleteColumns(3, 1);

    EXPECT_EQ(grid.cellCount(), 5u);
    EXPECT_EQ(grid.lastRow(), 5);
    EXPECT_EQ(grid.lastColumn(), 2);
    // New columns, including at the deleted one's position, start blank and stay independent.
    for (int column = 3; column <= 12; ++column) {
        grid.setCell(1, column, CellView::makeNumber(column * 100));
        for (int row = 2; row <= 9; ++row)
            EXPECT_TRUE(grid.cell(row, column).isEmpty()) << row << "," << column;
    }
    grid.setCell(2, 3, CellView::makeText("fresh"));
    EXPECT_EQ(grid.cell(2, 3), CellView::makeText("fresh"));
    EXPECT_EQ(grid.cellCount(), 5u + 10u + 1u);

    Cells expected;
    for (int row = 1; row <= 5; ++row)
        expected[{row, 2}] = Value::of(CellView::makeNumber(row));
    for (int column = 3; column <= 12; ++column)
        expected[{1, column}] = Value::of(CellView::makeNumber(column * 100));
    expected[{2, 3}] = Value::of(CellView::makeText("fresh"));
    EXPECT_EQ(snapshot(grid), expected);
}

TEST(GridTest, RowsLeftBlankByAColumnDeletionBehaveBlank)
{
    Grid grid;
    grid.setCell(1, 1, CellView::makeNumber(1));
    grid.setCell(kRows, 5, CellView::makeNumber(2)); // the last row's only cell
    grid.setCell(kRows - 1, 5, CellView::makeText(kLongText));
    grid.setCell(10, 5, CellView::makeNumber(3));
    grid.setCell(10, 6, CellView::makeNumber(4));
    grid.deleteColumns(5, 1);

    EXPECT_EQ(grid.lastRow(), 10);
    EXPECT_EQ(grid.cellCount(), 2u);
    grid.insertRows(1, 5); // would be refused if the bottom row still counted
    EXPECT_EQ(grid.cell(15, 5), CellView::makeNumber(4));

    // Clearing the real cell of a row whose other slot is stale empties that row.
    grid.setCell(15, 5, CellView{});
    EXPECT_EQ(grid.lastRow(), 6);
    EXPECT_EQ(grid.lastColumn(), 1);
    EXPECT_EQ(grid.cellCount(), 1u);

    // Rewriting a row full of stale slots keeps only the live cells.
    for (int column = 1; column <= 20; ++column)
        grid.setCell(100, column, CellView::makeNumber(column));
    grid.deleteColumns(2, 10);
    for (int column = 1; column <= 30; ++column)
        grid.setCell(100, column + 20, CellView::makeNumber(-column));
    EXPECT_EQ(numbersInRow(grid, 100, 12), (std::vector<double>{1, 12, 13, 14, 15, 16, 17, 18, 19, 20, 0, 0}));
    EXPECT_EQ(grid.cell(100, 50), CellView::makeNumber(-30));
    EXPECT_EQ(grid.cellCount(), 1u + 10u + 30u);
}

TEST(GridTest, CountsFollowAMixOfChanges)
{
    Grid grid;
    for (int row = 1; row <= 10; ++row)
        for (int column = 1; column <= 4; ++column)
            grid.setCell(row * 2, column * 3, CellView::makeNumber(row + column));
    EXPECT_EQ(grid.cellCount(), 40u);
    EXPECT_EQ(grid.lastRow(), 20);
    EXPECT_EQ(grid.lastColumn(), 12);

    grid.deleteRows(19, 2); // removes row 20
    EXPECT_EQ(grid.lastRow(), 18);
    EXPECT_EQ(grid.cellCount(), 36u);
    grid.insertColumns(1, 4);
    EXPECT_EQ(grid.lastColumn(), 16);
    grid.deleteColumns(16, 1);
    EXPECT_EQ(grid.lastColumn(), 13);
    EXPECT_EQ(grid.cellCount(), 27u);
    grid.deleteRows(1, 3); // row 2 goes, rows 4.. move up by 3
    EXPECT_EQ(grid.cellCount(), 24u);
    EXPECT_EQ(grid.lastRow(), 15);
    EXPECT_EQ(grid.cell(1, 7), CellView::makeNumber(3));
    grid.deleteColumns(1, kColumns);
    EXPECT_EQ(grid.cellCount(), 0u);
    EXPECT_EQ(grid.lastRow(), 0);
    EXPECT_EQ(grid.lastColumn(), 0);
    EXPECT_TRUE(snapshot(grid).empty());
}

TEST(GridTest, ForEachCellFollowsPositionsNotCreationOrder)
{
    Grid grid;
    grid.setCell(2, 9, CellView::makeNumber(1));
    grid.setCell(2, 4, CellView::makeNumber(2));
    grid.setCell(1, 6, CellView::makeNumber(3));
    grid.insertColumns(5, 10); // 6 and 9 move to 16 and 19
    grid.setCell(2, 10, CellView::makeNumber(4));
    std::vector<std::pair<std::int32_t, std::int32_t>> order;
    grid.forEachCell([&](std::int32_t row, std::int32_t column, const CellView&) { order.emplace_back(row, column); });
    EXPECT_EQ(order, (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 16}, {2, 4}, {2, 10}, {2, 19}}));
}

TEST(GridTest, MovedGridKeepsItsCellsAndLeavesAnEmptyOne)
{
    Grid source;
    source.setCell(3, 3, CellView::makeText(kLongText));
    static_cast<void>(source.cell(3, 3)); // warm the row cache
    Grid target(std::move(source));
    EXPECT_EQ(target.cell(3, 3).text, kLongText);
    EXPECT_EQ(source.cellCount(), 0u); // NOLINT(bugprone-use-after-move): moves promise an empty grid
    EXPECT_TRUE(source.cell(3, 3).isEmpty());
    source.setCell(1, 1, CellView::makeNumber(5));

    Grid assigned;
    assigned.setCell(3, 3, CellView::makeNumber(1));
    static_cast<void>(assigned.cell(3, 3));
    assigned = std::move(target);
    EXPECT_EQ(assigned.cell(3, 3).text, kLongText);
    EXPECT_EQ(assigned.cellCount(), 1u);
    EXPECT_EQ(source.cell(1, 1), CellView::makeNumber(5));
}

TEST(GridTest, ClearingAnAreaEmptiesItsCellsOnly)
{
    Grid grid;
    for (int row = 1; row <= 6; ++row)
        for (int column = 1; column <= 4; ++column)
            grid.setCell(row, column, CellView::makeText(longText(row * 10 + column, 20)));
    grid.setCell(kRows, 2, CellView::makeNumber(1));
    grid.setCell(3, kColumns, CellView::makeNumber(2));

    // Column B, top to bottom of the sheet, the last row with it.
    EXPECT_EQ(grid.clearArea(1, 2, kRows, 2), 7u);
    EXPECT_EQ(grid.lastRow(), 6);
    EXPECT_TRUE(grid.cell(4, 2).isEmpty());
    EXPECT_EQ(grid.cell(4, 3).text, longText(43, 20));
    // A block across blank and filled cells; rows 2 and 3 keep what lies outside it.
    EXPECT_EQ(grid.clearArea(2, 1, 3, 3), 4u);
    EXPECT_EQ(grid.cellCount(), 24u + 2 - 7 - 4);
    EXPECT_EQ(grid.cell(2, 4).text, longText(24, 20));
    // Whole rows take the far right column too; the last column shrinks back.
    EXPECT_EQ(grid.clearArea(3, 1, 3, kColumns), 2u);
    EXPECT_EQ(grid.lastColumn(), 4);
    // Nothing there: nothing cleared, nothing else touched.
    EXPECT_EQ(grid.clearArea(100, 1, 200, kColumns), 0u);
    EXPECT_EQ(grid.clearArea(1, 5, kRows, kColumns), 0u);
    EXPECT_EQ(grid.cellCount(), 13u);

    // Texts freed by the clearing are reused, not leaked or shown again.
    grid.setCell(1, 2, CellView::makeText(longText(99, 30)));
    EXPECT_EQ(grid.cell(1, 2).text, longText(99, 30));
    EXPECT_EQ(grid.cell(1, 1).text, longText(11, 20));

    EXPECT_EQ(grid.clearArea(1, 1, kRows, kColumns), 14u);
    EXPECT_EQ(grid.cellCount(), 0u);
    EXPECT_EQ(grid.lastRow(), 0);
    EXPECT_EQ(grid.lastColumn(), 0);
    EXPECT_TRUE(snapshot(grid).empty());
}

TEST(GridTest, ClearingSkipsCellsOfDeletedColumnsAndRefusesAreasOutsideTheSheet)
{
    Grid grid;
    grid.setCell(5, 3, CellView::makeNumber(1));
    grid.setCell(5, 4, CellView::makeNumber(2));
    grid.setCell(6, 3, CellView::makeNumber(3));
    grid.deleteColumns(3, 1); // row 5 keeps an unreachable slot of the old column C
    EXPECT_EQ(grid.clearArea(1, 3, kRows, 3), 1u);
    EXPECT_EQ(grid.cellCount(), 0u);
    EXPECT_EQ(grid.lastRow(), 0);

    grid.setCell(2, 2, CellView::makeNumber(4));
    for (const auto& [top, left, bottom, right] : std::vector<std::array<std::int32_t, 4>>{
             {0, 1, 1, 1}, {1, 1, kRows + 1, 1}, {1, 0, 1, 1}, {1, 1, 1, kColumns + 1}, {3, 1, 2, 1}, {1, 3, 1, 2}}) {
        EXPECT_THROW(grid.clearArea(top, left, bottom, right), GridError);
    }
    EXPECT_EQ(grid.cell(2, 2), CellView::makeNumber(4));
}

TEST(GridTest, ClearWhereAsksEachCellOnce)
{
    Grid grid;
    for (int row = 1; row <= 30; ++row)
        for (int column = 1; column <= 3; ++column)
            grid.setCell(row * 1000, column * 7, CellView::makeNumber(row));
    std::size_t asked = 0;
    // Every other row: the shape of a selection of many single rows.
    EXPECT_EQ(grid.clearWhere([&](std::int32_t row, std::int32_t) { return ++asked, row % 2000 == 0; }), 45u);
    EXPECT_EQ(asked, 90u);
    EXPECT_EQ(grid.cellCount(), 45u);
    EXPECT_EQ(grid.lastRow(), 29'000);
    EXPECT_TRUE(grid.cell(2000, 7).isEmpty());
    EXPECT_EQ(grid.cell(3000, 21), CellView::makeNumber(3));
    EXPECT_EQ(grid.clearWhere([](std::int32_t, std::int32_t column) { return column != 14; }), 30u);
    EXPECT_EQ(grid.lastColumn(), 14);
}

// The grid against a map of cells over thousands of random changes. Rows come from the top and from the bottom
// of the sheet, so insertions regularly run into the last row.
class GridModelTest : public testing::TestWithParam<std::uint32_t> {};

TEST_P(GridModelTest, AgreesWithAMapOfCells)
{
    std::mt19937 random(GetParam());
    const auto roll = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const auto pickRow = [&] { return roll(0, 4) == 0 ? roll(kRows - 6, kRows) : roll(1, 25); };
    const auto pickColumn = [&] { return roll(0, 4) == 0 ? roll(kColumns - 4, kColumns) : roll(1, 12); };
    const auto pickValue = [&](int serial) {
        switch (roll(0, 7)) {
        case 0:
            return Value::of(CellView::makeNumber(serial * 0.5));
        case 1:
            return Value{CellKind::Text, 0, 0, "s" + std::to_string(serial)};
        case 2:
            return Value{CellKind::Text, 0, 0, longText(serial, static_cast<std::size_t>(roll(11, 40)))};
        case 3:
            return Value::of(CellView::makeBoolean(serial % 2 == 0));
        case 4:
            return Value::of(CellView::makeDate(40'000 + serial));
        case 5:
            return Value::of(CellView::makeError(static_cast<std::int32_t>(CellError::Ref)));
        case 6: // one of a few long texts, so that many cells share each
            return Value{CellKind::Text, 0, 0, longText(serial % 3, 20)};
        default:
            return Value{};
        }
    };

    Grid grid;
    Cells model;
    const std::string shared0Text = longText(0, 20);
    const Grid::SharedText shared0 = grid.shareText(shared0Text);
    // Applies a move of rows (axis 0) or columns (axis 1) to the model; nullopt when a cell would leave the sheet.
    const auto moved = [&](int axis, std::int32_t at, std::int32_t count, bool insert) -> std::optional<Cells> {
        const std::int32_t limit = axis == 0 ? kRows : kColumns;
        Cells next;
        for (const auto& [key, value] : model) {
            std::pair<std::int32_t, std::int32_t> place = key;
            std::int32_t& pos = axis == 0 ? place.first : place.second;
            if (insert && pos >= at)
                pos += count;
            else if (!insert && pos >= at + count)
                pos -= count;
            else if (!insert && pos >= at)
                continue;
            if (pos > limit)
                return std::nullopt;
            next.emplace(place, value);
        }
        return next;
    };

    for (int step = 0; step < 3000; ++step) {
        const int op = roll(0, 99);
        if (op < 45) {
            const std::int32_t row = pickRow();
            const std::int32_t column = pickColumn();
            const Value value = pickValue(step);
            if (value.text == shared0Text)
                grid.setCell(row, column, shared0);
            else
                grid.setCell(row, column, value.view());
            if (value.kind == CellKind::Empty)
                model.erase({row, column});
            else
                model[{row, column}] = value;
        } else if (op < 75) {
            const int axis = roll(0, 1);
            const std::int32_t at = axis == 0 ? pickRow() : pickColumn();
            const std::int32_t limit = axis == 0 ? kRows : kColumns;
            const std::int32_t count = roll(0, 9) == 0 ? roll(1, limit - at + 1) : roll(1, std::min(3, limit - at + 1));
            if (op < 60) {
                const std::optional<Cells> next = moved(axis, at, count, true);
                try {
                    if (axis == 0)
                        grid.insertRows(at, count);
                    else
                        grid.insertColumns(at, count);
                    ASSERT_TRUE(next) << "insertion at " << at << " should have been refused";
                    model = *next;
                } catch (const GridError& error) {
                    ASSERT_EQ(error.reason(), GridError::Reason::DataWouldBeLost);
                    ASSERT_FALSE(next) << "insertion at " << at << " was refused";
                }
            } else {
                if (axis == 0)
                    grid.deleteRows(at, count);
                else
                    grid.deleteColumns(at, count);
                model = *moved(axis, at, count, false);
            }
        } else if (op < 80) {
            // Whole rows, whole columns or a block, cleared at once.
            const int shape = roll(0, 3);
            std::int32_t top = pickRow(), bottom = pickRow(), left = pickColumn(), right = pickColumn();
            if (top > bottom)
                std::swap(top, bottom);
            if (left > right)
                std::swap(left, right);
            if (shape == 0)
                top = 1, bottom = kRows;
            else if (shape == 1)
                left = 1, right = kColumns;
            std::size_t expected = 0;
            for (auto it = model.begin(); it != model.end();) {
                const auto [row, column] = it->first;
                const bool inside = row >= top && row <= bottom && column >= left && column <= right;
                expected += inside;
                it = inside ? model.erase(it) : std::next(it);
            }
            ASSERT_EQ(grid.clearArea(top, left, bottom, right), expected) << "step " << step;
        } else {
            for (int read = 0; read < 5; ++read) {
                const std::int32_t row = pickRow();
                const std::int32_t column = pickColumn();
                const auto it = model.find({row, column});
                ASSERT_EQ(Value::of(grid.cell(row, column)), it == model.end() ? Value{} : it->second)
                    << "cell(" << row << ", " << column << ") at step " << step;
            }
        }

        ASSERT_EQ(grid.cellCount(), model.size()) << "step " << step;
        std::int32_t lastRow = 0;
        std::int32_t lastColumn = 0;
        for (const auto& entry : model) {
            lastRow = std::max(lastRow, entry.first.first);
            lastColumn = std::max(lastColumn, entry.first.second);
        }
        ASSERT_EQ(grid.lastRow(), lastRow) << "step " << step;
        ASSERT_EQ(grid.lastColumn(), lastColumn) << "step " << step;
        if (step % 100 == 0) {
            ASSERT_EQ(snapshot(grid), model) << "step " << step;
        }
    }
    EXPECT_EQ(snapshot(grid), model);
}

INSTANTIATE_TEST_SUITE_P(Seeds, GridModelTest, testing::Values(1u, 7u, 99u, 2024u));

} // namespace
} // namespace sheet
