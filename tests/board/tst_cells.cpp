#include "board/cells.h"

#include <QTest>
#include <algorithm>
#include <set>

using namespace zov;

class TestCells : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Numbering runs from the bottom-left: a flipped row order would put 73 at the bottom.
    void numberingCountsRowsFromTheBottom_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("box");
        QTest::newRow("bottom-left") << 1 << 1 << 1 << 1;
        QTest::newRow("bottom-right") << 9 << 1 << 9 << 3;
        QTest::newRow("first of row 2") << 10 << 2 << 1 << 1;
        QTest::newRow("above 5") << 14 << 2 << 5 << 2;
        QTest::newRow("box 1 corner") << 21 << 3 << 3 << 1;
        QTest::newRow("centre box") << 40 << 5 << 4 << 5;
        QTest::newRow("box 9 corner") << 61 << 7 << 7 << 9;
        QTest::newRow("top-left") << 73 << 9 << 1 << 7;
        QTest::newRow("top-right") << 81 << 9 << 9 << 9;
    }
    void numberingCountsRowsFromTheBottom()
    {
        QFETCH(int, index);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, box);
        QCOMPARE(rowOf(index), row);
        QCOMPARE(columnOf(index), column);
        QCOMPARE(boxOf(index), box);
        QCOMPARE(cellAt(row, column), index);
    }

    // The text form starts at the top-left cell: position 0 is cell 73, position 80 cell 9.
    void textFormStartsAtTheTopLeft()
    {
        QCOMPARE(textPositionOf(73), 0);
        QCOMPARE(textPositionOf(81), 8);
        QCOMPARE(textPositionOf(1), 72);
        QCOMPARE(textPositionOf(9), 80);
        for (int i = 1; i <= 81; ++i)
            QCOMPARE(cellOfTextPosition(textPositionOf(i)), i);
    }

    // Every cell lies in exactly one row, one box and one column, in the listed order.
    void groupsCoverEveryCellThreeTimes()
    {
        const auto &g = groups();
        QCOMPARE(g[0], (Group { 1, 2, 3, 4, 5, 6, 7, 8, 9 }));
        QCOMPARE(g[9], (Group { 1, 2, 3, 10, 11, 12, 19, 20, 21 }));
        QCOMPARE(g[13], (Group { 31, 32, 33, 40, 41, 42, 49, 50, 51 }));
        QCOMPARE(g[17], (Group { 61, 62, 63, 70, 71, 72, 79, 80, 81 }));
        QCOMPARE(g[26], (Group { 9, 18, 27, 36, 45, 54, 63, 72, 81 }));
        std::array<int, 82> count {};
        for (const auto &group : g) {
            QCOMPARE(std::set<int>(group.begin(), group.end()).size(), std::size_t(9));
            for (int i : group)
                ++count[static_cast<std::size_t>(i)];
        }
        for (int i = 1; i <= 81; ++i)
            QCOMPARE(count[static_cast<std::size_t>(i)], 3);
    }

    // groupsOf names, for every cell, the three groups that hold it and no other: the rule
    // checks of the puzzles find a cell's groups through it.
    void groupsOfNamesTheGroupsHoldingTheCell()
    {
        const auto &g = groups();
        for (CellIndex i = 1; i <= CellCount; ++i) {
            std::set<int> holding;
            for (std::size_t k = 0; k < g.size(); ++k)
                if (std::find(g[k].begin(), g[k].end(), i) != g[k].end())
                    holding.insert(static_cast<int>(k));
            const auto named = groupsOf(i);
            QCOMPARE(std::set<int>(named.begin(), named.end()), holding);
            // Row, box, column: one from each nine.
            QCOMPARE(named[0] / 9, 0);
            QCOMPARE(named[1] / 9, 1);
            QCOMPARE(named[2] / 9, 2);
        }
    }

    // The gaps between boxes are what shows the boxes; a wrong step would close them.
    void geometryLeavesGapsBetweenBoxesOnly()
    {
        const int lefts[] = { 840, 1320, 1800, 2400, 2880, 3360, 3960, 4440, 4920 };
        const int tops[] = { 4560, 4080, 3600, 3000, 2520, 2040, 1440, 960, 480 };
        for (int k = 0; k < 9; ++k) {
            QCOMPARE(cellLeft(cellAt(1, k + 1)), lefts[k]);
            QCOMPARE(cellTop(cellAt(k + 1, 1)), tops[k]);
        }
        QCOMPARE(cellLeft(9) + CellWidth, 5415);
        QCOMPARE(cellTop(1) + CellHeight, 5070);
    }
};

QTEST_GUILESS_MAIN(TestCells)
#include "tst_cells.moc"
