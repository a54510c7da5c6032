#include "sheet/document/Application.h"

#include "testsupport/ErrorNumber.h"
#include "testsupport/SpreadsheetWorld.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using automation::Named;
using automation::Object;
using automation::Value;

using testsupport::errorNumber;

class RangeTest : public testing::Test {
protected:
    Value cell(double r, double c) const { return ws.get("Cells", r, c).get(automation::kDefaultMember); }
    void setCell(double r, double c, Value v) const { ws.get("Cells", r, c).put(automation::kDefaultMember, v); }
    std::vector<std::string> column(double c, int rows) const
    {
        std::vector<std::string> out;
        for (int r = 1; r <= rows; ++r)
            out.push_back(cell(r, c).toText());
        return out;
    }

    // The user's spreadsheet with one workbook; its active sheet reached through the object model.
    testsupport::SpreadsheetWorld w;
    Object app = w.runningObject();
    Object ws = app.get("ActiveSheet").object();
    sheet::Worksheet* model = sheet::documentOf<sheet::Worksheet>(ws);
};

TEST_F(RangeTest, CellsHoldEveryKindOfValue)
{
    const Value values[] = {Value(),
                            Value(0.0),
                            Value(-12.5),
                            Value("待删除"),
                            Value(" "),
                            Value("a text longer than ten bytes, 中文也行"),
                            Value(true),
                            Value(false),
                            Value(automation::Date{45000.25}),
                            Value(automation::ErrorValue{2042}),
                            Value(automation::ErrorValue{2007})};
    double row = 1;
    for (const Value& v : values)
        setCell(row++, 3, v);
    row = 1;
    for (const Value& v : values)
        EXPECT_EQ(cell(row++, 3), v) << row - 1;

    // Integers are stored as numbers; an empty text and a Null clear the cell.
    setCell(1, 1, std::int16_t(7));
    EXPECT_EQ(cell(1, 1), Value(7.0));
    setCell(1, 1, "");
    EXPECT_TRUE(cell(1, 1).isEmpty());
    setCell(1, 1, 5.0);
    setCell(1, 1, automation::Null{});
    EXPECT_TRUE(cell(1, 1).isEmpty());
    ws.put("Cells", 2.0, 2.0, "via the sheet");
    EXPECT_EQ(cell(2, 2), Value("via the sheet"));
    EXPECT_EQ(errorNumber([&] { setCell(1, 1, app); }), 13);
}

TEST_F(RangeTest, PositionsAreRoundedHalvesToEvenAndCheckedAgainstTheSheet)
{
    EXPECT_EQ(ws.get("Rows", 9.5).get("Row"), Value(std::int32_t(10)));
    EXPECT_EQ(ws.get("Rows", 10.5).get("Row"), Value(std::int32_t(10)));
    EXPECT_EQ(ws.get("Rows", 3.4999).get("Row"), Value(std::int32_t(3)));
    EXPECT_EQ(ws.get("Rows", std::int16_t(4)).get("Address").toText(), "$4:$4");
    EXPECT_EQ(ws.get("Columns", 28.0).get("Address").toText(), "$AB:$AB");
    EXPECT_EQ(ws.get("Columns", "xfd").get("Column"), Value(std::int32_t(16384)));
    EXPECT_EQ(ws.get("Cells", 1048576.0, 16384.0).get("Address").toText(), "$XFD$1048576");

    for (double bad : {0.0, 0.4, -1.0, 1048576.5 + 1, 1e300, std::nan("")})
        EXPECT_EQ(errorNumber([&] { ws.get("Rows", bad); }), 1004) << bad;
    EXPECT_EQ(errorNumber([&] { ws.get("Columns", 16385.0); }), 1004);
    EXPECT_EQ(errorNumber([&] { ws.get("Columns", "XFE"); }), 1004);
    // Letters past the sheet before the last one are no column at all, as the runtime reads them: not a number.
    EXPECT_EQ(errorNumber([&] { ws.get("Columns", "XFDA"); }), 1004);
    EXPECT_EQ(errorNumber([&] { ws.get("Columns", "AAAAA"); }), 13);
    EXPECT_EQ(errorNumber([&] { ws.get("Cells", 1.0); }), 449);
    EXPECT_EQ(errorNumber([&] { ws.get("Rows", "3:5"); }), 13);
}

TEST_F(RangeTest, InsertingAndDeletingWholeRowsAndColumnsMovesTheCells)
{
    for (int r = 1; r <= 5; ++r)
        setCell(r, 1, r);
    ws.get("Rows", 3.0).call("Insert", Named("Shift", std::int16_t(-4121)));
    EXPECT_EQ(column(1, 6), (std::vector<std::string>{"1", "2", "", "3", "4", "5"}));
    ws.get("Rows", 1.0).call("Delete");
    EXPECT_EQ(column(1, 6), (std::vector<std::string>{"2", "", "3", "4", "5", ""}));

    setCell(1, 2, "B");
    ws.get("Columns", 1.0).call("Insert", Named("Shift", std::int16_t(-4161)));
    EXPECT_TRUE(cell(1, 1).isEmpty());
    EXPECT_EQ(cell(1, 2), Value(2.0));
    EXPECT_EQ(cell(1, 3), Value("B"));
    ws.get("Columns", 2.0).call("Delete");
    EXPECT_EQ(cell(1, 2), Value("B"));

    // Only whole rows and columns can be inserted, and the shift must be one the object model knows.
    EXPECT_EQ(errorNumber([&] { ws.get("Cells", 1.0, 1.0).call("Insert"); }), 1004);
    EXPECT_EQ(errorNumber([&] { ws.get("Rows", 1.0).call("Insert", Named("Shift", std::int16_t(3))); }), 1004);
}

TEST_F(RangeTest, AnInsertionThatWouldPushValuesOffTheSheetIsRefusedAndChangesNothing)
{
    setCell(1, 1, "first");
    setCell(1048576, 2, "last row");
    setCell(5, 16384, "last column");

    EXPECT_EQ(errorNumber([&] { ws.get("Rows", 1.0).call("Insert", Named("Shift", std::int16_t(-4121))); }), 1004);
    EXPECT_EQ(errorNumber([&] { ws.get("Columns", 1.0).call("Insert", Named("Shift", std::int16_t(-4161))); }), 1004);
    EXPECT_EQ(cell(1, 1), Value("first"));
    EXPECT_EQ(cell(1048576, 2), Value("last row"));
    EXPECT_EQ(cell(5, 16384), Value("last column"));

    // Below the last value there is nothing to lose.
    setCell(1048576, 2, Value());
    ws.get("Rows", 1.0).call("Insert", Named("Shift", std::int16_t(-4121)));
    EXPECT_EQ(cell(2, 1), Value("first"));
}

TEST_F(RangeTest, SelectChangesTheSelectionOfTheActiveSheetOnly)
{
    const Value u = app.call("Union", ws.get("Rows", 3.0), ws.get("Rows", 7.0));
    u.call("Select");
    EXPECT_EQ(model->selection().address(), "$3:$3,$7:$7");

    const Value other = app.get("Worksheets").call("Add");
    EXPECT_EQ(errorNumber([&] { ws.get("Rows", 4.0).call("Select"); }), 1004);
    EXPECT_EQ(model->selection().address(), "$3:$3,$7:$7");
    other.get("Rows", 2.0).call("Select");
}

TEST_F(RangeTest, AValueOfSeveralCellsCannotBeReadAsOne)
{
    EXPECT_EQ(errorNumber([&] { ws.get("Rows", 1.0).get(automation::kDefaultMember); }), 13);
    ws.get("Rows", 2.0).put("Value", 1.0);
    EXPECT_EQ(cell(2, 16384), Value(1.0));
    EXPECT_EQ(model->grid().cellCount(), 16384u);
}

} // namespace
