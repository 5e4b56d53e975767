#include "puzzles/grader.h"
#include "puzzles/puzzletext.h"
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
        // From the default library: each needs, of its grade's techniques, this one alone.
        row("skyscraper",
            ".1.8.....63814..9.2.4.538....7.....5.42.7.36.3.....4....631.7.8.8..65924.....4.3.",
            T::Skyscraper, false);
        row("two-string kite",
            ".56..8..7.1...4.......1...8.3.1.95....7.6.9....14.7.8.1...4.......5...9.7..2..31.",
            T::TwoStringKite, false);
        row("empty rectangle",
            ".7..94.8.5..2...67....7.2......6.17...61.79...13.4......5.3....69...1..5.3.42..9.",
            T::EmptyRectangle, false);
        row("finned x-wing",
            ".2......5..9....4.8..51.6.9.6.1.5.7...7.6.5...1.4.8.6.2.1.89..3.9....8..7......9.",
            T::FinnedXWing, false);
        row("finned swordfish",
            "..48....9.75...3.....65..4.25.74..9.4...9...1.9..85.24.2..64.....3...91.7....34..",
            T::FinnedSwordfish, false);
        row("sashimi swordfish",
            "....28.1.8.2..7..6..735.....4.23..61.........18..69.2.....926..2..1..7.5.9.57....",
            T::SashimiSwordfish, false);
        row("xy-wing",
            "..2.....8..178.2.6...612475...3...9.9..4.1..2.1...8...738124...2.5.371..1.....7..",
            T::XYWing, false);
        row("xyz-wing",
            ".1.8..96.....265..6...1..87...2...5..2.7.5.9..5...4...79..5...1..547.....61..9.2.",
            T::XYZWing, false);
        row("w-wing",
            ".7..28...4.5.....2.869.5.....1....9...85371...3....5.....2.165.5.....3.1...65..7.",
            T::WWing, false);
        row("unique rectangle 1",
            "5.3.81.2..8.6.73...4.3...........68....5.8....75...........2.5...27.6.1..1.89.2.3",
            T::UniqueRectangle1, false);
        row("unique rectangle 2",
            "8...9...4..9..27.....7.4.......798.24.68.31.99.814.......9.6.....54..9..7...5...1",
            T::UniqueRectangle2, false);
        row("unique rectangle 4",
            ".82.4......43.2....3...9.6.8.6......7.3...2.5......6.8.7.9...4....5.71......1.89.",
            T::UniqueRectangle4, false);
        row("bug+1",
            ".7..3...1289..6....3......2.1...4..68.3.5.9.49..8...5.6......3....6..4191...8..2.",
            T::BugPlusOne, false);
        row("simple colouring",
            ".....739.2.3.....7.5.2..6..6...74....39...57....56...4..7..2.1.5.....7.3.247.....",
            T::SimpleColouring, false);
        row("x-chain",
            "...7......74.568...1.4....514..6.5....7...1....5.3..265....3.9...391.65......8...",
            T::XChain, false);
        row("xy-chain",
            "...3..14.4...9.35.6......8.....7..295..64.....14.......73..2...1.5..7.......8...1",
            T::XYChain, false);
        row("aic",
            "4..5.9.......4.52..7.6..9....4.81..5.1.....8.8..73.1....3..7.6..41.9.......3.6..9",
            T::Aic, false);
        row("grouped aic",
            "7.6.9..2..9.1.2..6.12.4....2.4......5.......3......2.9....8.79.9..5.4.6..2..3.5.8",
            T::GroupedAic, true);
        row("als-xz",
            ".2.5.1..8........36...3.1......975...65...79...862......3.5...75........7..4.2.1.",
            T::AlsXZ, false);
        row("als-xy-wing",
            ".....2.7981.....2..92..1..474..36...............97..532..8..94..8.....3297.6.....",
            T::AlsXYWing, false);
        row("cell forcing chain",
            "....9..41.1.53.......7..5..9....12.8.5..2..6.8.43....9..3..7.......43.7.47..6....",
            T::CellForcingChain, false);
        row("unit forcing chain",
            "6...4..7.4...32....5...8..43.4...9..9.......7..8...3.12..9...1....26...3.3..8...9",
            T::UnitForcingChain, false);
        row("contradiction chain",
            "1..95..4......3...95..8.1...7.5..3....1.3.7....4..2.5...7.4..19...3......9..28..3",
            T::ContradictionChain, false);
        row("forcing net",
            ".5..824.3...15..8......7.5.5.....1...18...53...4.....9.6.7......7..13...1.382..4.",
            T::ForcingNet, false);
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
        const std::uint64_t patterns = bit(T::Skyscraper) | bit(T::TwoStringKite)
            | bit(T::EmptyRectangle) | bit(T::FinnedXWing) | bit(T::SashimiXWing)
            | bit(T::FinnedSwordfish) | bit(T::SashimiSwordfish) | bit(T::WWing);
        const std::uint64_t uniqueness = bit(T::UniqueRectangle1) | bit(T::UniqueRectangle2)
            | bit(T::UniqueRectangle4) | bit(T::BugPlusOne);
        const std::uint64_t longChains = bit(T::Aic) | bit(T::NiceLoop) | bit(T::GroupedAic)
            | bit(T::AlsXZ) | bit(T::AlsXYWing);
        const std::uint64_t forcing = bit(T::CellForcingChain) | bit(T::UnitForcingChain)
            | bit(T::ContradictionChain) | bit(T::ForcingNet);
        const std::uint64_t masks[]
            = { 0, subsetsAndFish, patterns | uniqueness, bit(T::Pointing) | bit(T::Claiming),
                  subsetsAndFish | bit(T::Pointing) | bit(T::Claiming) | bit(T::XYWing),
                  wingsAndChains | bit(T::NakedSingle), longChains, forcing | wingsAndChains };
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

    // Within a grade the library's easy-to-hard numbering follows score(): a harder technique
    // needed first, then more steps, harder steps and deeper guesses. A score whose order
    // inverts or flattens (the easiest puzzle of a band numbered last) fails here.
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

        // The hardest technique needed outranks any number of easier steps, also of its own
        // grade: one swordfish after many X-wings and pointings, one claiming after pointings.
        Rating wings = base;
        wings.grade = 5;
        wings.counts[static_cast<std::size_t>(Technique::XWing)] = 6;
        wings.counts[static_cast<std::size_t>(Technique::Pointing)] = 9;
        Rating swordfish = base;
        swordfish.grade = 5;
        swordfish.counts[static_cast<std::size_t>(Technique::Swordfish)] = 1;
        QVERIFY(swordfish.score() > wings.score());
        Rating claiming = base;
        claiming.counts[static_cast<std::size_t>(Technique::Pointing)] = 0;
        claiming.counts[static_cast<std::size_t>(Technique::Claiming)] = 1;
        Rating pointings = base;
        pointings.counts[static_cast<std::size_t>(Technique::Pointing)] = 12;
        QVERIFY(claiming.score() > pointings.score());
        // Beyond the hardest, steps beyond singles come before singles: one pointing more
        // outweighs twenty naked singles.
        Rating singles = base;
        singles.counts[static_cast<std::size_t>(Technique::NakedSingle)] = 20;
        Rating pointing = base;
        ++pointing.counts[static_cast<std::size_t>(Technique::Pointing)];
        QVERIFY(pointing.score() > singles.score());

        // On a real puzzle of the easiest grade, where every step places a digit: each digit
        // given away from its solution leaves a step fewer, and a lower score.
        std::mt19937_64 rng(7);
        const auto puzzle = generateGraded(rng, 1, 5000);
        QVERIFY(puzzle);
        Grid solution {};
        QCOMPARE(countSolutions(*puzzle, 2, &solution), 1);
        Grid easier = *puzzle;
        auto last = rate(easier).score();
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

    // The default library, as shipped: each band of 1000 is one grade, and within it the
    // numbers follow the score, so no puzzle needs a harder technique than one after it.
    void libraryRisesWithinEachGrade()
    {
        QFile f(zov::test::sourceDir() + QStringLiteral("/data/library.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto parsed = parsePuzzleText(f.readAll().toStdString());
        QCOMPARE(parsed.puzzles.size(), std::size_t(8000));
        Rating last;
        for (std::size_t k = 0; k < parsed.puzzles.size(); ++k) {
            const Rating r = rate(parsed.puzzles[k]);
            const auto where = [&](const char *what) -> QByteArray {
                return QByteArray("puzzle ") + QByteArray::number(qulonglong(k + 1)) + what;
            };
            QVERIFY2(r.grade == static_cast<int>(k / 1000) + 1, where(" is out of its band"));
            if (k % 1000 != 0) {
                QVERIFY2(r.score().hardest >= last.score().hardest,
                    where(" needs an easier technique than the one before it"));
                QVERIFY2(r.score() >= last.score(), where(" is easier than the one before it"));
            }
            last = r;
        }
    }

    // Rating many at once, over every core, gives each puzzle, in its place, what rating it
    // alone gives: across every grade, with puzzles that have no grade among them.
    void ratesManyAsEachAlone()
    {
        QFile f(zov::test::sourceDir() + QStringLiteral("/data/library.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto library = parsePuzzleText(f.readAll().toStdString()).puzzles;
        std::vector<Grid> set;
        for (std::size_t k = 0; k < library.size(); k += 37)
            set.push_back(library[k]);
        Grid many = library[0], none = library[0];
        std::fill(many.begin(), many.begin() + 40, 0); // too few givens left for one solution
        none[0] = none[1] = 1; // two 1s in the first row
        set.insert(set.begin() + 3, none);
        set.insert(set.begin() + 100, many);
        set.push_back(none);
        const auto all = rateAll(set);
        QCOMPARE(all.size(), set.size());
        for (std::size_t k = 0; k < set.size(); ++k) {
            const Rating alone = rate(set[k]);
            QVERIFY2(all[k].grade == alone.grade && all[k].counts == alone.counts
                    && all[k].solutions == alone.solutions,
                toText(set[k]).c_str());
        }
        QCOMPARE(all[3].grade, InvalidGrade);
        QCOMPARE(all[100].grade, InvalidGrade);
        QVERIFY(rateAll({}).empty());
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
