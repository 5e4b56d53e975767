#include "puzzles/grader.h"
#include "puzzles/grading/candidates.h"
#include "puzzles/hints/hint.h"
#include "puzzles/hints/words.h"
#include "puzzles/sudoku.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <algorithm>
#include <bit>
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

using grading::Role;

// What the record's checks have seen over a walk.
struct Checked
{
    int steps = 0, strong = 0, weak = 0, removals = 0, chains = 0, fish = 0, contradictions = 0;
};
Checked checked;

bool has(const std::array<Digits, 81> &cand, int cell, int digit)
{
    return digit >= 1 && digit <= 9 && (cand[std::size_t(cell)] & digitBit(digit));
}

// Whether a link between the digit's places `a` and `b` (a cell each, or a group) holds: weak
// where every place of one sees every place of the other, strong where besides they are all the
// digit's places in a unit they share.
bool linkHolds(const std::array<Digits, 81> &cand, const std::vector<int> &a,
    const std::vector<int> &b, int digit, bool strong)
{
    for (const int p : a)
        for (const int q : b)
            if (!units.sees[std::size_t(p)][std::size_t(q)])
                return false;
    if (!strong)
        return true;
    std::vector<int> both = a;
    both.insert(both.end(), b.begin(), b.end());
    for (int u = 0; u < 27; ++u) {
        const auto &cells = units.cells[std::size_t(u)];
        int places = 0;
        bool all = true;
        for (const int p : both)
            all = all && std::find(cells.begin(), cells.end(), p) != cells.end();
        for (const auto q : cells)
            places += has(cand, q, digit);
        if (all && places == int(both.size()))
            return true;
    }
    return false;
}

// What is untrue in a step's record on the board it was found on, or nothing: its links, its
// chain, its fish lines, its removals; and its levels.
QString recordFault(const Position &s, const Hint &h)
{
    if (h.kind != Hint::Kind::Step)
        return {};
    if (!h.record)
        return QStringLiteral("a step without its record");
    const auto &r = *h.record;
    const auto cand = s.candidates();
    const QString at = QString::fromStdString(h.notation) + QStringLiteral(": ");
    ++checked.steps;
    if (h.levels.size() < 4 || h.drawings.size() != h.levels.size())
        return at + QStringLiteral("fewer than four levels, or a drawing missing");
    if (h.levels[0] != hints::words::techniqueTitle(r.technique) || !h.drawings[0].empty())
        return at + QStringLiteral("the first level is not the name alone");
    if (h.drawings.back().empty())
        return at + QStringLiteral("nothing drawn at the last level");
    for (const auto &c : r.candidates)
        if (c.role != Role::Empty && c.role != Role::Forced && !has(cand, c.cell, c.digit))
            return at
                + QStringLiteral("a marked candidate that is not there: r%1c%2 %3")
                      .arg(c.cell / 9 + 1)
                      .arg(c.cell % 9 + 1)
                      .arg(c.digit);
    // A chain's node is one candidate or a group: a digit's places in a box on one line, all
    // marked with the node's number.
    auto cellsOf = [&](const grading::Candidate &c) {
        std::vector<int> cells;
        if (c.role == Role::Node)
            for (const auto &x : r.candidates)
                if (x.role == Role::Node && x.order == c.order)
                    cells.push_back(x.cell);
        if (cells.empty())
            cells.push_back(c.cell);
        return cells;
    };
    for (const auto &l : r.links) {
        const int a = l.from.cell, b = l.to.cell;
        const auto from = cellsOf(l.from), to = cellsOf(l.to);
        if (a == b && from.size() == 1 && to.size() == 1) {
            // Within a cell: strong where it has only these two, weak always.
            if (l.from.digit == l.to.digit
                || (l.strong && std::popcount(unsigned(cand[std::size_t(a)])) != 2))
                return at + QStringLiteral("a link within a cell that does not hold");
        } else if (l.from.digit != l.to.digit
            || !linkHolds(cand, from, to, l.from.digit, l.strong)) {
            return at
                + QStringLiteral("a %1 link that does not hold: r%2c%3 to r%4c%5")
                      .arg(l.strong ? QStringLiteral("strong") : QStringLiteral("weak"))
                      .arg(a / 9 + 1)
                      .arg(a % 9 + 1)
                      .arg(b / 9 + 1)
                      .arg(b % 9 + 1);
        }
        ++(l.strong ? checked.strong : checked.weak);
    }
    std::vector<grading::Candidate> nodes, removals;
    for (const auto &c : r.candidates) {
        if (c.role == Role::Node)
            nodes.push_back(c);
        if (c.role == Role::Removal)
            removals.push_back(c);
    }
    std::sort(nodes.begin(), nodes.end(), [](auto &x, auto &y) { return x.order < y.order; });
    using T = Technique;
    const auto t = r.technique;
    if (t == T::XChain || t == T::XYChain || t == T::Skyscraper || t == T::TwoStringKite
        || t == T::WWing) {
        ++checked.chains;
        const bool xy = t == T::XYChain;
        // An x-chain's nodes are cells; an xy-chain's come two to a cell, and a W-wing's two
        // to each end cell.
        std::vector<int> cells;
        for (std::size_t k = 0; k < nodes.size(); k += xy ? 2 : 1) {
            if (xy && (k + 1 >= nodes.size() || nodes[k + 1].cell != nodes[k].cell))
                return at + QStringLiteral("an xy-chain node without its pair");
            if (!cells.empty() && cells.back() == nodes[k].cell && t == T::WWing)
                continue;
            if (std::find(cells.begin(), cells.end(), nodes[k].cell) != cells.end())
                return at + QStringLiteral("a chain that visits a cell twice");
            cells.push_back(nodes[k].cell);
        }
        const std::size_t linksNeeded = nodes.size() - 1 + (r.placedCell >= 0 ? 1 : 0);
        if (nodes.size() < 2 || r.links.size() != linksNeeded)
            return at + QStringLiteral("a chain's links do not join its nodes in order");
        for (std::size_t k = 0; k + 1 < nodes.size(); ++k)
            if (!(r.links[k].from == nodes[k]) || !(r.links[k].to == nodes[k + 1])
                || r.links[k].strong != (k % 2 == 0))
                return at + QStringLiteral("a chain's links do not alternate from strong");
        if (r.placedCell >= 0 && r.placedCell != nodes.front().cell)
            return at + QStringLiteral("a chain that places a digit other than its start");
        for (const auto &x : removals) {
            if (std::find(cells.begin(), cells.end(), x.cell) != cells.end())
                return at + QStringLiteral("a removal on the chain's own cells");
            if (x.digit != nodes.front().digit || x.digit != nodes.back().digit
                || !units.sees[std::size_t(x.cell)][std::size_t(nodes.front().cell)]
                || !units.sees[std::size_t(x.cell)][std::size_t(nodes.back().cell)])
                return at + QStringLiteral("a removal that does not see both ends");
            ++checked.removals;
        }
    }
    const bool finned = t == T::FinnedXWing || t == T::SashimiXWing || t == T::FinnedSwordfish
        || t == T::SashimiSwordfish;
    if (t == T::XWing || t == T::Swordfish || t == T::Jellyfish || finned) {
        ++checked.fish;
        std::vector<int> base, cover;
        for (const auto &u : r.unitRoles)
            (u.role == Role::Base ? base : cover).push_back(u.unit);
        const int d = std::countr_zero(unsigned(r.digits)) + 1;
        auto in = [](const std::vector<int> &lines, int p) {
            return std::any_of(lines.begin(), lines.end(),
                [&](int u) { return units.of[std::size_t(p)][u / 9] == u; });
        };
        if (base.size() != cover.size() || base.empty())
            return at + QStringLiteral("a fish with unequal lines");
        // A finned fish's places off its cover lines are its fins, all in one box.
        int finBox = -1;
        for (const int u : base)
            for (const auto p : units.cells[std::size_t(u)])
                if (has(cand, p, d) && !in(cover, p)) {
                    const int box = units.of[std::size_t(p)][2];
                    if (!finned || (finBox >= 0 && finBox != box))
                        return at + QStringLiteral("a fish's base line outside its cover");
                    finBox = box;
                }
        if (finned && finBox < 0)
            return at + QStringLiteral("a finned fish without a fin");
        for (const auto &x : removals) {
            if (!in(cover, x.cell) || in(base, x.cell)
                || (finned && units.of[std::size_t(x.cell)][2] != finBox))
                return at + QStringLiteral("a fish's removal off its cover lines");
            ++checked.removals;
        }
    }
    if (t == T::Aic || t == T::NiceLoop || t == T::GroupedAic) {
        ++checked.chains;
        // The nodes by number, each a candidate or a group of one digit; links from each to the
        // next, alternating from strong; a loop's closing link weak, a placement's strong.
        std::vector<std::vector<int>> stops;
        std::vector<int> digits;
        for (const auto &c : nodes) {
            if (c.order >= int(stops.size())) {
                stops.emplace_back();
                digits.push_back(c.digit);
            }
            stops.back().push_back(c.cell);
        }
        const bool places = r.placedCell >= 0, loop = !places && r.links.size() == stops.size();
        if (stops.size() < 4 || (r.links.size() != stops.size() - 1 && !loop && !places))
            return at + QStringLiteral("a chain's links do not join its nodes in order");
        for (std::size_t k = 0; k < r.links.size(); ++k)
            if (r.links[k].strong != (k % 2 == 0 || (places && k + 1 == r.links.size())))
                return at + QStringLiteral("a chain's links do not alternate from strong");
        if (places && (r.placedCell != stops.front().front() || r.placedDigit != digits.front()))
            return at + QStringLiteral("a loop that places a digit other than its start");
        // Whether node k holding rules out the candidate x.
        auto rulesOut = [&](std::size_t k, const grading::Candidate &x) {
            const auto &cells = stops[k];
            if (std::find(cells.begin(), cells.end(), x.cell) != cells.end())
                return cells.size() == 1 && x.digit != digits[k];
            return x.digit == digits[k] && std::all_of(cells.begin(), cells.end(), [&](int p) {
                return units.sees[std::size_t(p)][std::size_t(x.cell)];
            });
        };
        for (const auto &x : removals) {
            bool seen = false;
            if (loop) {
                for (std::size_t k = 1; k < stops.size() && !seen; k += 2)
                    seen = rulesOut(k, x) && rulesOut((k + 1) % stops.size(), x);
            } else {
                seen = rulesOut(0, x) && rulesOut(stops.size() - 1, x);
            }
            if (!seen)
                return at + QStringLiteral("a chain's removal that its ends do not rule out");
            ++checked.removals;
        }
    }
    if (t == T::AlsXZ || t == T::AlsXYWing) {
        // Each set: n cells of one unit holding n + 1 digits; a removal sees every place of its
        // digit in both outer sets.
        std::array<std::vector<int>, 3> sets; // the first, the second, the pivot
        for (const auto &c : r.candidates) {
            const int k = c.role == Role::GroupA ? 0
                : c.role == Role::GroupB         ? 1
                : c.role == Role::Pivot          ? 2
                                                 : -1;
            if (k >= 0
                && std::find(sets[std::size_t(k)].begin(), sets[std::size_t(k)].end(), c.cell)
                    == sets[std::size_t(k)].end())
                sets[std::size_t(k)].push_back(c.cell);
        }
        if (sets[0].empty() || sets[1].empty() || sets[2].empty() != (t == T::AlsXZ))
            return at + QStringLiteral("almost-locked sets told without their cells");
        for (const auto &set : sets) {
            if (set.empty())
                continue;
            Digits digits = 0;
            for (const int p : set)
                digits |= cand[std::size_t(p)];
            bool oneUnit = false;
            for (int u = 0; u < 27 && !oneUnit; ++u)
                oneUnit = std::all_of(set.begin(), set.end(),
                    [&](int p) { return units.of[std::size_t(p)][u / 9] == u; });
            if (!oneUnit || std::popcount(unsigned(digits)) != int(set.size()) + 1)
                return at + QStringLiteral("a set that is not almost locked");
        }
        for (const auto &x : removals) {
            for (int k = 0; k < 2; ++k)
                for (const int p : sets[std::size_t(k)])
                    if (has(cand, p, x.digit) && !units.sees[std::size_t(x.cell)][std::size_t(p)])
                        return at + QStringLiteral("a set's removal that does not see its digit");
            ++checked.removals;
        }
    }
    if (t >= T::CellForcingChain && t <= T::ForcingNet) {
        ++checked.contradictions;
        // One assumption ends where a cell or a unit has no digit; several are every candidate
        // of a cell, or every place of a digit in the unit shaded.
        std::vector<grading::Candidate> assumed;
        for (const auto &c : r.candidates)
            if (c.role == Role::Assumed)
                assumed.push_back(c);
        const bool empty = std::any_of(r.candidates.begin(), r.candidates.end(),
                               [](const auto &c) { return c.role == Role::Empty; })
            || std::any_of(r.unitRoles.begin(), r.unitRoles.end(),
                [](const auto &u) { return u.role == Role::Empty; });
        if (assumed.empty() || (assumed.size() == 1) != empty)
            return at + QStringLiteral("a forcing step without its assumptions or its end");
        if (assumed.size() > 1) {
            int look = -1;
            for (const auto &u : r.unitRoles)
                if (u.role == Role::Look)
                    look = u.unit;
            Digits branches = 0;
            int places = 0;
            for (const auto &a : assumed) {
                branches |= digitBit(a.digit);
                places += look >= 0 && units.of[std::size_t(a.cell)][look / 9] == look;
            }
            const bool cell = look < 0
                && std::all_of(assumed.begin(), assumed.end(),
                    [&](const auto &a) { return a.cell == assumed.front().cell; })
                && branches == cand[std::size_t(assumed.front().cell)];
            int all = 0;
            if (look >= 0)
                for (const auto q : units.cells[std::size_t(look)])
                    all += has(cand, q, assumed.front().digit);
            if (!cell && !(places == int(assumed.size()) && all == places))
                return at + QStringLiteral("a forcing step that leaves a branch out");
        }
    }
    if (t == T::EmptyRectangle) {
        // The box's digits lie on its cross, and a removal sees the strong link's far end and
        // lies on the cross's other line.
        int box = -1;
        std::vector<int> cross;
        for (const auto &u : r.unitRoles) {
            if (u.role == Role::Base)
                box = u.unit;
            if (u.role == Role::Look)
                cross.push_back(u.unit);
        }
        const int d = std::countr_zero(unsigned(r.digits)) + 1;
        auto on = [](int unit, int p) { return units.of[std::size_t(p)][unit / 9] == unit; };
        if (box < 0 || cross.size() != 2 || nodes.size() != 2)
            return at + QStringLiteral("an empty rectangle told without its box and cross");
        for (const auto p : units.cells[std::size_t(box)])
            if (has(cand, p, d) && !on(cross[0], p) && !on(cross[1], p))
                return at + QStringLiteral("an empty rectangle's digit off its cross");
        for (const auto &x : removals) {
            if (!units.sees[std::size_t(x.cell)][std::size_t(nodes.front().cell)]
                || !on(cross[1], x.cell) || on(box, x.cell))
                return at + QStringLiteral("an empty rectangle's removal that does not hold");
            ++checked.removals;
        }
    }
    if (t == T::UniqueRectangle1 || t == T::UniqueRectangle2 || t == T::UniqueRectangle4) {
        // Four open corners on two rows, two columns and two boxes, each holding both digits.
        std::vector<int> rows, cols, boxes;
        auto add = [](std::vector<int> &list, int v) {
            if (std::find(list.begin(), list.end(), v) == list.end())
                list.push_back(v);
        };
        for (const int p : r.cells) {
            add(rows, p / 9);
            add(cols, p % 9);
            add(boxes, units.of[std::size_t(p)][2]);
            if ((cand[std::size_t(p)] & r.digits) != r.digits)
                return at + QStringLiteral("a rectangle's corner without both digits");
        }
        if (r.cells.size() != 4 || rows.size() != 2 || cols.size() != 2 || boxes.size() != 2)
            return at + QStringLiteral("a rectangle that is not one");
        checked.removals += int(removals.size());
    }
    if (r.technique == Technique::XYWing || r.technique == Technique::XYZWing)
        for (const auto &x : removals) {
            for (const auto &c : r.candidates)
                if ((c.role == Role::Pincer
                        || (c.role == Role::Pivot && r.technique == Technique::XYZWing))
                    && c.digit == x.digit && !units.sees[std::size_t(x.cell)][std::size_t(c.cell)])
                    return at + QStringLiteral("a wing's removal that does not see its pincers");
            ++checked.removals;
        }
    if (r.technique == Technique::Trial) {
        ++checked.contradictions;
        if (h.levels.back().find("every way on") != std::string::npos)
            return at + QStringLiteral("a contradiction told without its chain");
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
        if (const QString why = recordFault(s, h); !why.isEmpty())
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
        qInfo("records checked: %d steps, %d strong and %d weak links, %d removals, %d chains, "
              "%d fish, %d contradiction chains",
            checked.steps, checked.strong, checked.weak, checked.removals, checked.chains,
            checked.fish, checked.contradictions);
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
        qInfo("%d puzzles walked to their solution; records checked so far: %d steps, %d links, "
              "%d chains, %d contradiction chains",
            walked, checked.steps, checked.strong + checked.weak, checked.chains,
            checked.contradictions);
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

    // A solution walked once gives the hints that asking at every step gives; a long
    // forcing step is told in more levels than four, its drawing adding the forced
    // digits level by level, and a removal on a cell without notes leaves it every digit its
    // units allow but the one removed.
    void pathMatchesHintsAndLongStepsUnfold()
    {
        const auto library
            = puzzlesIn(zov::test::sourceDir() + QStringLiteral("/data/library.txt"));
        bool unfolded = false;
        for (const int n : { 2001, 6007, 6018, 7001, 7990, 8000 }) {
            const Grid &givens = library[std::size_t(n - 1)];
            Grid solution {};
            QCOMPARE(countSolutions(givens, 2, &solution), 1);
            Position s = Position::start(givens);
            for (const Hint &h : hints::solutionPath(givens, solution)) {
                const Hint asked = hints::nextHint(s, solution);
                QCOMPARE(asked.notation, h.notation);
                QVERIFY(asked.levels == h.levels);
                const bool forcing = h.technique
                    && (*h.technique == Technique::Trial
                        || *h.technique >= Technique::CellForcingChain);
                if (forcing && h.levels.size() > 4) {
                    unfolded = true;
                    std::size_t forced = 0;
                    for (std::size_t k = h.reasonLevel; k < h.drawings.size(); ++k) {
                        const auto &marks = h.drawings[k].candidates;
                        const auto now = std::size_t(std::count_if(marks.begin(), marks.end(),
                            [](const auto &m) { return m.role == Role::Forced; }));
                        QVERIFY(now >= forced);
                        forced = now;
                    }
                    for (const auto &level : h.levels)
                        QVERIFY2(level.size() <= 400, level.c_str());
                }
                for (const auto &c : h.changes)
                    if (!c.digit && !s.notes[std::size_t(c.cell)]) {
                        Digits gone = 0;
                        for (const auto &x : h.record->candidates)
                            if (x.cell == c.cell && x.role == Role::Removal)
                                gone |= digitBit(x.digit);
                        QCOMPARE(Digits(c.notes), Digits(s.allowed(c.cell) & ~gone));
                    }
                s = hints::applied(s, h);
            }
            QCOMPARE(s.digits, solution);
        }
        QVERIFY(unfolded);
    }

    // A note set without the solution's digit is named before any technique; the same state
    // always gives the same hint; a puzzle with two solutions offers nothing to apply.
    void faultsComeFirstAndHintsRepeat()
    {
        const auto library
            = puzzlesIn(zov::test::sourceDir() + QStringLiteral("/data/library.txt"));
        const Grid &givens = library[4873];
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
