// How each file format reads a number or a date written as text: a CSV field, an XLSX cell's <v>.

#include "sheet/files/CellText.h"
#include "sheet/files/Xlsx.h"
#include "tests/files/XlsxFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using sheet::CellKind;
using sheet::CellView;

constexpr double kText = std::numeric_limits<double>::quiet_NaN(); // not a number: the field stays text

double at(double day, double seconds)
{
    return day + seconds / 86'400;
}

// A CSV field keeps its text unless it reads back exactly as written: the same text saved again.
TEST(CsvFields, NumbersAreReadInPlainDecimalNotationWithBlanksAround)
{
    const struct {
        std::string_view field;
        double number; // kText: not a number
    } cases[] = {
        {"12", 12},
        {"-3.5", -3.5},
        {"+7", 7},
        {"1e3", 1000},
        {"2.5E-7", 2.5e-7},
        {"1.", 1},
        {".5", 0.5},
        {"-.5", -0.5},
        {"+.5", 0.5},
        {" 12 ", 12},
        {"\t12\t", 12},
        {"12\n", kText},
        {"+-5", kText},
        {"--5", kText},
        {"- 5", kText},
        {"+ 5", kText},
        {"1e", kText},
        {"1e+", kText},
        {".", kText},
        {"-", kText},
        {"+", kText},
        {"1,000", kText},
        {"1 000", kText},
        {"5%", kText},
        {"0x10", kText},
        {"inf", kText},
        {"-inf", kText},
        {"nan", kText},
        {"infinity", kText},
        {"1e400", kText},
        {"1e-400", kText},
        {"007", kText},
        {"-007", kText},
        {"0.5", 0.5},
        {"0", 0},
        {"１２", kText},
        {"1.50", 1.5},
        {"4e-320", 4e-320},
        {"1E5", 1e5},
        {"1d5", kText},
        {"123456789012345678", kText},
    };
    for (const auto& c : cases) {
        const auto value = sheet::valueOfField(c.field);
        if (std::isnan(c.number)) {
            EXPECT_TRUE(!value || value->kind != CellKind::Number) << c.field;
        } else {
            ASSERT_TRUE(value && value->kind == CellKind::Number) << c.field;
            EXPECT_EQ(value->number, c.number) << c.field;
        }
    }
}

TEST(CsvFields, DatesAreReadOnlyInTheFormsSavingWrites)
{
    const struct {
        std::string_view field;
        double serial; // kText: not a date
    } cases[] = {
        {"2024-01-05", 45296},
        {"2024-02-29", 45351},
        {"1900-03-01", 61},
        {"1899-12-31", 1},
        {"2024-01-05 13:20:01", at(45296, 48'001)},
        {"2024-01-05 13:20:01.5", at(45296, 48'001.5)},
        {"13:20:01", at(0, 48'001)},
        {"2024-1-5", kText},
        {"2024/01/05", kText},
        {"2024-02-30", kText},
        {"2023-02-29", kText},
        {"1900-02-29", kText},
        {"1899-12-30", kText},
        {"1899-12-29", kText},
        {"2024-01-05T13:20:01", kText},
        {"2024-01-05 13:20", kText},
        {"2024-01-05 13:20:01,5", kText},
        {"2024-01-05 13:20:01Z", kText},
        {"2024-01-05 00:00:00", kText},
        {"13:20", kText},
        {"9:05:00", kText},
        {"24:00:00", kText},
        {"25:00:00", kText},
        {"13:60:00", kText},
        {"13:20:60", kText},
        {"24/3/5", kText},
        {"12:30:00.1234567891", kText},
    };
    for (const auto& c : cases) {
        const auto value = sheet::valueOfField(c.field);
        if (std::isnan(c.serial)) {
            EXPECT_TRUE(!value || value->kind != CellKind::Date) << c.field;
        } else {
            ASSERT_TRUE(value && value->kind == CellKind::Date) << c.field;
            EXPECT_EQ(value->number, c.serial) << c.field;
        }
    }
}

// What an XLSX cell holds: the value read, or nothing and the loss told.
CellView xlsxCell(const std::string& cell, bool& unreadable)
{
    const sheet::Book book = sheet::readXlsx(zipOf(minimalParts("<row r=\"1\">" + cell + "</row>")), "t.xlsx");
    unreadable = book.losses.unreadableCells;
    return book.sheets[0].grid.cell(1, 1);
}

TEST(XlsxValues, NumbersAreReadInDecimalNotation)
{
    const struct {
        std::string v;
        double number; // kText: unreadable
    } cases[] = {
        {"12", 12},         {"-3.5", -3.5},  {"1e3", 1000},   {"2.5E-7", 2.5e-7}, {"1.", 1},        {".5", 0.5},
        {"-.5", -0.5},      {" 12", 12},     {"12 ", 12},     {"\t12 ", 12},      {"+7", 7},        {"007", 7},
        {"4e-320", 4e-320}, {"+-5", kText},  {"1e", kText},   {".", kText},       {"1,000", kText}, {"5%", kText},
        {"0x10", kText},    {"inf", kText},  {"-inf", kText}, {"nan", kText},     {"1e400", kText}, {"1e-400", kText},
        {"abc", kText},     {"１２", kText},
    };
    for (const auto& c : cases) {
        bool unreadable = false;
        const CellView cell = xlsxCell("<c r=\"A1\"><v>" + c.v + "</v></c>", unreadable);
        EXPECT_EQ(unreadable, std::isnan(c.number)) << c.v;
        if (!std::isnan(c.number)) {
            EXPECT_EQ(cell, CellView::makeNumber(c.number)) << c.v;
        }
    }
}

TEST(XlsxValues, DatesOfTypeDAreIso8601)
{
    const struct {
        std::string v;
        double serial; // kText: unreadable
    } cases[] = {
        {"2024-01-05", 45296},
        {"2024-02-29", 45351},
        {"1900-03-01", 61},
        {"1899-12-31", 1},
        {"1899-12-30", 0},
        {"1899-12-29", -1},
        {"1899-12-29T12:00:00", -1.5},
        {"2024-01-05T13:20:01", at(45296, 48'001)},
        {"2024-01-05 13:20:01", at(45296, 48'001)},
        {"2024-01-05T13:20", at(45296, 48'000)},
        {"2024-01-05T13:20:01.5", at(45296, 48'001.5)},
        {"2024-01-05T13:20:01,5", at(45296, 48'001.5)},
        {"2024-01-05T13:20:01Z", at(45296, 48'001)},
        {"2024-01-05T13:20:01+08:00", at(45296, 48'001)},
        {"2024-01-05T13:20:01-0800", kText},
        {"2024-01-05T13:20:01-08", at(45296, 48'001)},
        {"2024-01-05T00:00:00", 45296},
        {"13:20:01", at(0, 48'001)},
        {"13:20", at(0, 48'000)},
        {"T13:20", at(0, 48'000)},
        {"2024-1-5", kText},
        {"2024/01/05", kText},
        {"2024-02-30", kText},
        {"2023-02-29", kText},
        {"1900-02-29", kText},
        {"2024-01-05  13:20", kText},
        {"2024-01-05 9:05", kText},
        {"9:05", kText},
        {"24:00", kText},
        {"25:00:00", kText},
        {"13:60", kText},
        {"13:20:60", kText},
        {"13:20:01.", kText},
        {"24/3/5", kText},
        {" 2024-01-05", kText},
    };
    for (const auto& c : cases) {
        bool unreadable = false;
        const CellView cell = xlsxCell("<c r=\"A1\" t=\"d\"><v>" + c.v + "</v></c>", unreadable);
        EXPECT_EQ(unreadable, std::isnan(c.serial)) << c.v;
        if (!std::isnan(c.serial)) {
            EXPECT_EQ(cell, CellView::makeDate(c.serial)) << c.v;
        }
    }
}

} // namespace
