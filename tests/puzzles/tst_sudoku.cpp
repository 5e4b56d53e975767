#include "puzzles/puzzletext.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace zov;
using namespace zov::puzzles;

namespace {
Grid grid(const char *text) { return *fromText(text); }

// A plain backtracking counter, fewest candidates first, for checking the solver against.
struct ReferenceCounter
{
    Grid g {};
    std::array<std::uint16_t, 27> used {};
    int limit = 2;
    int found = 0;
    Grid first {};

    static int unitOf(int p, int kind)
    {
        const int r = p / 9, c = p % 9;
        return kind == 0 ? r : kind == 1 ? 9 + c : 18 + (r / 3) * 3 + c / 3;
    }
    std::uint16_t free(int p) const
    {
        return static_cast<std::uint16_t>(
            ~(used[unitOf(p, 0)] | used[unitOf(p, 1)] | used[unitOf(p, 2)]) & 0x3FE);
    }
    void set(int p, int d, bool on)
    {
        g[p] = static_cast<std::uint8_t>(on ? d : 0);
        for (int k = 0; k < 3; ++k)
            used[unitOf(p, k)] = static_cast<std::uint16_t>(used[unitOf(p, k)] ^ (1u << d));
    }
    void search()
    {
        int best = -1, fewest = 10;
        for (int p = 0; p < 81; ++p) {
            if (g[p])
                continue;
            int n = 0;
            for (std::uint16_t m = free(p); m; m = static_cast<std::uint16_t>(m & (m - 1)))
                ++n;
            if (n < fewest) {
                fewest = n;
                best = p;
            }
        }
        if (best < 0) {
            if (found++ == 0)
                first = g;
            return;
        }
        for (int d = 1; d <= 9 && found < limit; ++d)
            if (free(best) & (1u << d)) {
                set(best, d, true);
                search();
                set(best, d, false);
            }
    }
    // Nothing for givens that clash.
    std::optional<int> count(const Grid &puzzle, int upTo)
    {
        *this = {};
        limit = upTo;
        for (int p = 0; p < 81; ++p)
            if (puzzle[p]) {
                if (!(free(p) & (1u << puzzle[p])))
                    return std::nullopt;
                set(p, puzzle[p], true);
            }
        search();
        return found;
    }
};

bool keepsGivens(const Grid &puzzle, const Grid &solution)
{
    for (int p = 0; p < 81; ++p)
        if (puzzle[p] && puzzle[p] != solution[p])
            return false;
    return true;
}

// The public benchmark sets beside the project, every `step`th puzzle of each.
std::vector<std::pair<QString, std::vector<Grid>>> benchmarkSamples(int step)
{
    std::vector<std::pair<QString, std::vector<Grid>>> sets;
    const QDir dir(test::benchmarkSets());
    for (const QString &name : dir.entryList({ QStringLiteral("*.txt") }, QDir::Files)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        std::vector<Grid> puzzles;
        for (int line = 0; !f.atEnd(); ++line) {
            const QByteArray text = f.readLine().trimmed();
            if (line % step == 0 && text.size() >= 81)
                if (const auto g = fromText(std::string_view(text.constData(), 81)))
                    puzzles.push_back(*g);
        }
        sets.emplace_back(name, std::move(puzzles));
    }
    return sets;
}
} // namespace

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
        Grid solved {};
        QCOMPARE(countSolutions(grid(puzzle.toLatin1().constData()), 2, &solved), 1);
        QCOMPARE(QString::fromStdString(toText(solved)), solution);
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

    // Every solution the solver gives is a valid full grid that keeps the givens, and its
    // uniqueness answers hold, on a sample of each public benchmark set from easy to the
    // hardest known. The sets are all of unique puzzles except serg-benchmark, whose puzzles
    // have several solutions each; there the reference counter confirms a second one.
    void solvesSamplesOfTheBenchmarkSets()
    {
        const auto sets = benchmarkSamples(50);
        if (sets.empty())
            QSKIP("no puzzle sets in ../shared/bench/puzzles");
        ReferenceCounter reference;
        for (const auto &[name, puzzles] : sets) {
            QVERIFY2(!puzzles.empty(), qPrintable(name));
            const bool severalSolutions = name.startsWith(QStringLiteral("serg"));
            for (const Grid &p : puzzles) {
                const QString what = name + QLatin1Char(' ') + QString::fromStdString(toText(p));
                Grid first {};
                const int n = countSolutions(p, 2, &first);
                QVERIFY2(isSolved(first) && keepsGivens(p, first), qPrintable(what));
                if (severalSolutions) {
                    QCOMPARE(n, 2);
                    QCOMPARE(reference.count(p, 2), std::optional<int>(2));
                } else {
                    QVERIFY2(n == 1, qPrintable(what));
                }
            }
        }
    }

    // Puzzles with no, one and many solutions, made by taking clues from solved grids and
    // from benchmark puzzles and by changing a clue: the counts at limits 1 to 3 and the
    // first solution agree with the reference counter.
    void countsAgreeWithReferenceCounter()
    {
        std::mt19937_64 rng(17);
        std::vector<Grid> puzzles;
        for (const auto &[name, sample] : benchmarkSamples(97))
            if (!name.startsWith(QStringLiteral("forum"))
                && !name.startsWith(QStringLiteral("magic")))
                for (std::size_t k = 0; k < sample.size() && k < 40; ++k)
                    puzzles.push_back(sample[k]);
        for (int k = 0; k < 60; ++k)
            puzzles.push_back(generate(rng, 26));
        std::vector<Grid> made;
        for (const Grid &p : puzzles) {
            Grid full {};
            QCOMPARE(countSolutions(p, 1, &full), 1);
            // Fewer clues: usually several solutions.
            Grid fewer = p;
            for (int k = 0; k < 3; ++k)
                fewer[std::uniform_int_distribution<int>(0, 80)(rng)] = 0;
            made.push_back(fewer);
            // A solved grid thinned at random to 22 to 40 clues.
            Grid thinned = full;
            const int keep = std::uniform_int_distribution<int>(22, 40)(rng);
            for (int left = 81; left > keep;) {
                const int c = std::uniform_int_distribution<int>(0, 80)(rng);
                if (thinned[c]) {
                    thinned[c] = 0;
                    --left;
                }
            }
            made.push_back(thinned);
            // One given changed to another digit that clashes with none: often no solution.
            // Only where clues are many: with few, plain backtracking takes long to prove it.
            if (clueCount(p) < 24)
                continue;
            Grid changed = p;
            for (int tries = 0; tries < 20; ++tries) {
                const int c = std::uniform_int_distribution<int>(0, 80)(rng);
                const int d = std::uniform_int_distribution<int>(1, 9)(rng);
                if (!changed[c] || changed[c] == d)
                    continue;
                Grid t = changed;
                t[c] = static_cast<std::uint8_t>(d);
                if (isConsistent(t)) {
                    changed = t;
                    break;
                }
            }
            made.push_back(changed);
        }
        ReferenceCounter reference;
        int none = 0, one = 0, many = 0;
        for (const Grid &p : made) {
            const QString what = QString::fromStdString(toText(p));
            const auto expected = reference.count(p, 3);
            QVERIFY(expected);
            for (int limit = 1; limit <= 3; ++limit) {
                Grid first {};
                const int n = countSolutions(p, limit, &first);
                QVERIFY2(n == std::min(*expected, limit), qPrintable(what));
                if (n > 0)
                    QVERIFY2(isSolved(first) && keepsGivens(p, first), qPrintable(what));
                if (*expected == 1)
                    QCOMPARE(first, reference.first);
            }
            (*expected == 0 ? none : *expected == 1 ? one : many)++;
        }
        // The made puzzles cover all three answers.
        QVERIFY(none > 10 && one > 10 && many > 10);
    }

    // A limit stops the count there; a limit below one counts nothing.
    void countStopsAtTheLimit()
    {
        const Grid empty {};
        for (int limit : { 1, 2, 5, 40 })
            QCOMPARE(countSolutions(empty, limit), limit);
        QCOMPARE(countSolutions(empty, 0), 0);
        Grid first {};
        QCOMPARE(countSolutions(empty, 1, &first), 1);
        QVERIFY(isSolved(first));
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
            + "  rated 1.2\n" + std::string(81, '.') + "\n" + good.substr(0, 40) + "y"
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
        QFile f(test::sourceDir() + QStringLiteral("/data/library.txt"));
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
