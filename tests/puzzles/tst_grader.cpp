#include "puzzles/grader.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <algorithm>

using namespace zov::puzzles;

Q_DECLARE_METATYPE(zov::puzzles::Technique)

namespace {

Grid grid(const QString &text) { return *fromText(text.toStdString()); }

using zov::test::benchmarkSets;

// Every `step`-th puzzle of a file, `count` of them.
std::vector<Grid> sample(const QString &file, int count)
{
    QFile f(benchmarkSets() + QLatin1Char('/') + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    std::vector<Grid> all;
    while (!f.atEnd())
        if (const auto g = fromText(f.readLine().left(81).toStdString()))
            all.push_back(*g);
    std::vector<Grid> picked;
    const std::size_t step = std::max<std::size_t>(1, all.size() / static_cast<std::size_t>(count));
    for (std::size_t k = 0; k < all.size() && picked.size() < static_cast<std::size_t>(count);
         k += step)
        picked.push_back(all[k]);
    return picked;
}

bool halfTurnSymmetric(const Grid &g)
{
    for (std::size_t p = 0; p < 81; ++p)
        if ((g[p] == 0) != (g[80 - p] == 0))
            return false;
    return true;
}

} // namespace

class TestGrader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each puzzle needs the technique named: its grade's techniques solve it, nothing easier
    // does, and where `alone` is set, leaving out just that technique fails too (elsewhere
    // another technique of the grade could stand in). The expected steps were checked by hand
    // on the candidates at that point.
    void needsExactlyItsTechnique_data()
    {
        QTest::addColumn<QString>("puzzle");
        QTest::addColumn<Technique>("technique");
        QTest::addColumn<bool>("alone");
        QTest::addColumn<QString>("handChecked");
        using T = Technique;
        auto row
            = [](const char *name, const char *puzzle, T t, bool alone, const char *step = "") {
                  QTest::newRow(name)
                      << QString::fromLatin1(puzzle) << t << alone << QString::fromLatin1(step);
              };
        row("hidden single",
            ".72..34.8.5.2.....3......2...1.56..7..69.21..4..18.2...4......1.....5.8.9.78..54.",
            T::HiddenSingle, true);
        row("naked single",
            ".95.7....28.39475....2.8.6.5.4....7...9...6...3....4.9.5.4.7....68512.97....3.54.",
            T::NakedSingle, true);
        // 6 of the top middle box lies only in row 2.
        row("pointing",
            ".1..2..69.......8....914....972.....24.8.5.97.....382....189....5.......12..5..4.",
            T::Pointing, true, "pointing: r2c1-6 r2c3-6");
        // 2 of the middle-left box lies only in column 1: a grader that looks for pointing
        // along rows alone cannot finish this one.
        row("column pointing",
            "....647.....2....46......833..62..7..4.8.7.3..7..93..148......51....2.....591....",
            T::Pointing, true, "pointing: r1c1-2 r9c1-2");
        row("claiming",
            "1....3..7..8.....6.24...8....9..8...86.4.5.31...7..9....3...51.4.....2..2..1....8",
            T::Claiming, true);
        // 9 of column 6 lies only in the bottom-middle box; no row claims anything here.
        row("column claiming",
            "2.....9.6.7.4...3......37.4...6..84.5.7...6.3.24..8...4.83......5...6.8.3.1.....7",
            T::Claiming, true, "claiming: r7c5-9 r8c4-9 r9c5-9");
        row("naked pair",
            "..1925........19...2.7.6..118.....4.7.2.9.1.5.5.....972..5.3.7...36........4726..",
            T::NakedPair, false);
        row("hidden pair",
            "41..3...9.....9.148....16..25...7....37...86....8...27..41....232.7.....1...2..76",
            T::HiddenPair, false);
        row("naked triple",
            "..8..172.5..8.24.1..........8..39...4.75.61.3...71..5..........3.42.5..6.621..5..",
            T::NakedTriple, false);
        row("hidden triple",
            "5....68.........9.....49.15.5..74.....4...2.....92..3.94.13.....6.........16....8",
            T::HiddenTriple, false);
        row("naked quad",
            "1.......22...7..9..46...51............34.......4619..3..7.....1..1..475..65..1.4.",
            T::NakedQuad, false);
        // 9 stands in rows 3 and 7 only in columns 2 and 8.
        row("x-wing",
            "1..86..7......7...3.72..6.1.13.2....8.......9....9.81.7.2..65.8...4......3..89..6",
            T::XWing, false, "x-wing: r1c2-9 r8c2-9 r8c8-9");
        row("swordfish",
            "......4....21...3.73..2..6.8.5..9.4.....8.....1.7..6.5.2..3..74.5...69....9......",
            T::Swordfish, true);
        row("xy-wing",
            "1..64..9.9......3...6.8....2.1..736..5.....7..793..2.5....2.9...9......1.1..78..2",
            T::XYWing, true);
        row("xyz-wing",
            "..18.6.4...61..7.3.3..2...6.9....5....7.8.3....8....7.5...6..3.7.3..16...1.7.39..",
            T::XYZWing, true);
        row("simple colouring",
            "...8..69.86......1.136.....4.57.1.3.....3.....3.5.67.8.....781.7......65.81..5...",
            T::SimpleColouring, false);
        row("x-chain",
            ".....9.83.93....1.2...6...4..1.56......4.7......19.8..8...1...2.1....54.47.2.....",
            T::XChain, false);
        row("xy-chain",
            "...8.92...5.6....4....5.9...7.1.263.2.......8.687.3.4...7.1....3....5.2...23.6...",
            T::XYChain, false);
        // Forcing nets a candidate deep do not finish the hardest known puzzles.
        row("trial",
            "........8..3...4...9..2..6.....79.......612...6.5.2.7...8...5...1.....2.4.5.....3",
            T::Trial, true);
    }
    void needsExactlyItsTechnique()
    {
        QFETCH(QString, puzzle);
        QFETCH(Technique, technique);
        QFETCH(bool, alone);
        QFETCH(QString, handChecked);
        const Grid g = grid(puzzle);
        const int grade = gradeOf(technique);
        std::vector<std::string> log;
        const Rating r = rate(g, { TopGrade, 0, &log });
        QCOMPARE(r.grade, grade);
        QVERIFY(r.solved);
        QVERIFY(r.count(technique) > 0);
        QCOMPARE(r.unsoundSteps, 0);
        // No other technique of the grade was needed when it is not stood in for.
        for (int k = 0; k < TechniqueCount && !alone; ++k) {
            const auto other = static_cast<Technique>(k);
            if (other != technique && gradeOf(other) == grade)
                QCOMPARE(r.count(other), 0);
        }
        QVERIFY(!rate(g, { grade - 1, 0 }).solved);
        if (alone)
            QVERIFY(!rate(g, { grade, bit(technique) }).solved);
        if (!handChecked.isEmpty()) {
            const auto step = std::find(log.begin(), log.end(), handChecked.toStdString());
            QVERIFY2(step != log.end(), qPrintable(handChecked));
        }
    }

    // Every step keeps the solution's digits, also when techniques are left out so that the
    // harder ones and the guesses do more of the work.
    void everyStepKeepsTheSolution_data()
    {
        QTest::addColumn<QString>("file"); // empty for generated puzzles
        QTest::addColumn<int>("count");
        QTest::newRow("random-minimal") << QStringLiteral("random-minimal.txt") << 60;
        QTest::newRow("magictour-top1465") << QStringLiteral("magictour-top1465.txt") << 20;
        QTest::newRow("generated") << QString() << 10;
    }
    void everyStepKeepsTheSolution()
    {
        QFETCH(QString, file);
        QFETCH(int, count);
        std::vector<Grid> set;
        if (file.isEmpty()) {
            std::mt19937_64 rng(5);
            for (int k = 0; k < count; ++k)
                set.push_back(generate(rng, 24));
        } else {
            set = sample(file, count);
            if (set.empty())
                QSKIP(qPrintable(QStringLiteral("the shared puzzle sets are not beside the source "
                                                "tree (no %1 in %2)")
                                     .arg(file, benchmarkSets())));
        }
        using T = Technique;
        const std::uint64_t subsetsAndFish = bit(T::NakedPair) | bit(T::HiddenPair)
            | bit(T::NakedTriple) | bit(T::HiddenTriple) | bit(T::NakedQuad) | bit(T::HiddenQuad)
            | bit(T::XWing) | bit(T::Swordfish) | bit(T::Jellyfish);
        const std::uint64_t wingsAndChains = bit(T::XYWing) | bit(T::XYZWing)
            | bit(T::SimpleColouring) | bit(T::XChain) | bit(T::XYChain);
        const std::uint64_t masks[] = { 0, subsetsAndFish, bit(T::Pointing) | bit(T::Claiming),
            subsetsAndFish | bit(T::Pointing) | bit(T::Claiming) | bit(T::XYWing),
            wingsAndChains | bit(T::NakedSingle) };
        for (const auto &g : set)
            for (const std::uint64_t disabled : masks) {
                const Rating r = rate(g, { TopGrade, disabled });
                QVERIFY2(r.solved && r.unsoundSteps == 0, toText(g).c_str());
            }
    }

    // The grades order the shared sets as their known hardness does, and the hardest set
    // needs guessing nearly throughout.
    void ratesSharedSetsByTheirKnownHardness()
    {
        if (!QDir(benchmarkSets()).exists())
            QSKIP(qPrintable(QStringLiteral("the shared puzzle sets are not beside the source "
                                            "tree (no %1)")
                                 .arg(benchmarkSets())));
        auto median = [](const QString &file, int count, double *topShare = nullptr) {
            std::vector<int> grades;
            int unsound = 0;
            for (const auto &g : sample(file, count)) {
                const Rating r = rate(g);
                grades.push_back(r.grade);
                unsound += r.unsoundSteps;
            }
            if (unsound)
                qWarning("%d unsound step(s) in %s", unsound, qPrintable(file));
            std::sort(grades.begin(), grades.end());
            if (topShare)
                *topShare = static_cast<double>(std::count(grades.begin(), grades.end(), TopGrade))
                    / static_cast<double>(grades.size());
            return grades.empty() || unsound ? -1 : grades[grades.size() / 2];
        };
        const int clue17 = median(QStringLiteral("17-clue.txt"), 150);
        const int minimal = median(QStringLiteral("random-minimal.txt"), 150);
        const int magictour = median(QStringLiteral("magictour-top1465.txt"), 50);
        const int plus11 = median(QStringLiteral("forum-hardest-11plus.txt"), 25);
        double topShare = 0;
        const int hardest = median(QStringLiteral("forum-hardest-1106.txt"), 40, &topShare);
        qInfo("medians: 17-clue %d, random-minimal %d, magictour %d, 11+ %d, 1106 %d (top %.0f%%)",
            clue17, minimal, magictour, plus11, hardest, 100 * topShare);
        QVERIFY(clue17 >= 1 && minimal >= 1);
        QVERIFY(clue17 <= magictour && minimal <= magictour);
        QVERIFY(magictour <= plus11);
        QVERIFY(plus11 <= hardest);
        QVERIFY(topShare >= 0.9);
    }

    // A puzzle without exactly one solution gets no grade rather than a wrong one.
    void invalidPuzzlesHaveNoGrade()
    {
        Grid twoSolutions = grid(QStringLiteral(
            ".72..34.8.5.2.....3......2...1.56..7..69.21..4..18.2...4......1.....5.8.9.78..54."));
        twoSolutions[1] = 0; // the only 7 of the top row
        Grid none = twoSolutions;
        none[0] = 2; // beside the 2 of the top-left box
        const Rating many = rate(twoSolutions), zero = rate(none);
        QCOMPARE(many.grade, InvalidGrade);
        QCOMPARE(many.solutions, 2);
        QCOMPARE(zero.grade, InvalidGrade);
        QCOMPARE(zero.solutions, 0);
        QCOMPARE(describe(many), std::string("0 invalid not-unique"));
        QCOMPARE(describe(zero), std::string("0 invalid no-solution"));
    }

    // The graded generator makes unique, half-turn symmetric puzzles of exactly the asked
    // grade, the same ones for the same seed.
    void generatesTheAskedGrade()
    {
        for (const int grade : { 1, 3, 5, 8 }) {
            std::mt19937_64 rng(static_cast<unsigned>(grade)), again(static_cast<unsigned>(grade));
            const auto g = generateGraded(rng, grade, 5000);
            QVERIFY(g);
            QCOMPARE(rate(*g).grade, grade);
            QVERIFY(hasUniqueSolution(*g));
            QVERIFY(halfTurnSymmetric(*g));
            QCOMPARE(toText(*generateGraded(again, grade, 5000)), toText(*g));
        }
    }

    // Within a grade the library's easy-to-hard numbering follows score(): more steps, harder
    // steps and deeper guesses score higher. A score whose order inverts or flattens (the
    // easiest puzzle of a band numbered last) fails here.
    void scoreRisesWithMoreAndHarderSteps()
    {
        Rating base;
        base.grade = 3;
        base.solved = true;
        base.solutions = 1;
        base.counts[static_cast<std::size_t>(Technique::HiddenSingle)] = 40;
        base.counts[static_cast<std::size_t>(Technique::Pointing)] = 2;
        for (int t = 0; t < TechniqueCount; ++t) {
            const auto name = QByteArray(techniqueName(static_cast<Technique>(t)).data());
            Rating more = base;
            ++more.counts[static_cast<std::size_t>(t)];
            QVERIFY2(more.score() > base.score(), QByteArray("one step more of " + name));
            // The same number of steps, one of them of this technique instead of a hidden
            // single: a harder grade's technique scores higher, one of the same grade equal.
            Rating harder = more;
            --harder.counts[static_cast<std::size_t>(Technique::HiddenSingle)];
            if (gradeOf(static_cast<Technique>(t)) > gradeOf(Technique::HiddenSingle))
                QVERIFY2(harder.score() > base.score(), QByteArray("a step of " + name));
            else
                QCOMPARE(harder.score(), base.score());
        }
        Rating deeper = base;
        deeper.trialDepth = 1;
        QVERIFY(deeper.score() > base.score());
        QVERIFY(Rating {}.score() < base.score());

        // On a real puzzle of the easiest grade, where every step places a digit: each digit
        // given away from its solution leaves a step fewer, and a lower score.
        std::mt19937_64 rng(7);
        const auto puzzle = generateGraded(rng, 1, 5000);
        QVERIFY(puzzle);
        Grid solution {};
        QCOMPARE(countSolutions(*puzzle, 2, &solution), 1);
        Grid easier = *puzzle;
        double last = rate(easier).score();
        for (std::size_t p = 0; p < 81; ++p) {
            if (easier[p] != 0)
                continue;
            easier[p] = solution[p];
            const Rating r = rate(easier);
            if (r.grade != 1)
                break;
            QVERIFY2(r.score() < last, toText(easier).c_str());
            last = r.score();
        }
    }

    // The counts line names the grade and every technique used, in the order they are tried.
    void describesGradeAndCounts()
    {
        const Rating r = rate(grid(QStringLiteral(
            ".1..2..69.......8....914....972.....24.8.5.97.....382....189....5.......12..5..4.")));
        QCOMPARE(describe(r), std::string("3 locked-candidates hidden-single=53 pointing=2"));
    }
};

QTEST_GUILESS_MAIN(TestGrader)
#include "tst_grader.moc"
