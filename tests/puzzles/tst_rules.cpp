#include "puzzles/rules.h"
#include "puzzles/sudoku.h"

#include <QTest>
#include <random>

using namespace zov::puzzles;
using Unit = Repeat::Unit;

Q_DECLARE_METATYPE(Unit)

namespace {

// Text positions (0 top-left) where digits are put, and what is put there.
Grid with(std::initializer_list<std::pair<int, int>> digits)
{
    Grid g {};
    for (const auto &[p, d] : digits)
        g[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(d);
    return g;
}

// The rule worked out on its own, from text positions alone: two cells see each other in a
// row, a column or a box.
bool sees(int p, int q)
{
    const bool row = p / 9 == q / 9, column = p % 9 == q % 9;
    const bool box = p / 27 == q / 27 && p % 9 / 3 == q % 9 / 3;
    return p != q && (row || column || box);
}
bool breaksTheRuleByHand(const Grid &g)
{
    for (int p = 0; p < 81; ++p)
        for (int q = p + 1; q < 81; ++q)
            if (g[p] && g[p] == g[q] && sees(p, q))
                return true;
    return false;
}
// The cells that hold a digit another cell they see holds too.
QList<int> clashingByHand(const Grid &g)
{
    QList<int> out;
    for (int p = 0; p < 81; ++p)
        for (int q = 0; q < 81; ++q)
            if (g[p] >= 1 && g[p] <= 9 && g[p] == g[q] && sees(p, q)) {
                out << p;
                break;
            }
    return out;
}
QList<int> listed(const Cells &cells)
{
    QList<int> out;
    cells.each([&](int p) { out << p; });
    return out;
}

} // namespace

// No digit twice in a row, column or box: one rule for the solver's givens and for what puzzle
// entry tells the player.
class TestRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The report names the digit and the group as the board counts them (rows from the bottom,
    // boxes from the bottom left), and of several repeats the first in rows, boxes, columns.
    void repeatIsNamedAsTheBoardCountsIt_data()
    {
        QTest::addColumn<Grid>("grid");
        QTest::addColumn<int>("digit");
        QTest::addColumn<Unit>("unit");
        QTest::addColumn<int>("number");
        QTest::newRow("top row") << with({ { 0, 5 }, { 8, 5 } }) << 5 << Unit::Row << 9;
        QTest::newRow("bottom row") << with({ { 72, 3 }, { 73, 3 } }) << 3 << Unit::Row << 1;
        QTest::newRow("left column") << with({ { 0, 7 }, { 72, 7 } }) << 7 << Unit::Column << 1;
        QTest::newRow("right column") << with({ { 8, 2 }, { 80, 2 } }) << 2 << Unit::Column << 9;
        QTest::newRow("top-left box") << with({ { 0, 4 }, { 20, 4 } }) << 4 << Unit::Box << 7;
        QTest::newRow("bottom-right box") << with({ { 60, 9 }, { 80, 9 } }) << 9 << Unit::Box << 3;
        // A column repeat in the top row's box and a row repeat lower down: rows come first.
        QTest::newRow("row before box and column")
            << with({ { 0, 1 }, { 9, 1 }, { 45, 6 }, { 53, 6 } }) << 6 << Unit::Row << 4;
        QTest::newRow("box before column") << with({ { 0, 1 }, { 9, 1 } }) << 1 << Unit::Box << 7;
        // Two repeats in one row: the one whose second digit comes first from the left.
        QTest::newRow("first second digit in the row")
            << with({ { 36, 8 }, { 37, 2 }, { 38, 2 }, { 44, 8 } }) << 2 << Unit::Row << 5;
    }
    void repeatIsNamedAsTheBoardCountsIt()
    {
        QFETCH(Grid, grid);
        QFETCH(int, digit);
        QFETCH(Unit, unit);
        QFETCH(int, number);
        const auto repeat = findRepeat(grid);
        QVERIFY(repeat);
        QCOMPARE(repeat->digit, digit);
        QCOMPARE(repeat->unit, unit);
        QCOMPARE(repeat->number, number);
        QVERIFY(!isConsistent(grid));
        QCOMPARE(countSolutions(grid, 2), 0);
    }

    // The rule agrees with one worked out by hand on grids near the edge: a solved grid with
    // one or two cells changed breaks it or not, and every break is found.
    void agreesWithTheRuleWorkedOutByHand()
    {
        const Grid solved = *fromText(
            "534678912672195348198342567859761423426853791713924856961537284287419635345286179");
        QVERIFY(!findRepeat(solved));
        QVERIFY(isSolved(solved));
        std::mt19937 rng(21);
        for (int k = 0; k < 2000; ++k) {
            Grid g = solved;
            for (int changes = 1 + k % 2; changes > 0; --changes)
                g[rng() % 81] = static_cast<std::uint8_t>(rng() % 10);
            const bool broken = breaksTheRuleByHand(g);
            QCOMPARE(bool(findRepeat(g)), broken);
            QCOMPARE(isConsistent(g), !broken);
            // Every cell of every repeat is shown to the player, and no other.
            QCOMPARE(listed(clashes(g)), clashingByHand(g));
        }
    }

    // A digit above 9 is no digit: the grid is not consistent, though nothing repeats.
    void digitsAboveNineAreRefused()
    {
        const Grid g = with({ { 40, 10 } });
        QVERIFY(!findRepeat(g));
        QVERIFY(!clashes(g).any());
        QVERIFY(!isConsistent(g));
        QCOMPARE(countSolutions(g, 2), 0);
        QVERIFY(isConsistent(Grid {}));
    }
};

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
