// The single-digit patterns, finned fish, the W-wing and the uniqueness patterns, each on a
// position taken from a real solve where it is the easiest step: the step it must take, told by
// roles and in words; and on the same position with one candidate put back so that its pattern
// no longer quite holds: nothing.

#include "puzzles/grading/rater.h"
#include "puzzles/hints/words.h"
#include "puzzles/position.h"
#include "support/testsupport.h"

#include <QStringList>
#include <QTest>
#include <algorithm>

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
        QTest::addColumn<QString>("nearMiss"); // "r1c3+1": a 1 put back in row 1, column 3
        auto row = [](const char *name, Technique t, const char *solved, const char *state,
                       const char *step, const char *nearMiss) {
            QTest::newRow(name) << t << QString::fromLatin1(solved) << QString::fromLatin1(state)
                                << QString::fromLatin1(step) << QString::fromLatin1(nearMiss);
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
        std::vector<Candidate> nodes;
        for (const auto &c : seen.candidates)
            if (c.role == Role::Node)
                nodes.push_back(c);
        QCOMPARE(seen.links.size(), nodes.empty() ? seen.links.size() : nodes.size() - 1);
        for (std::size_t k = 0; k + 1 < nodes.size(); ++k) {
            QVERIFY(seen.links[k].from == nodes[k] && seen.links[k].to == nodes[k + 1]);
            QCOMPARE(seen.links[k].strong, k % 2 == 0);
        }
        if (nodes.size() >= 4)
            for (const auto &[p, m] : seen.removed) {
                QVERIFY(units.sees[std::size_t(p)][std::size_t(nodes.front().cell)]);
                QVERIFY(units.sees[std::size_t(p)][std::size_t(nodes.back().cell)]);
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
        CandidateGrid g = position(state);
        const int row = nearMiss[1].digitValue(), col = nearMiss[3].digitValue(),
                  digit = nearMiss[5].digitValue();
        const auto p = static_cast<std::size_t>((row - 1) * 9 + col - 1);
        QVERIFY(!g.grid[p] && !(g.cand[p] & digitBit(digit)));
        const Grid answer = solution(solved);
        Rating rating;
        const RateOptions options;
        {
            // As given, the technique alone finds its step.
            CandidateGrid again = g;
            Rater rater(answer, options, rating);
            StepPattern seen;
            QVERIFY(rater.watchedStep(again, technique, seen));
        }
        g.cand[p] |= digitBit(digit);
        Rater rater(answer, options, rating);
        StepPattern seen;
        QVERIFY(!rater.watchedStep(g, technique, seen));
        QVERIFY(seen.removed.empty() && seen.placedCell < 0);
    }
};

QTEST_GUILESS_MAIN(TestTechniques)
#include "tst_techniques.moc"
