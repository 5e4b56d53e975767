// The single-digit patterns, finned fish, the W-wing, the uniqueness patterns, the alternating
// inference chains, almost-locked sets and forcing chains and nets, each on a position taken
// from a real solve where it is the easiest step: the step it must take, told by roles and in
// words; and on the same position with a candidate or two put back so that its pattern no longer
// quite holds: nothing, or, where the board holds another such pattern, not that step.

#include "puzzles/grading/implications.h"
#include "puzzles/grading/rater.h"
#include "puzzles/hints/words.h"
#include "puzzles/position.h"
#include "support/testsupport.h"

#include <QStringList>
#include <QTest>
#include <algorithm>
#include <thread>
#include <utility>

using namespace zov::puzzles;
using namespace zov::puzzles::grading;

Q_DECLARE_METATYPE(zov::puzzles::Technique)

namespace {

// Nine rows split by "/", cells by spaces: "=5" a placed digit, "136" an open cell's candidates.
CandidateGrid position(const QString &text)
{
    CandidateGrid g;
    int p = 0;
    for (const auto &row : text.split(QLatin1Char('/')))
        for (const auto &cell : row.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (cell.startsWith(QLatin1Char('='))) {
                g.grid[static_cast<std::size_t>(p)]
                    = static_cast<std::uint8_t>(cell[1].digitValue());
                --g.empty;
            } else {
                for (const auto c : cell)
                    g.cand[static_cast<std::size_t>(p)] |= digitBit(c.digitValue());
            }
            ++p;
        }
    return g;
}

Grid solution(const QString &text) { return *fromText(text.toStdString()); }

std::string notation(const StepPattern &s)
{
    std::string text;
    if (s.placedCell >= 0)
        text = digitNotation(s.placedCell, '=', digitBit(s.placedDigit));
    for (const auto &[p, m] : s.removed)
        text += (text.empty() ? "" : " ") + digitNotation(p, '-', m);
    return text;
}

using T = Technique;

} // namespace

class TestTechniques : public QObject
{
    Q_OBJECT

private:
    static void data()
    {
        QTest::addColumn<Technique>("technique");
        QTest::addColumn<QString>("solved");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("step");
        // "r1c3+1 r2c5+4": a 1 put back in row 1, column 3, and a 4 in row 2, column 5.
        QTest::addColumn<QString>("nearMiss");
        QTest::addColumn<bool>("elsewhere"); // the board holds another pattern of the kind
        auto row = [](const char *name, Technique t, const char *solved, const char *state,
                       const char *step, const char *nearMiss, bool elsewhere = false) {
            QTest::newRow(name) << t << QString::fromLatin1(solved) << QString::fromLatin1(state)
                                << QString::fromLatin1(step) << QString::fromLatin1(nearMiss)
                                << elsewhere;
        };
        row("skyscraper", T::Skyscraper,
            "285379416976415823143268579"
            "632897154814652937759134268"
            "497526381328741695561983742",
            "28 58 25 136 =7 =9 46 146 136/"
            "19 =7 16 =4 1356 35 =8 =2 1369/"
            "149 46 =3 =2 16 =8 =5 =7 169/"
            "=6 358 25 378 2359 2357 =1 59 =4/"
            "28 =1 =4 68 2569 25 2679 =3 2567/"
            "=7 35 =9 136 123456 2345 26 56 =8/"
            "14 =9 =7 =5 24 =6 =3 =8 12/"
            "35 =2 =8 37 34 =1 4679 4569 567/"
            "35 46 16 =9 =8 2347 247 145 1257",
            "r2c9-1", "r1c3+1");
        row("two-string-kite", T::TwoStringKite,
            "289415376367892154415637982"
            "926541837831279645754386219"
            "142763598573928461698154723",
            "=2 78 49 4578 =1 578 =3 579 =6/"
            "38 =6 37 578 =9 =2 17 157 =4/"
            "49 =1 =5 467 =3 67 79 =8 =2/"
            "389 23589 269 56 =4 =1 289 239 =7/"
            "348 358 =1 =2 =7 =9 =6 34 58/"
            "=7 259 2469 =3 =8 56 1249 1249 159/"
            "=1 =4 29 78 =6 =3 =5 279 89/"
            "=5 37 37 =9 =2 48 148 =6 18/"
            "=6 29 =8 =1 =5 47 2479 2479 =3",
            "r4c8-9", "r1c2+9");
        row("empty-rectangle", T::EmptyRectangle,
            "289415376367892154415637982"
            "926541837831279645754386219"
            "142763598573928461698154723",
            "=2 78 49 4578 =1 578 =3 579 =6/"
            "38 =6 37 578 =9 =2 17 157 =4/"
            "49 =1 =5 467 =3 67 79 =8 =2/"
            "389 23589 269 56 =4 =1 289 23 =7/"
            "348 358 =1 =2 =7 =9 =6 34 58/"
            "=7 25 2469 =3 =8 56 1249 1249 159/"
            "=1 =4 29 78 =6 =3 =5 279 89/"
            "=5 37 37 =9 =2 48 148 =6 18/"
            "=6 29 =8 =1 =5 47 2479 2479 =3",
            "r9c8-9", "r1c2+9");
        row("finned-x-wing", T::FinnedXWing,
            "296875134178324695534691287"
            "612743859983516742745289316"
            "857432961429168573361957428",
            "=2 =9 67 =8 67 =5 =1 =3 =4/"
            "=1 67 =8 =3 29 =4 26 79 =5/"
            "=5 =3 =4 26 179 17 29 =8 67/"
            "68 =1 =2 =7 =4 =3 68 =5 =9/"
            "69 58 =3 256 12 1269 =7 =4 268/"
            "=7 =4 59 256 =8 269 =3 =1 26/"
            "89 257 57 =4 =3 27 89 =6 =1/"
            "=4 27 69 =1 267 =8 =5 79 =3/"
            "=3 68 =1 =9 =5 67 =4 =2 78",
            "r5c4-6", "r3c5+6");
        row("sashimi-x-wing", T::SashimiXWing,
            "156238947782954163349167825"
            "261795384475683219938412576"
            "823546791697321458514879632",
            "=1 579 =6 =2 =3 =8 79 =4 57/"
            "279 =8 2459 59 4567 467 =1 679 =3/"
            "=3 457 459 159 4567 1467 =8 =2 567/"
            "28 36 =1 =7 =9 =5 234 368 24/"
            "=4 57 25 =6 =8 =3 27 =1 =9/"
            "789 367 389 =4 =1 =2 =5 3678 67/"
            "89 =2 3489 35 4567 467 347 379 =1/"
            "=6 349 =7 13 24 14 2349 =5 =8/"
            "=5 =1 34 =8 247 =9 =6 37 24",
            "r2c8-7", "r9c9+7");
        row("finned-swordfish", T::FinnedSwordfish,
            "746315982859246713123978564"
            "418652379297183645635794128"
            "381469257572831496964527831",
            "=7 =4 68 =3 16 =5 289 189 29/"
            "68 =5 =9 =2 =4 16 78 178 =3/"
            "=1 23 23 =9 =7 =8 =5 =6 =4/"
            "=4 =1 58 68 5689 =2 =3 579 579/"
            "289 29 =7 18 1589 =3 =6 =4 59/"
            "69 369 35 =7 59 =4 =1 =2 =8/"
            "=3 =8 =1 =4 26 679 279 579 25679/"
            "=5 2679 26 168 =3 179 =4 789 2679/"
            "269 2679 =4 =5 268 679 2789 =3 =1",
            "r7c6-6", "r6c3+6");
        row("sashimi-swordfish", T::SashimiSwordfish,
            "869175342354928761721364598"
            "473892156518637429296541837"
            "685213974142759683937486215",
            "=8 26 =9 =1 =7 =5 36 =4 23/"
            "367 =5 =4 =9 =2 38 78 67 =1/"
            "37 27 =1 38 =6 =4 =5 279 289/"
            "=4 789 =3 678 89 =2 =1 =5 689/"
            "1257 189 578 468 =3 1678 468 269 24689/"
            "12 189 =6 =5 489 18 348 239 =7/"
            "567 468 578 =2 =1 378 =9 37 346/"
            "16 146 =2 37 =5 =9 467 =8 346/"
            "=9 =3 78 468 48 678 =2 =1 =5",
            "r2c1-7", "r5c2+7");
        row("unique-rectangle-1", T::UniqueRectangle1,
            "312576849859342176476891253"
            "931427568768153924245689731"
            "587934612693215487124768395",
            "=3 =1 =2 58 =7 =6 58 =4 =9/"
            "=8 =5 =9 234 234 234 =1 =7 =6/"
            "=4 =7 =6 58 =9 =1 258 35 238/"
            "=9 23 1357 1234 12348 23478 4578 =6 348/"
            "17 =6 =8 134 =5 347 =9 =2 34/"
            "257 =4 357 =6 238 =9 578 35 =1/"
            "257 238 3457 =9 2348 23458 =6 =1 24/"
            "=6 =9 345 1234 1234 2345 24 =8 =7/"
            "12 28 14 =7 =6 248 =3 =9 =5",
            "r3c7-58", "r3c4+2");
        row("unique-rectangle-2", T::UniqueRectangle2,
            "936824571275169438148735692"
            "561287943784693215329451786"
            "412376859857912364693548127",
            "169 =3 169 =8 27 =4 =5 79 12/"
            "=2 =7 =5 =1 =6 =9 =4 =3 =8/"
            "19 =4 =8 27 =3 =5 =6 79 12/"
            "35 126 16 256 =8 =7 =9 =4 356/"
            "=7 =8 =4 56 =9 =3 =2 =1 56/"
            "35 269 69 =4 25 =1 =7 =8 356/"
            "149 19 =2 =3 47 =6 =8 =5 79/"
            "=8 =5 =7 =9 =1 =2 =3 =6 =4/"
            "469 69 =3 57 457 =8 =1 =2 79",
            "r5c9-6", "r4c1+1");
        row("unique-rectangle-4", T::UniqueRectangle4,
            "587219643912634587436578921"
            "823957416649821375751346298"
            "374162859168495732295783164",
            "=5 =8 79 =2 136 19 36 =4 37/"
            "29 =1 279 679 36 =4 356 89 3578/"
            "=4 =3 =6 =5 78 89 79 =2 =1/"
            "289 24 2389 89 =5 =7 34 =1 =6/"
            "689 46 389 189 =2 189 345 =7 35/"
            "=7 =5 =1 =3 =4 =6 29 89 28/"
            "=3 =7 =4 16 16 =2 =8 =5 =9/"
            "1268 26 28 =4 =9 =5 127 =3 27/"
            "12 =9 =5 78 78 =3 12 =6 =4",
            "r8c1-2 r8c7-2", "r9c1+8");
        row("bug-plus-one", T::BugPlusOne,
            "531947286982365741746218953"
            "357486129629531478814729635"
            "175892364468173592293654817",
            "25 34 =1 =9 45 37 27 =8 =6/"
            "=9 =8 23 23 =6 57 57 14 14/"
            "57 47 =6 12 14 =8 =9 25 =3/"
            "=3 =5 =7 =4 =8 =6 12 12 =9/"
            "=6 =2 =9 =5 =3 =1 =4 =7 =8/"
            "=8 =1 =4 =7 =2 =9 =6 =3 =5/"
            "=1 67 =5 =8 =9 =2 =3 46 47/"
            "=4 36 =8 16 =7 35 15 =9 =2/"
            "27 =9 23 36 15 =4 =8 156 17",
            "r9c8=1", "r2c8+2");
        row("w-wing", T::WWing,
            "289415376367892154415637982"
            "926541837831279645754386219"
            "142763598573928461698154723",
            "=2 78 49 4578 =1 578 =3 579 =6/"
            "38 =6 37 578 =9 =2 17 157 =4/"
            "49 =1 =5 467 =3 67 79 =8 =2/"
            "39 23589 269 56 =4 =1 289 23 =7/"
            "348 358 =1 =2 =7 =9 =6 34 58/"
            "=7 25 2469 =3 =8 56 1249 1249 159/"
            "=1 =4 29 78 =6 =3 =5 279 89/"
            "=5 37 37 =9 =2 48 148 =6 18/"
            "=6 29 =8 =1 =5 47 2479 247 =3",
            "r1c4-7", "r1c2+9");
        // The chains, sets and forcing steps, from the default library's grades 7 and 8.
        // Puzzle 6447
        row("aic", T::Aic,
            "428579631936148527175623948"
            "364981275719265384852734196"
            "593417862641892753287356419",
            "=4 238 28 =5 =7 =9 68 13 168/"
            "39 3689 689 =1 =4 38 =5 =2 =7/"
            "=1 =7 =5 =6 =2 38 =9 34 48/"
            "239 2369 =4 29 =8 =1 236 =7 =5/"
            "23579 =1 279 29 =6 45 234 =8 24/"
            "=8 256 26 =7 =3 45 =1 =9 246/"
            "259 2589 =3 =4 15 =7 28 =6 128/"
            "=6 =4 =1 =8 =9 =2 =7 =5 =3/"
            "257 258 278 =3 15 =6 248 14 =9",
            "r1c2-3", "r6c3+9", true);
        // Puzzle 6956
        row("nice-loop", T::NiceLoop,
            "738629541125874693946315782"
            "514238976867951234392746815"
            "671482359489563127253197468",
            "67 3467 =8 36 =2 =9 =5 47 =1/"
            "=1 236 =5 =8 =7 =4 269 269 23/"
            "=9 2347 267 36 =1 =5 2678 2478 2378/"
            "457 =1 479 =2 =3 =8 79 579 =6/"
            "=8 267 67 =9 =5 =1 237 237 =4/"
            "=3 259 29 =7 =4 =6 289 =1 258/"
            "567 567 =1 =4 =8 =2 367 3567 =9/"
            "47 789 479 =5 =6 =3 =1 278 278/"
            "=2 568 =3 =1 =9 =7 =4 568 58",
            "r6c2-2 r8c2-7 r9c8-8", "r5c2+9", false);
        // Puzzle 6962
        row("grouped-aic", T::GroupedAic,
            "854371926962458317137962584"
            "576243198321789645489615732"
            "695124873218537469743896251",
            "58 58 =4 139 1679 126 379 2679 23679/"
            "2379 236 2379 =4 =5 =8 379 =1 23679/"
            "=1 236 2379 39 679 26 =5 =8 =4/"
            "2569 =7 269 12 124 =3 149 2459 =8/"
            "235 2358 =1 =7 248 =9 =6 245 25/"
            "=4 28 289 =6 128 =5 179 =3 1279/"
            "367 =9 =5 128 126 =4 1378 67 1367/"
            "268 =1 268 =5 =3 =7 489 469 69/"
            "367 =4 3678 189 169 16 =2 567 13567",
            "r2c9-9", "r8c9+4", true);
        // Puzzle 7001
        row("als-xz", T::AlsXZ,
            "324571968851946273697238154"
            "432197586165384792978625431"
            "213859647546713829789462315",
            "=3 =2 479 =5 467 =1 69 467 =8/"
            "48 4589 =1 289 467 469 269 24567 =3/"
            "=6 4589 79 289 =3 489 =1 2457 49/"
            "24 =3 24 =1 =9 =7 =5 =8 =6/"
            "=1 =6 =5 =3 48 48 =7 =9 =2/"
            "=9 =7 =8 =6 =2 =5 =4 =3 =1/"
            "248 =1 =3 89 =5 689 268 24 =7/"
            "=5 48 246 =7 =1 =3 2689 246 49/"
            "=7 89 69 =4 68 =2 =3 =1 =5",
            "r1c5-4", "r3c3+4", false);
        // Puzzle 7157
        row("als-xy-wing", T::AlsXYWing,
            "436582179817349625592761384"
            "745236891329158467168974253"
            "253817946681495732974623518",
            "3456 356 3456 35 =8 =2 =1 =7 =9/"
            "=8 =1 =7 345 4569 49 356 =2 56/"
            "35 =9 =2 =7 56 =1 3568 68 =4/"
            "=7 =4 589 125 =3 =6 28 189 18/"
            "356 2356 35689 1245 145 458 24678 1689 1678/"
            "16 26 168 =9 =7 48 2468 =5 =3/"
            "=2 356 1356 =8 15 357 =9 =4 67/"
            "1456 =8 1456 145 1459 4579 67 =3 =2/"
            "=9 =7 34 =6 =2 34 58 18 158",
            "r5c6-5", "r5c1+1", false);
        // Puzzle 7323
        row("cell-forcing-chain", T::CellForcingChain,
            "785692341612534987349718526"
            "936471258157829463824356719"
            "563287194298143675471965832",
            "2357 38 2578 =6 =9 28 378 =4 =1/"
            "267 =1 2689 =5 =3 =4 6789 289 267/"
            "236 =4 2689 =7 =1 28 =5 2389 236/"
            "=9 36 67 =4 57 =1 =2 35 =8/"
            "137 =5 17 =8 =2 =9 347 =6 347/"
            "=8 =2 =4 =3 57 =6 17 15 =9/"
            "1256 69 =3 129 =8 =7 1469 129 2456/"
            "1256 689 12568 129 =4 =3 1689 =7 256/"
            "=4 =7 128 129 =6 =5 1389 12389 23",
            "r1c1-3", "r1c2+2", false);
        // Puzzle 7699
        row("unit-forcing-chain", T::UnitForcingChain,
            "193275864875146392426839571"
            "532718649789564213641392758"
            "968427135217953486354681927",
            "146 149 =3 =2 457 5679 =8 4679 4679/"
            "2468 =7 =5 =1 48 69 =3 2469 269/"
            "2468 2489 68 678 =3 679 =5 24679 =1/"
            "=5 =3 =2 79 179 =8 =6 149 49/"
            "=7 68 =9 =5 16 =4 =2 13 38/"
            "468 468 =1 =3 69 =2 =7 =5 89/"
            "=9 568 678 =4 =2 567 =1 367 3567/"
            "126 1256 67 679 579 =3 =4 =8 2567/"
            "=3 256 =4 678 578 =1 =9 267 2567",
            "r3c3=6", "r3c3+2", true);
        // Puzzle 7845
        row("contradiction-chain", T::ContradictionChain,
            "345198762286347915719652834"
            "893471256657823149421569378"
            "532914687174286593968735421",
            "=3 468 =5 =1 =9 248 =7 68 2468/"
            "2489 12468 26 =3 48 =7 689 1689 =5/"
            "=7 148 49 =6 =5 248 3489 1389 2348/"
            "48 =9 34 45 =7 =1 =2 3568 368/"
            "=6 =5 =7 =8 =2 =3 =1 =4 =9/"
            "248 2348 =1 459 =6 49 358 =7 38/"
            "=5 2346 26 49 =1 489 3468 238 =7/"
            "=1 =7 349 =2 48 =6 34589 3589 348/"
            "249 246 =8 =7 =3 =5 469 269 =1",
            "r2c2-4", "r2c3+9 r3c3+6", false);
        // Puzzle 7882
        row("forcing-net", T::ForcingNet,
            "751682493346159287289347651"
            "537968124918274536624531879"
            "462795318875413962193826745",
            "679 =5 179 69 =8 =2 =4 1679 =3/"
            "=3 =4 679 =1 =5 69 2679 =8 267/"
            "=2 =8 169 34 34 =7 69 =5 16/"
            "=5 23 679 239 3679 =8 =1 267 =4/"
            "679 =1 =8 29 679 =4 =5 =3 267/"
            "67 23 =4 =5 367 =1 =8 267 =9/"
            "48 =6 =2 =7 49 59 =3 19 158/"
            "48 =7 =5 469 =1 =3 269 269 268/"
            "=1 =9 =3 =8 =2 56 67 =4 567",
            "r3c9-6", "r2c3+2", true);
    }

private Q_SLOTS:
    void findsItsStepFirst_data() { data(); }
    void findsItsStepFirst()
    {
        QFETCH(Technique, technique);
        QFETCH(QString, solved);
        QFETCH(QString, state);
        QFETCH(QString, step);
        CandidateGrid g = position(state);
        const CandidateGrid before = g;
        const Grid answer = solution(solved);
        Rating rating;
        const RateOptions options;
        Rater rater(answer, options, rating);
        StepPattern seen;
        QVERIFY(rater.watchedStep(g, seen));
        QCOMPARE(std::string(techniqueName(seen.technique)), std::string(techniqueName(technique)));
        QCOMPARE(notation(seen), step.toStdString());
        QCOMPARE(rating.unsoundSteps, 0);
        // Every removal is in the record, and a chain's links join its nodes in order,
        // alternating from strong; each removal sees both ends of the chain.
        for (const auto &[p, m] : seen.removed)
            for (unsigned d = m; d; d &= d - 1) {
                const Candidate removal { p, lowest(static_cast<Mask>(d)) + 1, Role::Removal, -1 };
                QVERIFY(std::find(seen.candidates.begin(), seen.candidates.end(), removal)
                    != seen.candidates.end());
            }
        // A chain's nodes by their order (a group's several cells are one node), its links
        // from the first cell of each node to the next, alternating from strong, and a loop's
        // closing link back to the first.
        std::vector<Candidate> nodes;
        for (const auto &c : seen.candidates)
            if (c.role == Role::Node && c.order >= static_cast<int>(nodes.size())) {
                QCOMPARE(c.order, static_cast<int>(nodes.size()));
                nodes.push_back(c);
            }
        if (!nodes.empty()) {
            QVERIFY(seen.links.size() == nodes.size() - 1 || seen.links.size() == nodes.size());
            for (std::size_t k = 0; k + 1 < nodes.size(); ++k) {
                QVERIFY(seen.links[k].from == nodes[k] && seen.links[k].to == nodes[k + 1]);
                QCOMPARE(seen.links[k].strong, k % 2 == 0);
            }
            if (seen.links.size() == nodes.size())
                QVERIFY(seen.links.back().from == nodes.back()
                    && seen.links.back().to == nodes.front());
        }
        if (nodes.size() >= 4 && technique < T::Aic)
            for (const auto &[p, m] : seen.removed) {
                QVERIFY(units.sees[std::size_t(p)][std::size_t(nodes.front().cell)]);
                QVERIFY(units.sees[std::size_t(p)][std::size_t(nodes.back().cell)]);
            }
        // A forcing step: every branch's assumption framed, each forced digit with its reason.
        if (technique >= T::CellForcingChain) {
            const auto assumed = std::count_if(seen.candidates.begin(), seen.candidates.end(),
                [](const Candidate &c) { return c.role == Role::Assumed; });
            // One assumption is a contradiction, ending where a cell or a unit has no digit.
            const bool empty = std::any_of(seen.candidates.begin(), seen.candidates.end(),
                                   [](const Candidate &c) { return c.role == Role::Empty; })
                || std::any_of(seen.unitRoles.begin(), seen.unitRoles.end(),
                    [](const UnitRole &u) { return u.role == Role::Empty; });
            QVERIFY(assumed >= 1);
            QCOMPARE(assumed == 1, empty);
            if (technique == T::ContradictionChain)
                QVERIFY(empty);
            const auto forced = std::count_if(seen.candidates.begin(), seen.candidates.end(),
                [](const Candidate &c) { return c.role == Role::Forced; });
            QCOMPARE(static_cast<std::size_t>(forced), seen.reasons.size());
        }
        // Told in four levels at least, the name first, each naming what it found.
        namespace words = zov::puzzles::hints::words;
        const auto told = words::step(seen, before, 0, words::OthersLack::SeeIt);
        QCOMPARE(told.name, words::techniqueTitle(technique));
        QVERIFY(!told.look.empty() && !told.pattern.empty() && !told.reason.empty());
        const auto said = told.result.find(seen.placedCell >= 0 ? "Place" : "Remove");
        QVERIFY2(said != std::string::npos, told.result.c_str());
        // A uniqueness step says what it relies on.
        std::string all = told.look + told.pattern + told.result;
        for (const auto &part : told.reason)
            all += part.text;
        const bool unique = technique >= T::UniqueRectangle1 && technique <= T::BugPlusOne;
        QCOMPARE(all.find("exactly one solution") != std::string::npos, unique);
    }

    void nearMissFindsNothing_data() { data(); }
    void nearMissFindsNothing()
    {
        QFETCH(Technique, technique);
        QFETCH(QString, solved);
        QFETCH(QString, state);
        QFETCH(QString, nearMiss);
        QFETCH(QString, step);
        QFETCH(bool, elsewhere);
        CandidateGrid g = position(state);
        const Grid answer = solution(solved);
        Rating rating;
        const RateOptions options;
        {
            // As given, the technique alone finds its step.
            CandidateGrid again = g;
            Rater rater(answer, options, rating);
            StepPattern seen;
            QVERIFY(rater.watchedStep(again, technique, seen));
            QCOMPARE(notation(seen), step.toStdString());
        }
        for (const auto &back : nearMiss.split(QLatin1Char(' '))) {
            const int row = back[1].digitValue(), col = back[3].digitValue(),
                      digit = back[5].digitValue();
            const auto p = static_cast<std::size_t>((row - 1) * 9 + col - 1);
            QVERIFY(!g.grid[p] && !(g.cand[p] & digitBit(digit)));
            g.cand[p] |= digitBit(digit);
        }
        Rater rater(answer, options, rating);
        StepPattern seen;
        const bool found = rater.watchedStep(g, technique, seen);
        if (elsewhere) {
            QVERIFY(found);
            QVERIFY(notation(seen) != step.toStdString());
        } else {
            QVERIFY(!found);
            QVERIFY(seen.removed.empty() && seen.placedCell < 0);
        }
    }

    // A rater passes over what it searched before only where nothing changed: after the near
    // miss, where the technique found nothing (or another step), the same rater on the board as
    // it was finds the step, alone and as the easiest of all.
    void searchedBeforeIsSearchedAgainWhenChanged_data() { data(); }
    void searchedBeforeIsSearchedAgainWhenChanged()
    {
        QFETCH(Technique, technique);
        QFETCH(QString, solved);
        QFETCH(QString, state);
        QFETCH(QString, nearMiss);
        QFETCH(QString, step);
        const CandidateGrid g = position(state);
        CandidateGrid missed = g;
        for (const auto &back : nearMiss.split(QLatin1Char(' ')))
            missed.cand[static_cast<std::size_t>(
                (back[1].digitValue() - 1) * 9 + back[3].digitValue() - 1)]
                |= digitBit(back[5].digitValue());
        const Grid answer = solution(solved);
        Rating rating;
        const RateOptions options;
        Rater rater(answer, options, rating);
        StepPattern seen;
        CandidateGrid first = missed, second = g;
        rater.watchedStep(first, technique, seen);
        seen.clear();
        QVERIFY(rater.watchedStep(second, technique, seen));
        QCOMPARE(notation(seen), step.toStdString());
        first = missed;
        second = g;
        seen.clear();
        rater.watchedStep(first, seen);
        seen.clear();
        QVERIFY(rater.watchedStep(second, seen));
        QCOMPARE(seen.technique, technique);
        QCOMPARE(notation(seen), step.toStdString());
    }

    // Finned and sashimi fish of one size share a search: the one for the finned fish notes
    // the first sashimi fish for the step after it. On every position here and its near miss,
    // what the two steps find one after the other is what the sashimi search finds alone, on
    // a thread that has searched nothing before.
    void sashimiAfterFinnedIsSashimiAlone_data() { data(); }
    void sashimiAfterFinnedIsSashimiAlone()
    {
        QFETCH(QString, solved);
        QFETCH(QString, state);
        QFETCH(QString, nearMiss);
        const Grid answer = solution(solved);
        CandidateGrid missed = position(state);
        for (const auto &back : nearMiss.split(QLatin1Char(' ')))
            missed.cand[static_cast<std::size_t>(
                (back[1].digitValue() - 1) * 9 + back[3].digitValue() - 1)]
                |= digitBit(back[5].digitValue());
        const RateOptions options;
        for (const auto &board : { position(state), missed })
            for (const auto &[finned, sashimi] : { std::pair { T::FinnedXWing, T::SashimiXWing },
                     std::pair { T::FinnedSwordfish, T::SashimiSwordfish } }) {
                auto sashimiStep = [&](CandidateGrid g, bool afterFinned) {
                    Rating rating;
                    Rater rater(answer, options, rating);
                    StepPattern seen;
                    if (afterFinned && rater.watchedStep(g, finned, seen))
                        return std::string("finned");
                    seen.clear();
                    return rater.watchedStep(g, sashimi, seen) ? notation(seen) : std::string();
                };
                const std::string after = sashimiStep(board, true);
                if (after == "finned")
                    continue;
                std::string alone;
                std::thread([&] { alone = sashimiStep(board, false); }).join();
                QCOMPARE(after, alone);
            }
    }

    // A grouped graph built on the same board's graph without groups has the links and the
    // reach of one built alone, on every position here and its near miss.
    void groupedGraphOnSingleGraphIsTheSame_data() { data(); }
    void groupedGraphOnSingleGraphIsTheSame()
    {
        QFETCH(QString, state);
        QFETCH(QString, nearMiss);
        CandidateGrid missed = position(state);
        for (const auto &back : nearMiss.split(QLatin1Char(' ')))
            missed.cand[static_cast<std::size_t>(
                (back[1].digitValue() - 1) * 9 + back[3].digitValue() - 1)]
                |= digitBit(back[5].digitValue());
        for (const auto &board : { position(state), missed }) {
            const Implications single(board, false);
            Implications alone, onSingle;
            alone.build(board, true);
            onSingle.build(board, true, &single);
            QCOMPARE(onSingle.nodes().size(), alone.nodes().size());
            QVERIFY(alone.nodes().size() > static_cast<std::size_t>(alone.singles()));
            for (int l = 0; l < static_cast<int>(alone.nodes().size()) * 2; ++l) {
                QVERIFY(
                    std::equal(alone.begin(l), alone.end(l), onSingle.begin(l), onSingle.end(l)));
                QVERIFY(std::equal(alone.row(l), alone.row(l) + alone.words(), onSingle.row(l)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTechniques)
#include "tst_techniques.moc"
