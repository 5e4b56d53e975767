#include "puzzles/position.h"
#include "puzzles/rules.h"

#include <QTest>
#include <random>

using namespace zov::puzzles;

namespace {

// Two cells see each other, worked out from text positions alone.
bool seesByHand(int p, int q)
{
    const bool row = p / 9 == q / 9, column = p % 9 == q % 9;
    const bool box = p / 27 == q / 27 && p % 9 / 3 == q % 9 / 3;
    return p != q && (row || column || box);
}

std::vector<int> listed(const Cells &cells)
{
    std::vector<int> v;
    cells.each([&](int p) { v.push_back(p); });
    return v;
}

// A position with random digits, kinds and notes, not necessarily one the rules would reach.
Position randomPosition(std::mt19937 &rng)
{
    Position s;
    for (int p = 0; p < 81; ++p) {
        const auto at = static_cast<std::size_t>(p);
        const unsigned r = rng() % 10;
        s.kinds[at] = r == 0 ? CellKind::Given : r == 1 ? CellKind::Marked : CellKind::Open;
        if (rng() % 3 == 0)
            s.digits[at] = static_cast<std::uint8_t>(rng() % 9 + 1);
        else
            s.notes[at] = static_cast<Digits>(rng() & AllDigits);
    }
    return s;
}

} // namespace

// The board's rules, as the game, the hints and the grader apply them.
class TestPosition : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A new digit takes its cell's notes and its own note from the twenty cells it sees, and
    // nothing else; the cells reported are exactly the cells that changed.
    void placingTakesTheNotesItShould()
    {
        std::mt19937 rng(7);
        for (int round = 0; round < 300; ++round) {
            const Position before = randomPosition(rng);
            const int p = static_cast<int>(rng() % 81);
            const int d = static_cast<int>(rng() % 9 + 1);
            Position after = before;
            const std::vector<int> changed = listed(after.place(p, d));
            std::vector<int> expected;
            for (int q = 0; q < 81; ++q) {
                const auto at = static_cast<std::size_t>(q);
                Digits notes = before.notes[at];
                if (q == p && before.digits[at] != d)
                    notes = 0;
                else if (seesByHand(p, q) && before.digits[std::size_t(p)] != d)
                    notes = static_cast<Digits>(notes & ~digitBit(d));
                QCOMPARE(after.notes[at], notes);
                QCOMPARE(after.digits[at], q == p ? d : before.digits[at]);
                QCOMPARE(after.kinds[at], before.kinds[at]);
                if (after.notes[at] != before.notes[at] || after.digits[at] != before.digits[at])
                    expected.push_back(q);
            }
            QCOMPARE(changed, expected);
        }
    }

    // The same digit again, or emptying a cell, takes no notes.
    void repeatingOrEmptyingTakesNoNotes()
    {
        Position s;
        s.notes[1] = AllDigits;
        s.place(0, 5);
        QCOMPARE(s.notes[1], Digits(AllDigits & ~digitBit(5)));
        s.notes[1] = AllDigits;
        QVERIFY(!s.place(0, 5).any());
        QCOMPARE(s.notes[1], AllDigits);
        QCOMPARE(listed(s.place(0, 0)), std::vector<int> { 0 });
        QCOMPARE(s.notes[1], AllDigits);
    }

    // Notes go to empty cells that are not given, marked ones included; a toggle twice is none.
    void notesAreTakenByEmptyCellsThatAreNotGiven()
    {
        Position s;
        s.kinds[0] = CellKind::Given; // a given the player emptied
        s.kinds[1] = CellKind::Marked;
        s.digits[2] = 4;
        QVERIFY(!s.toggleNote(0, 3).any());
        QVERIFY(!s.toggleNote(2, 3).any());
        QCOMPARE(listed(s.toggleNote(1, 3)), std::vector<int> { 1 });
        QCOMPARE(s.notes[1], digitBit(3));
        s.toggleNote(1, 3);
        QCOMPARE(s.notes[1], Digits(0));
        QCOMPARE(listed(s.clearNotes(1)), std::vector<int> {});
    }

    // Fill gives each cell that takes notes what its row, column and box allow, worked out
    // here from the digits by hand; the cells reported are those that changed.
    void fillGivesWhatEachCellAllows()
    {
        std::mt19937 rng(11);
        for (int round = 0; round < 100; ++round) {
            const Position before = randomPosition(rng);
            Position after = before;
            const std::vector<int> changed = listed(after.fillNotes());
            std::vector<int> expected;
            for (int p = 0; p < 81; ++p) {
                const auto at = static_cast<std::size_t>(p);
                Digits allowed = AllDigits;
                for (int q = 0; q < 81; ++q)
                    if (seesByHand(p, q) && before.digits[std::size_t(q)])
                        allowed = static_cast<Digits>(
                            allowed & ~digitBit(before.digits[std::size_t(q)]));
                QCOMPARE(before.allowed(p), allowed);
                const bool takes = before.kinds[at] != CellKind::Given && !before.digits[at];
                QCOMPARE(after.notes[at], takes ? allowed : before.notes[at]);
                if (after.notes[at] != before.notes[at])
                    expected.push_back(p);
                // A cell's candidates: its notes where it has some, within what it allows.
                const Digits candidates = before.digits[at] ? Digits(0)
                    : before.notes[at]                      ? Digits(before.notes[at] & allowed)
                                                            : allowed;
                QCOMPARE(before.candidates()[at], candidates);
            }
            QCOMPARE(changed, expected);
        }
    }

    // The start of a puzzle: its givens shown in given cells, and nothing else.
    void startShowsTheGivens()
    {
        Grid givens {};
        givens[0] = 3;
        givens[80] = 9;
        const Position s = Position::start(givens);
        QCOMPARE(s.givens, givens);
        QCOMPARE(s.digits, givens);
        QCOMPARE(s.kinds[0], CellKind::Given);
        QCOMPARE(s.kinds[1], CellKind::Open);
        QCOMPARE(s.notes, (std::array<Digits, 81> {}));
    }

    // Rows count from the top, columns from the left, digits in ascending order.
    void notationNamesCellsAsPlayersDo()
    {
        QCOMPARE(cellNotation(0), std::string("r1c1"));
        QCOMPARE(cellNotation(80), std::string("r9c9"));
        QCOMPARE(cellNotation(9 * 3 + 5), std::string("r4c6"));
        QCOMPARE(digitNotation(41, '=', digitBit(7)), std::string("r5c6=7"));
        QCOMPARE(digitNotation(8, '-', Digits(digitBit(7) | digitBit(3))), std::string("r1c9-37"));
    }

    // A repeat names its two cells and the unit they share.
    void repeatNamesItsCells()
    {
        Grid g {};
        g[10] = 6; // row 2, column 2
        g[64] = 6; // row 8, column 2
        const auto r = findRepeat(g);
        QVERIFY(r);
        QCOMPARE(r->first, 10);
        QCOMPARE(r->second, 64);
        QCOMPARE(r->unit, Repeat::Unit::Column);
        QCOMPARE(r->unitIndex, 9 + 1);
        QCOMPARE(int(units.cells[std::size_t(r->unitIndex)][1]), 10);
    }
};

QTEST_APPLESS_MAIN(TestPosition)
#include "tst_position.moc"
