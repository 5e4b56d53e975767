#include "puzzles/grader.h"
#include "puzzles/hints/hint.h"
#include "puzzles/sudoku.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <random>

using namespace zov::puzzles;
using hints::Hint;

namespace {

std::vector<Grid> puzzlesIn(const QString &path)
{
    std::vector<Grid> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (line.size() < 81 || line.startsWith('#'))
            continue;
        if (const auto g = fromText(std::string_view(line.constData(), 81)))
            out.push_back(*g);
    }
    return out;
}

// What is wrong with one hint on `s`, or nothing: it must change the state, never place a digit
// other than the solution's nor take the solution's digit from a cell's notes.
QString unsound(const Position &s, const Hint &h, const Grid &solution)
{
    if (h.changes.empty())
        return QStringLiteral("a hint with nothing to apply");
    if (h.levels.empty())
        return QStringLiteral("a hint without words");
    const Position next = hints::applied(s, h);
    if (next.digits == s.digits && next.notes == s.notes)
        return QStringLiteral("a hint that changes nothing: ") + QString::fromStdString(h.notation);
    // The cells it changed; a random state may hold other faults still, for later hints.
    for (const auto &c : h.changes) {
        const int p = c.cell;
        const auto sol = solution[std::size_t(p)];
        if (next.digits[std::size_t(p)] && next.digits[std::size_t(p)] != sol)
            return QStringLiteral("a wrong digit placed: ") + QString::fromStdString(h.notation);
        if (!next.digits[std::size_t(p)] && next.notes[std::size_t(p)]
            && !(next.notes[std::size_t(p)] >> (sol - 1) & 1))
            return QStringLiteral("the solution's digit removed: ")
                + QString::fromStdString(h.notation);
    }
    return {};
}

// Hints one after another from `s` to the solution; the first fault, or nothing.
QString walk(Position s, const Grid &solution, std::vector<Technique> *used = nullptr)
{
    for (int step = 0; step < 2000; ++step) {
        const Hint h = hints::nextHint(s);
        if (h.kind == Hint::Kind::Solved)
            return s.digits == solution ? QString() : QStringLiteral("solved, but not so");
        if (const QString why = unsound(s, h, solution); !why.isEmpty())
            return why;
        if (used && h.technique)
            used->push_back(*h.technique);
        s = hints::applied(s, h);
    }
    return QStringLiteral("no end after 2000 hints");
}

} // namespace

class TestHints : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // From the givens of every puzzle of the default library, hints applied one after another
    // reach the solution with every step sound; a hidden-singles puzzle needs nothing else.
    void hintsFinishTheDefaultLibrary()
    {
        const auto library
            = puzzlesIn(zov::test::sourceDir() + QStringLiteral("/data/library.txt"));
        QCOMPARE(library.size(), std::size_t(8000));
        for (std::size_t n = 0; n < library.size(); ++n) {
            Grid solution {};
            QCOMPARE(countSolutions(library[n], 2, &solution), 1);
            std::vector<Technique> used;
            const QString why = walk(Position::start(library[n]), solution, &used);
            QVERIFY2(
                why.isEmpty(), qPrintable(QStringLiteral("puzzle %1: %2").arg(n + 1).arg(why)));
            if (n < 1000)
                for (const Technique t : used)
                    QVERIFY2(t == Technique::HiddenSingle,
                        qPrintable(QStringLiteral("puzzle %1 used %2")
                                       .arg(n + 1)
                                       .arg(QString::fromUtf8(techniqueName(t).data(),
                                           qsizetype(techniqueName(t).size())))));
        }
    }

    // The same over the shared benchmark sets, where they are beside the project: a row for
    // each set.
    void hintsFinishTheSharedSets_data()
    {
        QTest::addColumn<QString>("file");
        const QDir sets(zov::test::benchmarkSets());
        const QStringList files = sets.entryList({ QStringLiteral("*.txt") }, QDir::Files);
        for (const QString &file : files)
            QTest::newRow(qPrintable(file)) << sets.filePath(file);
        if (files.isEmpty())
            QTest::newRow("none") << QString();
    }
    void hintsFinishTheSharedSets()
    {
        QFETCH(QString, file);
        if (file.isEmpty())
            QSKIP("no shared benchmark sets beside the project");
        // Every puzzle of the set in a full run; ZOVUDEDODA_HINT_SAMPLE takes every k-th.
        const int every = qEnvironmentVariableIntValue("ZOVUDEDODA_HINT_SAMPLE") > 0
            ? qEnvironmentVariableIntValue("ZOVUDEDODA_HINT_SAMPLE")
            : 1;
        int walked = 0;
        const auto list = puzzlesIn(file);
        for (std::size_t n = 0; n < list.size(); n += std::size_t(every)) {
            Grid solution {};
            if (countSolutions(list[n], 2, &solution) != 1)
                continue;
            const QString why = walk(Position::start(list[n]), solution);
            QVERIFY2(
                why.isEmpty(), qPrintable(QStringLiteral("puzzle %1: %2").arg(n + 1).arg(why)));
            ++walked;
        }
        qInfo("%d puzzles walked to their solution", walked);
    }

    // Random states: some solution digits, some wrong digits, some notes. What is wrong comes
    // first, and every hint stays sound all the way to the solution.
    void randomStatesStaySound()
    {
        const auto library
            = puzzlesIn(zov::test::sourceDir() + QStringLiteral("/data/library.txt"));
        const quint32 seed = qEnvironmentVariableIsSet("ZOVUDEDODA_SEED")
            ? qEnvironmentVariable("ZOVUDEDODA_SEED").toUInt()
            : std::random_device {}();
        qInfo("seed %u (set ZOVUDEDODA_SEED to repeat)", seed);
        std::mt19937 rng(seed);
        for (int k = 0; k < 300; ++k) {
            const Grid &givens = library[rng() % library.size()];
            Grid solution {};
            QCOMPARE(countSolutions(givens, 2, &solution), 1);
            Position s = Position::start(givens);
            bool wrong = false;
            for (int p = 0; p < 81; ++p) {
                if (givens[std::size_t(p)])
                    continue;
                const auto sol = solution[std::size_t(p)];
                switch (rng() % 8) {
                case 0:
                    s.digits[std::size_t(p)] = sol;
                    break;
                case 1:
                    s.digits[std::size_t(p)] = std::uint8_t(sol % 9 + 1);
                    wrong = true;
                    break;
                case 2:
                    s.notes[std::size_t(p)] = std::uint16_t((rng() & 0x1FF) | 1u << (sol - 1));
                    break;
                default:
                    break;
                }
            }
            const Hint first = hints::nextHint(s);
            if (wrong)
                QVERIFY2(first.kind == Hint::Kind::WrongDigit || first.kind == Hint::Kind::Repeat,
                    first.levels.front().c_str());
            // A wrong digit is taken away by Apply; walk on from there.
            const QString why = walk(s, solution);
            QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral("state %1: %2").arg(k).arg(why)));
        }
    }

    // A note set without the solution's digit is named before any technique; the same state
    // always gives the same hint; a puzzle with two solutions offers nothing to apply.
    void faultsComeFirstAndHintsRepeat()
    {
        const auto library
            = puzzlesIn(zov::test::sourceDir() + QStringLiteral("/data/library.txt"));
        const Grid &givens = library[4999];
        Grid solution {};
        QCOMPARE(countSolutions(givens, 2, &solution), 1);
        Position s = Position::start(givens);
        int open = 0;
        while (givens[std::size_t(open)])
            ++open;
        s.notes[std::size_t(open)]
            = std::uint16_t(0x1FF & ~(1u << (solution[std::size_t(open)] - 1)));
        const Hint h = hints::nextHint(s);
        QCOMPARE(h.kind, Hint::Kind::MissingNote);
        QVERIFY(h.pattern == std::vector<int> { open });
        const Hint again = hints::nextHint(s);
        QVERIFY(again.levels == h.levels && again.notation == h.notation);

        Grid two = givens;
        for (int p = 0, removed = 0; p < 81 && removed < 30; ++p)
            if (two[std::size_t(p)]) {
                two[std::size_t(p)] = 0;
                ++removed;
            }
        QVERIFY(countSolutions(two, 2) == 2);
        const Hint none = hints::nextHint(Position::start(two));
        QCOMPARE(none.kind, Hint::Kind::NotUnique);
        QVERIFY(none.changes.empty());
    }
};

QTEST_GUILESS_MAIN(TestHints)
#include "tst_hints.moc"
