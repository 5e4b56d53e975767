#include "puzzles/hints/hint.h"

#include "puzzles/grading/rater.h"
#include "puzzles/hints/advancedwords.h"
#include "puzzles/hints/patterns.h"
#include "puzzles/hints/words.h"
#include "puzzles/rules.h"
#include "puzzles/sudoku.h"

#include <algorithm>
#include <map>

namespace zov::puzzles::hints {
namespace {

using grading::AllDigits;
using grading::bits;
using grading::boxFirst;
using grading::CandidateGrid;
using grading::hiddenIn;
using grading::lowest;
using grading::Mask;
using grading::StepPattern;
using grading::units;
using patterns::colouringOf;
using patterns::xChainsOf;
using patterns::xyChainsOf;

// The digits a cell's row, column and box hold.
Mask seenBy(const Position &state, int p)
{
    return static_cast<Mask>(AllDigits & ~state.allowed(p));
}

// The board as the grader sees it: a cell's notes where it has some, else every digit its
// row, column and box allow.
CandidateGrid candidatesOf(const Position &state)
{
    CandidateGrid g;
    g.grid = state.digits;
    g.cand = state.candidates();
    for (const auto d : state.digits)
        g.empty -= d != 0;
    return g;
}

// A cell of the same unit showing the same digit as `p`, or -1.
int clashWith(const Grid &shown, int p)
{
    for (const auto q : units.peers[p])
        if (shown[q] == shown[p])
            return q;
    return -1;
}

std::string removalNotation(const words::Removals &removed)
{
    std::string text;
    for (const auto &[p, m] : removed) {
        if (!text.empty())
            text += ' ';
        text += digitNotation(p, '-', m);
    }
    return text;
}

// An elimination's changes: each cell's candidates (its notes, or what it allows) minus
// what goes; a cell named twice loses both.
std::vector<CellChange> removalChanges(const CandidateGrid &before, const words::Removals &removed)
{
    std::map<int, Mask> gone;
    for (const auto &[p, m] : removed)
        gone[p] = static_cast<Mask>(gone[p] | m);
    std::vector<CellChange> changes;
    for (const auto &[p, m] : gone)
        changes.push_back({ p, 0, static_cast<std::uint16_t>(before.cand[p] & ~m) });
    return changes;
}

Hint placement(Technique t, int p, int d, words::Levels levels, std::vector<int> pattern)
{
    Hint h;
    h.kind = Hint::Kind::Step;
    h.technique = t;
    h.levels = std::move(levels);
    h.pattern = std::move(pattern);
    h.changes = { { p, d, 0 } };
    h.notation = digitNotation(p, '=', digitBit(d));
    return h;
}

Hint elimination(Technique t, const CandidateGrid &before, const words::Removals &removed,
    words::Levels levels, std::vector<int> pattern)
{
    Hint h;
    h.kind = Hint::Kind::Step;
    h.technique = t;
    h.levels = std::move(levels);
    h.pattern = std::move(pattern);
    h.changes = removalChanges(before, removed);
    h.notation = removalNotation(removed);
    return h;
}

// A technique's step, told from the candidates before it.
Hint stepHint(const Position &state, const CandidateGrid &before, const StepPattern &seen)
{
    using T = Technique;
    const T t = seen.technique;
    const auto &removed = seen.removed;
    const int digit = lowest(seen.digits) + 1;
    switch (t) {
    case T::HiddenSingle: {
        const int u = seen.units.front(), p = seen.cells.front();
        bool someSee = false, someRuledOut = false;
        for (const auto q : units.cells[u]) {
            if (q == p || state.digits[q])
                continue;
            (seenBy(state, q) & seen.digits ? someSee : someRuledOut) = true;
        }
        const auto why = !someRuledOut ? words::OthersLack::SeeIt
            : someSee                  ? words::OthersLack::Both
                                       : words::OthersLack::RuledOut;
        return placement(t, p, digit, words::hiddenSingle(u, digit, p, why), { p });
    }
    case T::NakedSingle: {
        const int p = seen.cells.front();
        const Mask around = seenBy(state, p);
        const Mask ruledOut = static_cast<Mask>(AllDigits & ~around & ~seen.digits);
        return placement(t, p, digit, words::nakedSingle(p, digit, around, ruledOut), { p });
    }
    case T::Pointing:
    case T::Claiming:
        return elimination(t, before, removed,
            words::lockedCandidates(
                t == T::Pointing, seen.units[0], seen.units[1], digit, seen.cells, removed),
            seen.cells);
    case T::NakedPair:
    case T::NakedTriple:
    case T::NakedQuad:
    case T::HiddenPair:
    case T::HiddenTriple:
    case T::HiddenQuad: {
        const bool naked = t == T::NakedPair || t == T::NakedTriple || t == T::NakedQuad;
        return elimination(t, before, removed,
            words::subset(naked, static_cast<int>(seen.cells.size()), seen.units.front(),
                seen.cells, seen.digits, removed),
            seen.cells);
    }
    case T::XWing:
    case T::Swordfish:
    case T::Jellyfish: {
        const auto half = static_cast<std::ptrdiff_t>(seen.units.size() / 2);
        const std::vector<int> base(seen.units.begin(), seen.units.begin() + half);
        const std::vector<int> cover(seen.units.begin() + half, seen.units.end());
        return elimination(t, before, removed,
            words::fish(static_cast<int>(half), digit, base, cover, seen.cells, removed),
            seen.cells);
    }
    case T::XYWing:
    case T::XYZWing: {
        auto wing = [&](int k) {
            const int p = seen.cells[static_cast<std::size_t>(k)];
            return words::WingCell { p, before.cand[p] };
        };
        const auto levels = t == T::XYWing
            ? words::xyWing(wing(0), wing(1), wing(2), digit, removed)
            : words::xyzWing(wing(0), wing(1), wing(2), digit, removed);
        return elimination(t, before, removed, levels, seen.cells);
    }
    case T::SimpleColouring:
        return elimination(
            t, before, removed, words::colouring(colouringOf(before, seen), removed), seen.cells);
    case T::XChain: {
        const auto chains = xChainsOf(before, seen, removed);
        std::vector<int> pattern;
        for (const auto &c : chains)
            pattern.insert(pattern.end(), c.cells.begin(), c.cells.end());
        std::sort(pattern.begin(), pattern.end());
        pattern.erase(std::unique(pattern.begin(), pattern.end()), pattern.end());
        return elimination(t, before, removed, words::xChain(digit, chains, removed), pattern);
    }
    case T::XYChain: {
        const auto chains = xyChainsOf(before, seen, removed);
        std::vector<int> pattern;
        for (const auto &c : chains)
            for (const auto &w : c.cells)
                pattern.push_back(w.cell);
        std::sort(pattern.begin(), pattern.end());
        pattern.erase(std::unique(pattern.begin(), pattern.end()), pattern.end());
        return elimination(t, before, removed, words::xyChain(digit, chains, removed), pattern);
    }
    case T::Skyscraper:
    case T::TwoStringKite:
    case T::EmptyRectangle:
    case T::FinnedXWing:
    case T::SashimiXWing:
    case T::FinnedSwordfish:
    case T::SashimiSwordfish:
    case T::WWing:
    case T::UniqueRectangle1:
    case T::UniqueRectangle2:
    case T::UniqueRectangle4:
    case T::BugPlusOne:
    case T::Aic:
    case T::NiceLoop:
    case T::GroupedAic:
    case T::AlsXZ:
    case T::AlsXYWing:
    case T::ContradictionChain:
    case T::CellForcingChain:
    case T::UnitForcingChain:
    case T::ForcingNet: {
        std::vector<int> pattern = seen.cells;
        std::sort(pattern.begin(), pattern.end());
        pattern.erase(std::unique(pattern.begin(), pattern.end()), pattern.end());
        if (seen.placedCell >= 0)
            return placement(t, seen.placedCell, seen.placedDigit, words::advanced(seen), pattern);
        return elimination(t, before, removed, words::advanced(seen), pattern);
    }
    case T::Trial:
        break;
    }
    return {};
}

// Follows `digit` in `cell` with singles alone, as the grader takes them, until a cell or a
// unit has nothing left; false when the singles stall first (or solve the board).
bool followSingles(CandidateGrid g, int cell, int digit, const Grid &solution, words::Trial &t)
{
    t = { cell, digit, g.cand[cell], {}, -1, -1, 0, false };
    Rating rating;
    const RateOptions singles { gradeOf(Technique::NakedSingle), 0 };
    grading::Rater rater(solution, singles, rating);
    g.onPath = false;
    rater.place(g, cell, digit);
    for (;;) {
        if (const auto broken = grading::brokenAt(g)) {
            t.emptyCell = broken->cell;
            t.emptyUnit = broken->unit;
            t.digitLost = broken->unit >= 0 ? broken->digit : 0;
            return true;
        }
        StepPattern step;
        if (g.empty == 0 || !rater.watchedStep(g, step))
            return false;
        const int unit = step.technique == Technique::HiddenSingle ? step.units.front() : -1;
        t.steps.push_back({ step.placedCell, step.placedDigit, unit });
    }
}

// No technique applies: a wrong candidate of a cell with the fewest candidates whose trial
// the singles take to a contradiction, the shortest such chain; where no cell with that few
// has one, cells with more are tried; where none at all, the fewest-candidates cell's lowest
// wrong candidate, which the unique solution rules out.
Hint trialHint(const CandidateGrid &g, const Grid &solution)
{
    std::vector<int> open;
    for (int p = 0; p < 81; ++p)
        if (!g.grid[p])
            open.push_back(p);
    std::stable_sort(
        open.begin(), open.end(), [&](int a, int b) { return bits(g.cand[a]) < bits(g.cand[b]); });
    std::optional<words::Trial> best;
    for (std::size_t k = 0; k < open.size(); ++k) {
        const int p = open[k];
        if (best && bits(g.cand[p]) > bits(g.cand[best->cell]))
            break;
        for (unsigned m = g.cand[p]; m; m &= m - 1) {
            const int d = lowest(m) + 1;
            words::Trial t;
            if (d != solution[p] && followSingles(g, p, d, solution, t)
                && (!best || t.steps.size() < best->steps.size()))
                best = t;
        }
    }
    if (!best) {
        const int p = open.front();
        Mask wrong = static_cast<Mask>(g.cand[p] & ~digitBit(solution[p]));
        best = words::Trial { p, lowest(wrong) + 1, g.cand[p], {}, -1, -1, 0, true };
    }
    const int p = best->cell, d = best->digit;
    std::vector<int> pattern { p };
    for (const auto &s : best->steps)
        pattern.push_back(s.cell);
    if (best->emptyCell >= 0)
        pattern.push_back(best->emptyCell);
    const words::Removals removed { { p, digitBit(d) } };
    return elimination(Technique::Trial, g, removed, words::trial(*best), pattern);
}

Hint told(Hint::Kind kind, words::Levels levels, std::vector<int> pattern = {})
{
    Hint h;
    h.kind = kind;
    h.levels = std::move(levels);
    h.pattern = std::move(pattern);
    return h;
}

} // namespace

Hint nextHint(const Position &state)
{
    Grid solution {};
    const int solutions
        = isConsistent(state.givens) ? countSolutions(state.givens, 2, &solution) : 0;
    if (solutions == 1)
        return nextHint(state, solution);
    if (const auto r = findRepeat(state.digits))
        return told(Hint::Kind::Repeat, words::repeat(r->first, r->second, r->unitIndex, r->digit),
            { r->first, r->second });
    return solutions == 0 ? told(Hint::Kind::NoSolution, words::noSolution())
                          : told(Hint::Kind::NotUnique, words::notUnique());
}

Hint nextHint(const Position &state, const Grid &solution)
{
    for (int p = 0; p < 81; ++p)
        if (state.digits[p] && state.digits[p] != solution[p]) {
            Hint h = told(Hint::Kind::WrongDigit,
                words::wrongDigit(p, state.digits[p], clashWith(state.digits, p)), { p });
            h.changes = { { p, state.givens[p], 0 } };
            h.notation = state.givens[p] ? digitNotation(p, '=', digitBit(state.givens[p]))
                                         : digitNotation(p, '-', digitBit(state.digits[p]));
            return h;
        }
    for (int p = 0; p < 81; ++p)
        if (!state.digits[p] && state.notes[p] && !(state.notes[p] & digitBit(solution[p]))) {
            Hint h = told(Hint::Kind::MissingNote, words::missingNote(p, solution[p]), { p });
            h.changes
                = { { p, 0, static_cast<std::uint16_t>(state.notes[p] | digitBit(solution[p])) } };
            h.notation = digitNotation(p, '+', digitBit(solution[p]));
            return h;
        }
    CandidateGrid g = candidatesOf(state);
    if (g.empty == 0)
        return told(Hint::Kind::Solved, words::solved());
    const CandidateGrid before = g;
    Rating rating;
    const RateOptions options;
    grading::Rater rater(solution, options, rating);
    StepPattern seen;
    if (rater.watchedStep(g, seen))
        return stepHint(state, before, seen);
    return trialHint(before, solution);
}

Position applied(const Position &state, const Hint &hint)
{
    Position next = state;
    for (const auto &c : hint.changes) {
        // The digit first: a placed digit takes notes as typing it would.
        next.place(c.cell, c.digit);
        next.setNotes(c.cell, c.notes);
    }
    return next;
}

} // namespace zov::puzzles::hints
