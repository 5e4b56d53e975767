#include "puzzles/puzzletext.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTest>

using namespace zov;
using namespace zov::puzzles;

namespace {
Grid grid(const char *text) { return *fromText(text); }
}

class TestSudoku : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Known puzzles with their known answers, including ones that need deep search.
    void solvesKnownPuzzles_data()
    {
        QTest::addColumn<QString>("puzzle");
        QTest::addColumn<QString>("solution");
        QTest::newRow("easy")
            << "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79"
            << QString::fromLatin1(test::SolvedText);
        QTest::newRow("hard: few clues, deep search")
            << "8..........36......7..9.2...5...7.......457.....1...3...1....68..85...1..9....4.."
            << "812753649943682175675491283154237896369845721287169534521974368438526917796318452";
    }
    void solvesKnownPuzzles()
    {
        QFETCH(QString, puzzle);
        QFETCH(QString, solution);
        const auto solved = solve(grid(puzzle.toLatin1().constData()));
        QVERIFY(solved);
        QCOMPARE(QString::fromStdString(toText(*solved)), solution);
    }

    // A solver that stops at the first solution would call these unique.
    void countsNoneAndMany()
    {
        Grid empty {};
        QCOMPARE(countSolutions(empty, 2), 2);
        // Consistent givens, but the top-right cell has no digit left.
        const Grid stuck = grid(
            "12345678.........9...............................................................");
        QVERIFY(isConsistent(stuck));
        QCOMPARE(countSolutions(stuck, 2), 0);
        Grid twice = grid(test::SolvedText);
        twice[1] = twice[0];
        QVERIFY(!isConsistent(twice));
        QCOMPARE(countSolutions(twice, 2), 0);
        // Remove a deadly pattern's four cells: two solutions.
        Grid open = grid(test::SolvedText);
        QVERIFY(isSolved(open));
        for (int p = 0; p < 81; ++p)
            if (open[p] == 1 || open[p] == 2)
                open[p] = 0;
        QCOMPARE(countSolutions(open, 2), 2);
    }

    // Generated puzzles must be unique and symmetric, whatever the seed.
    void generatesUniqueSymmetricPuzzles()
    {
        for (std::uint64_t seed : { 1u, 7u, 2026u }) {
            std::mt19937_64 rng(seed);
            const Grid p = generate(rng, 24);
            QVERIFY2(hasUniqueSolution(p), qPrintable(QStringLiteral("seed %1").arg(seed)));
            QVERIFY(clueCount(p) >= 24);
            for (int k = 0; k < 81; ++k)
                QCOMPARE(p[k] != 0, p[80 - k] != 0);
        }
    }

    // The text form's first character is the board's top-left cell, 73; its last is cell 9.
    void textFormMapsToCellIndices()
    {
        Grid g {};
        g[0] = 4;
        g[8] = 5;
        g[72] = 6;
        g[80] = 7;
        auto p = toPuzzle(g);
        std::sort(p.begin(), p.end(), [](auto a, auto b) { return a.index < b.index; });
        QCOMPARE(p.size(), std::size_t(4));
        QCOMPARE(p[0].index, 1);
        QCOMPARE(p[0].digit, 6);
        QCOMPARE(p[1].index, 9);
        QCOMPARE(p[1].digit, 7);
        QCOMPARE(p[2].index, 73);
        QCOMPARE(p[2].digit, 4);
        QCOMPARE(p[3].index, 81);
        QCOMPARE(p[3].digit, 5);
        std::vector<store::GameRow> rows;
        for (const auto &given : p)
            rows.push_back({ 1, given.index, given.digit, {}, {}, {} });
        QCOMPARE(toGrid(rows), g);
    }

    // Every malformed line is reported with its number, and comments are no puzzles.
    void importReportsMalformedLines()
    {
        const std::string good(test::SolvedText);
        const std::string text = "# a comment\n\n" + good.substr(0, 80) + "\n" + good
            + "  rated 1.2\n" + std::string(81, '.') + "\n" + good.substr(0, 40) + "x"
            + good.substr(41) + "\r\n" + "11" + good.substr(2) + "\n" + good + "\n";
        const auto parsed = parsePuzzleText(text);
        QCOMPARE(parsed.puzzles.size(), std::size_t(2));
        QCOMPARE(parsed.problems.size(), std::size_t(4));
        QCOMPARE(parsed.problems[0].line, 3);
        QCOMPARE(parsed.problems[1].line, 5);
        QCOMPARE(parsed.problems[2].line, 6);
        QCOMPARE(parsed.problems[3].line, 7);
    }

    // The shipped library: every puzzle valid, symmetric and with exactly one solution.
    void committedLibraryHasOnlyUniquePuzzles()
    {
        QFile f(
            qEnvironmentVariable("ZOVUDEDODA_SOURCE_DIR") + QStringLiteral("/data/library.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto parsed = parsePuzzleText(f.readAll().toStdString());
        QVERIFY(parsed.problems.empty());
        QVERIFY(parsed.puzzles.size() >= 1000);
        int fewest = 81, most = 0;
        for (const auto &p : parsed.puzzles) {
            QVERIFY(hasUniqueSolution(p));
            for (int k = 0; k < 81; ++k)
                QCOMPARE(p[k] != 0, p[80 - k] != 0);
            fewest = std::min(fewest, clueCount(p));
            most = std::max(most, clueCount(p));
        }
        QVERIFY(fewest <= 24);
        QVERIFY(most >= 34);
    }
};

QTEST_GUILESS_MAIN(TestSudoku)
#include "tst_sudoku.moc"
