// What typing a text into a cell of the window stores: numbers and dates as a person writes them.

#include "sheet/window/SheetModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using sheet::CellKind;
using sheet::CellView;
using sheet::SheetModel;

constexpr double kText = std::numeric_limits<double>::quiet_NaN(); // stored as the text typed

CellView typed(const char* text, std::string& storage)
{
    return SheetModel::typedCell(QString::fromUtf8(text), storage);
}

TEST(TypedCells, NumbersInPlainDecimalNotationWithAnyBlanksAround)
{
    const struct {
        const char* text;
        double number;
    } cases[] = {
        {"12", 12},     {"-3.5", -3.5},     {"+7", 7},         {"1e3", 1000},   {"2.5E-7", 2.5e-7}, {"1.", 1},
        {".5", 0.5},    {"-.5", -0.5},      {"+.5", 0.5},      {" 12 ", 12},    {"\t12\n", 12},     {"\u300012", 12},
        {"007", 7},     {"4e-320", 4e-320}, {"+-5", kText},    {"--5", kText},  {"- 5", kText},     {"1e", kText},
        {".", kText},   {"-", kText},       {"1,000", kText},  {"5%", kText},   {"0x10", kText},    {"inf", kText},
        {"nan", kText}, {"1e400", kText},   {"1e-400", kText}, {"１２", kText}, {"1 000", kText},
    };
    for (const auto& c : cases) {
        std::string storage;
        const CellView cell = typed(c.text, storage);
        if (std::isnan(c.number))
            EXPECT_EQ(cell.kind, CellKind::Text) << c.text;
        else
            EXPECT_EQ(cell, CellView::makeNumber(c.number)) << c.text;
    }
}

TEST(TypedCells, DatesAsShownOrWithDashesFrom1900On)
{
    const auto at = [](double day, int seconds) { return day + seconds / 86'400.0; };
    const struct {
        const char* text;
        double serial;
    } cases[] = {
        {"2024/1/5", 45296},
        {"2024-01-05", 45296},
        {"2024/01/05", 45296},
        {"2024-1-5", 45296},
        {"2024/2/29", 45351},
        {"1900/1/1", 2},
        {"1900/3/1", 61},
        {"2024/1/5 13:20", at(45296, 48'000)},
        {"2024/1/5 9:05:07", at(45296, 9 * 3600 + 5 * 60 + 7)},
        {"2024/1/5  13:20", at(45296, 48'000)},
        {"2024/1/5\t13:20", at(45296, 48'000)},
        {" 2024/1/5 ", 45296},
        {"2024/1/5 0:00", 45296},
        {"13:20", at(0, 48'000)},
        {"9:05", at(0, 9 * 3600 + 5 * 60)},
        {"13:20:01", at(0, 48'001)},
        {"0:00", 0},
        {"2024/1-5", kText},
        {"2024/2/30", kText},
        {"2023/2/29", kText},
        {"1900/2/29", kText},
        {"1899/12/31", kText},
        {"1899-12-30", kText},
        {"2024/13/1", kText},
        {"2024/0/1", kText},
        {"2024/1/0", kText},
        {"2024/1/5T13:20", kText},
        {"2024-01-05T13:20:01", kText},
        {"2024/1/5 13:20:01.5", kText},
        {"2024/1/5 13:20Z", kText},
        {"13:20:01.5", kText},
        {"24:00", kText},
        {"25:00", kText},
        {"13:60", kText},
        {"13:20:60", kText},
        {"013:20", kText},
        {"13:5", kText},
        {"24/3/5", kText},
        {"2024/001/5", kText},
    };
    for (const auto& c : cases) {
        std::string storage;
        const CellView cell = typed(c.text, storage);
        if (std::isnan(c.serial))
            EXPECT_EQ(cell.kind, CellKind::Text) << c.text;
        else
            EXPECT_EQ(cell, CellView::makeDate(c.serial)) << c.text;
    }
}

} // namespace
