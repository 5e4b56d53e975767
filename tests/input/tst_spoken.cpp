#include "input/spoken.h"

#include <QTest>

using namespace zov;
using namespace zov::input::spoken;

class TestSpoken : public QObject
{
    Q_OBJECT

    static QString q(const std::string &s) { return QString::fromStdString(s); }

private Q_SLOTS:
    // Cells are numbered from the bottom left; players count rows from the top and boxes from
    // the top left, row by row.
    void placesCountAsPlayersDo()
    {
        QCOMPARE(q(place(1)), QStringLiteral("Row 9, column 1, box 7"));
        QCOMPARE(q(place(9)), QStringLiteral("Row 9, column 9, box 9"));
        QCOMPARE(q(place(73)), QStringLiteral("Row 1, column 1, box 1"));
        QCOMPARE(q(place(81)), QStringLiteral("Row 1, column 9, box 3"));
        QCOMPARE(q(place(cellAt(7, 6))), QStringLiteral("Row 3, column 6, box 2"));
        QCOMPARE(q(place(cellAt(5, 5))), QStringLiteral("Row 5, column 5, box 5"));
        // Each box holds nine cells, three rows by three columns.
        std::array<int, 10> inBox {};
        for (CellIndex i = 1; i <= CellCount; ++i) {
            ++inBox[static_cast<std::size_t>(boxNumber(i))];
            QCOMPARE((boxNumber(i) - 1) / 3, (rowNumber(i) - 1) / 3);
            QCOMPARE((boxNumber(i) - 1) % 3, (columnNumber(i) - 1) / 3);
        }
        for (int b = 1; b <= 9; ++b)
            QCOMPARE(inBox[static_cast<std::size_t>(b)], 9);
    }

    // What a cell holds: its digit and given or marked, or "empty" with its notes; notes of a
    // cell holding a digit are not heard. The remark is the same without the digit.
    void holdingAndRemark_data()
    {
        QTest::addColumn<int>("digit");
        QTest::addColumn<int>("notes");
        QTest::addColumn<bool>("given");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<QString>("holding");
        QTest::addColumn<QString>("remark");
        QTest::newRow("given") << 7 << 0 << true << false << "7, given"
                               << "given";
        QTest::newRow("typed") << 7 << 0 << false << false << "7"
                               << "";
        QTest::newRow("typed, stale notes") << 7 << 0x1FF << false << false << "7"
                                            << "";
        QTest::newRow("empty") << 0 << 0 << false << false << "empty"
                               << "empty";
        QTest::newRow("notes") << 0 << 0x109 << false << false << "empty, notes 1 4 9"
                               << "empty, notes 1 4 9";
        QTest::newRow("marked") << 0 << 0 << false << true << "empty, marked"
                                << "empty, marked";
        QTest::newRow("marked, notes") << 0 << 0x100 << false << true << "empty, marked, notes 9"
                                       << "empty, marked, notes 9";
        QTest::newRow("marked, typed") << 5 << 0 << false << true << "5, marked"
                                       << "marked";
        QTest::newRow("given, emptied") << 0 << 0 << true << false << "empty, given"
                                        << "empty, given";
    }
    void holdingAndRemark()
    {
        QFETCH(int, digit);
        QFETCH(int, notes);
        QFETCH(bool, given);
        QFETCH(bool, marked);
        const Cell c { digit, static_cast<std::uint16_t>(notes), given, marked };
        QTEST(q(holding(c)), "holding");
        QTEST(q(remark(c)), "remark");
    }

    void confirmations()
    {
        QCOMPARE(q(placed(4)), QStringLiteral("4 placed"));
        QCOMPARE(q(removed(4)), QStringLiteral("4 removed"));
        QCOMPARE(q(replaced(5, 7)), QStringLiteral("7 placed, 5 removed"));
        QCOMPARE(q(cannotChange({ 3, 0, true, false })), QStringLiteral("given, cannot change"));
        QCOMPARE(
            q(cannotChange({ 5, 0, false, false })), QStringLiteral("holds 5, delete it first"));
        QCOMPARE(q(noteChanged(3, true, 0x5)), QStringLiteral("note 3 added, notes 1 3"));
        QCOMPARE(q(noteChanged(3, false, 0)), QStringLiteral("note 3 removed, no notes"));
        QCOMPARE(q(notesFilled(1)), QStringLiteral("notes filled in 1 cell"));
        QCOMPARE(q(notesFilled(43)), QStringLiteral("notes filled in 43 cells"));
        QCOMPARE(q(markChanged(true)), QStringLiteral("marked"));
        QCOMPARE(q(markChanged(false)), QStringLiteral("mark taken away"));
        QCOMPARE(q(puzzleLoaded(12, 30)), QStringLiteral("Puzzle 12 loaded, 30 given"));
        QCOMPARE(q(boardCleared(30)), QStringLiteral("board cleared, 30 given"));
    }

    // Undo, redo and a hint say what came back: digits and marks cell by cell while they are
    // few, the notes that follow them as a count.
    void changesSayWhatCameBack()
    {
        const CellIndex r3c6 = cellAt(7, 6);
        const CellIndex r2c1 = cellAt(8, 1);
        QCOMPARE(q(undone({ { r3c6, { 7, 0 }, { 0, 0x9 } } })),
            QStringLiteral("Undone: 7 removed from row 3, column 6, notes 1 4"));
        QCOMPARE(q(redone({ { r3c6, { 0, 0x9 }, { 7, 0 } } })),
            QStringLiteral("Redone: 7 placed in row 3, column 6"));
        QCOMPARE(q(changes({ { r3c6, { 5, 0 }, { 7, 0 } } })),
            QStringLiteral("7 placed in row 3, column 6, 5 removed"));
        QCOMPARE(q(changes({ { r3c6, { 0, 0, false, false }, { 0, 0, false, true } } })),
            QStringLiteral("row 3, column 6 marked"));
        QCOMPARE(q(hintTaken({ { r2c1, { 0, 0x7 }, { 0, 0x5 } } })),
            QStringLiteral("Hint applied: notes of row 2, column 1 now 1 3"));
        QCOMPARE(q(changes({ { r2c1, { 0, 0x7 }, { 0, 0 } } })),
            QStringLiteral("no notes in row 2, column 1"));
        // A placed digit takes its note from the cells it sees: those are counted.
        std::vector<Change> placing { { r3c6, { 0, 0x40 }, { 7, 0 } } };
        for (CellIndex i : { 1, 2, 3, 4 })
            placing.push_back({ i, { 0, 0x41 }, { 0, 0x1 } });
        QCOMPARE(q(changes(placing)),
            QStringLiteral("7 placed in row 3, column 6; notes changed in 4 cells"));
        // Many digits at once (Clear, say) are counted too.
        std::vector<Change> many;
        for (CellIndex i = 1; i <= 5; ++i)
            many.push_back({ i, { 3, 0 }, { 0, 0 } });
        QCOMPARE(q(changes(many)), QStringLiteral("digits or marks changed in 5 cells"));
        QCOMPARE(q(changes({})), QStringLiteral("no change"));
        QCOMPARE(q(nothingTo(true)), QStringLiteral("nothing to undo"));
        QCOMPARE(q(nothingTo(false)), QStringLiteral("nothing to redo"));
    }

    void unitsAndDigitsToPlace()
    {
        QCOMPARE(q(unit(Unit::Row, 8, { 8, 0, 0, 9, 5, 0, 0, 0, 3 })),
            QStringLiteral("Row 8: 8, blank, blank, 9, 5, blank, blank, blank, 3"));
        QCOMPARE(q(unit(Unit::Box, 2, {})),
            QStringLiteral("Box 2: blank, blank, blank, blank, blank, blank, blank, blank, blank"));
        QCOMPARE(
            q(toPlace({ 9, 7, 9, 9, 9, 9, 9, 9, 8 })), QStringLiteral("To place: 2 twice, 9 once"));
        QCOMPARE(q(toPlace({ 0, 9, 9, 9, 9, 9, 9, 9, 3 })),
            QStringLiteral("To place: 1 nine times, 9 six times"));
        QCOMPARE(q(toPlace({ 9, 9, 9, 9, 9, 9, 9, 9, 9 })), QStringLiteral("every digit placed"));
        // A board with a digit typed too often still says only what is missing.
        QCOMPARE(q(toPlace({ 10, 9, 9, 9, 9, 9, 9, 9, 9 })), QStringLiteral("every digit placed"));
    }
};

QTEST_GUILESS_MAIN(TestSpoken)
#include "tst_spoken.moc"
