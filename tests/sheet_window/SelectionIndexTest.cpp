#include "SelectionIndex.h"

#include "Grid.h"

#include <QTest>

#include <initializer_list>

using sheet::Area;
using sheet::AreaList;
using sheet::Grid;
using sheet::SelectionIndex;

namespace {

AreaList areas(std::initializer_list<Area> list)
{
    AreaList result;
    for (const Area& a : list)
        result = result.appended(AreaList(a));
    return result;
}

Area row(std::int32_t first, std::int32_t last)
{
    return {first, 1, last, Grid::kColumns};
}
Area column(std::int32_t first, std::int32_t last)
{
    return {1, first, Grid::kRows, last};
}

} // namespace

class SelectionIndexTest final : public QObject {
    Q_OBJECT

private slots:
    void containsExactlyTheCellsOfItsAreas_data();
    void containsExactlyTheCellsOfItsAreas();
    void topmostIsTheAreaToScrollTo();
    void manyRowsInAnyOrderMergeIntoBlocks();
};

void SelectionIndexTest::containsExactlyTheCellsOfItsAreas_data()
{
    QTest::addColumn<AreaList>("selection");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("selected");

    const AreaList rows = areas({row(9, 9), row(3, 3), row(5, 6)});
    QTest::newRow("row, first column") << rows << 3 << 1 << true;
    QTest::newRow("row, last column") << rows << 6 << Grid::kColumns << true;
    QTest::newRow("between rows") << rows << 4 << 1 << false;
    QTest::newRow("before every row") << rows << 1 << 1 << false;
    QTest::newRow("after every row") << rows << 10 << 1 << false;

    const AreaList mixed = areas({{2, 2, 3, 4}, column(7, 7), {100, 1, 300, 1}, {150, 5, 150, 5}});
    QTest::newRow("rectangle corner") << mixed << 3 << 4 << true;
    QTest::newRow("beside rectangle") << mixed << 3 << 5 << false;
    QTest::newRow("whole column, last row") << mixed << Grid::kRows << 7 << true;
    // The tall rectangle starts far above the row asked about and must still be found.
    QTest::newRow("inside tall rectangle") << mixed << 200 << 1 << true;
    QTest::newRow("below tall rectangle") << mixed << 301 << 1 << false;
    QTest::newRow("single cell") << mixed << 150 << 5 << true;
    QTest::newRow("next to single cell") << mixed << 150 << 6 << false;

    const AreaList sheet = areas({{1, 1, Grid::kRows, Grid::kColumns}});
    QTest::newRow("whole sheet") << sheet << 500'000 << 9'000 << true;
    QTest::newRow("nothing") << AreaList() << 1 << 1 << false;
}

void SelectionIndexTest::containsExactlyTheCellsOfItsAreas()
{
    QFETCH(AreaList, selection);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, selected);
    QCOMPARE(SelectionIndex(selection).contains(row, column), selected);
}

void SelectionIndexTest::topmostIsTheAreaToScrollTo()
{
    QVERIFY(!SelectionIndex().topmost());
    QVERIFY(SelectionIndex().empty());
    QCOMPARE(SelectionIndex(areas({row(40, 40), {12, 3, 13, 4}, row(30, 30)})).topmost(), Area({12, 3, 13, 4}));
    // Adjacent rows selected one by one come back as one block.
    QCOMPARE(SelectionIndex(areas({row(8, 8), row(7, 7), row(9, 12)})).topmost(), row(7, 12));
    QCOMPARE(SelectionIndex(areas({row(8, 8), column(2, 2)})).topmost(), column(2, 2));
}

void SelectionIndexTest::manyRowsInAnyOrderMergeIntoBlocks()
{
    // Every third row of the sheet, listed bottom up, as a selection of blank rows might be.
    AreaList list;
    for (std::int32_t r = Grid::kRows; r >= 1; r -= 3)
        list = list.appended(AreaList(row(r, r)));
    const SelectionIndex index(list);
    for (std::int32_t r : {1, 4, 2'998, Grid::kRows})
        QVERIFY2(index.contains(r, 1), qPrintable(QString::number(r)));
    for (std::int32_t r : {2, 3, 2'999, Grid::kRows - 1})
        QVERIFY2(!index.contains(r, 1), qPrintable(QString::number(r)));
    QCOMPARE(index.topmost(), row(1, 1));
}

QTEST_APPLESS_MAIN(SelectionIndexTest)
#include "SelectionIndexTest.moc"
