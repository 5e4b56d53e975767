#include "puzzles/hints/hint.h"

#include "puzzles/grading/rater.h"
#include "puzzles/hints/contradiction.h"
#include "puzzles/hints/words.h"
#include "puzzles/rules.h"
#include "puzzles/sudoku.h"

#include <algorithm>
#include <functional>
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

// The digits a cell's row, column and box hold.
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
    std::array<Mask, 81> gone {};
    for (const auto &[p, m] : removed)
        gone[p] = static_cast<Mask>(gone[p] | m);
    std::vector<CellChange> changes;
    for (int p = 0; p < 81; ++p)
        if (gone[p])
            changes.push_back({ p, 0, static_cast<std::uint16_t>(before.cand[p] & ~gone[p]) });
    return changes;
}

// A step's drawing at one level: where to look (`upTo` 1), the pattern (2), the reason
// (3, with the forced digits up to `reached`, -1 for all) or the result as well (`last`).
Drawing drawingOf(const Position &state, const StepPattern &seen, int upTo, int reached, bool last)
{
    using grading::Role;
    Drawing dr;
    const bool forcing = seen.technique == Technique::Trial;
    for (const auto &u : seen.unitRoles)
        if (u.role != Role::Empty || last)
            dr.shades.push_back({ u.unit, u.role });
    auto cellMark = [&](int cell, Role role, int number = 0) {
        for (const auto &c : dr.cells)
            if (c.cell == cell)
                return;
        dr.cells.push_back({ cell, role, number });
    };
    for (const auto &c : seen.candidates)
        switch (c.role) {
        case Role::Pivot:
        case Role::Pincer:
        case Role::Fin:
        case Role::Assumed:
            cellMark(c.cell, c.role);
            break;
        case Role::GroupA:
        case Role::GroupB:
            cellMark(c.cell, Role::Pattern);
            break;
        case Role::Node:
            if (c.order == 0)
                cellMark(c.cell, Role::Node, 1);
            break;
        case Role::Placement:
            if (seen.technique == Technique::NakedSingle)
                cellMark(c.cell, Role::Pattern);
            break;
        default:
            break;
        }
    if (upTo < 2)
        return dr;
    // The singles' pattern: the digits that rule the other cells out.
    if (seen.technique == Technique::HiddenSingle || seen.technique == Technique::NakedSingle) {
        const int p = seen.placedCell, d = seen.placedDigit;
        auto markHolder = [&](int q, int digit) {
            for (const auto r : units.peers[q])
                if (state.digits[r] == digit) {
                    cellMark(r, Role::Pattern);
                    return;
                }
        };
        if (seen.technique == Technique::HiddenSingle) {
            for (const auto q : units.cells[seen.unitRoles.front().unit])
                if (q != p && !state.digits[q])
                    markHolder(q, d);
        } else {
            for (int digit = 1; digit <= 9; ++digit)
                if (digit != d)
                    markHolder(p, digit);
        }
    }
    auto faint = [&](int cell, int digit) {
        return digit > 0 && !state.digits[cell] && !(state.notes[cell] & digitBit(digit));
    };
    for (const auto &c : seen.candidates) {
        const bool result = c.role == Role::Removal || c.role == Role::Placement;
        if (result && !last)
            continue;
        if (c.role == Role::Empty) {
            if (last)
                dr.cells.push_back({ c.cell, Role::Empty, 0 });
            continue;
        }
        if (c.role == Role::Forced && (upTo < 3 || (reached >= 0 && c.order >= reached)))
            continue;
        const bool numbered = c.role == Role::Node || c.role == Role::Forced;
        dr.candidates.push_back({ c.cell, c.digit, c.role, numbered ? c.order + 1 : 0,
            c.role == Role::Forced || faint(c.cell, c.digit) });
    }
    for (const auto &l : seen.links)
        dr.lines.push_back({ l.from.cell, l.from.digit, l.to.cell, l.to.digit, l.strong });
    (void)forcing;
    return dr;
}

// Where the player's notes lack a candidate the pattern needs.
bool needsNotes(const Position &state, const StepPattern &seen)
{
    for (const auto &c : seen.candidates)
        if (c.role != grading::Role::Placement && c.role != grading::Role::Empty
            && c.role != grading::Role::Forced && c.digit > 0 && !state.digits[c.cell]
            && !(state.notes[c.cell] & digitBit(c.digit)))
            return true;
    return false;
}

// A hint from a step's record and its words: the name, where to look, the pattern, then the
// reason and the result, in levels of about 350 characters at most, each with its drawing.
Hint fromRecord(const Position &state, const CandidateGrid &before, const StepPattern &seen,
    words::Telling t, bool drawn)
{
    constexpr std::size_t Longest = 350;
    Hint h;
    h.kind = Hint::Kind::Step;
    h.technique = seen.technique;
    h.levels.reserve(4 + t.reason.size());
    h.levels.push_back(std::move(t.name));
    h.levels.push_back(std::move(t.look));
    h.levels.push_back(std::move(t.pattern));
    const bool single
        = seen.technique == Technique::HiddenSingle || seen.technique == Technique::NakedSingle;
    if (!single && needsNotes(state, seen))
        h.levels[1] += " Candidates your notes do not show are drawn faintly; notes "
                       "(Ctrl+Shift+N) make steps like this easier to see.";
    // Without drawings (a worked solution in words) there is none at any level.
    auto drawing = [&](int upTo, int reached, bool last) {
        if (drawn)
            h.drawings.push_back(drawingOf(state, seen, upTo, reached, last));
    };
    if (drawn)
        h.drawings.emplace_back();
    drawing(1, -1, false);
    drawing(2, -1, false);
    h.reasonLevel = single ? 3 : 2;
    std::string part;
    int reached = 0;
    auto endPart = [&] {
        while (!part.empty() && part.back() == ' ')
            part.pop_back();
        h.levels.push_back(part);
        drawing(3, reached, false);
        part.clear();
    };
    for (const auto &step : t.reason) {
        if (!part.empty() && part.size() + step.text.size() > Longest - 50)
            endPart();
        part += step.text;
        reached = step.reached;
    }
    if (!part.empty() && part.size() + t.result.size() > Longest)
        endPart();
    if (part.empty())
        h.levels.push_back(std::move(t.result));
    else
        h.levels.push_back(std::move(part += t.result));
    drawing(3, -1, true);
    for (const auto &c : seen.candidates)
        if (drawn && std::find(h.pattern.begin(), h.pattern.end(), c.cell) == h.pattern.end()
            && c.role != grading::Role::Removal && c.role != grading::Role::Empty)
            h.pattern.push_back(c.cell);
    if (seen.placedCell >= 0) {
        h.changes = { { seen.placedCell, seen.placedDigit, 0 } };
        h.notation = digitNotation(seen.placedCell, '=', digitBit(seen.placedDigit));
    } else {
        h.changes = removalChanges(before, seen.removed);
        h.notation = removalNotation(seen.removed);
    }
    if (drawn)
        h.record = seen;
    return h;
}

// A technique's step, told from the candidates before it.
Hint stepHint(
    const Position &state, const CandidateGrid &before, const StepPattern &seen, bool drawn = true)
{
    Mask ruledOut = 0;
    auto why = words::OthersLack::SeeIt;
    if (seen.technique == Technique::NakedSingle) {
        const int p = seen.placedCell;
        ruledOut = static_cast<Mask>(state.allowed(p) & ~digitBit(seen.placedDigit));
    } else if (seen.technique == Technique::HiddenSingle) {
        bool someSee = false, someRuledOut = false;
        // The cells that see the digit: every peer of a cell holding it.
        Cells seeing;
        for (int q = 0; q < 81; ++q)
            if (state.digits[q] == seen.placedDigit)
                seeing |= units.peerSet[q];
        for (const auto q : units.cells[seen.unitRoles.front().unit]) {
            if (q == seen.placedCell || state.digits[q])
                continue;
            (seeing.has(q) ? someSee : someRuledOut) = true;
        }
        why = !someRuledOut ? words::OthersLack::SeeIt
            : someSee       ? words::OthersLack::Both
                            : words::OthersLack::RuledOut;
    }
    return fromRecord(state, before, seen, words::step(seen, before, ruledOut, why, !drawn), drawn);
}

// No technique applies: a contradiction chain from a wrong candidate.
Hint contradictionHint(
    const Position &state, const CandidateGrid &g, const Grid &solution, bool drawn = true)
{
    if (const auto found = findContradiction(g, solution)) {
        return fromRecord(state, g, found->record, words::contradiction(found->told), drawn);
    }
    // No chain without a further assumption: the solution's digit of the cell with the fewest
    // candidates, which the givens force though no chain here shows how.
    int p = -1;
    for (int q = 0; q < 81; ++q)
        if (!g.grid[q] && (p < 0 || bits(g.cand[q]) < bits(g.cand[p])))
            p = q;
    StepPattern seen;
    seen.technique = Technique::Trial;
    seen.placedCell = p;
    seen.placedDigit = solution[p];
    seen.mark(p, digitBit(solution[p]), grading::Role::Placement);
    words::Telling t;
    t.name = words::techniqueTitle(Technique::Trial);
    t.look = "Look at " + words::cellName(p) + ", framed.";
    t.pattern = "Every other digit there leads to a contradiction, but only after further "
                "assumptions, each with chains of their own: more than one hint can show.";
    t.result = "The " + std::to_string(solution[p]) + " is the only digit that stands in "
        + words::cellName(p) + ". Place it.";
    return fromRecord(state, g, seen, std::move(t), drawn);
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
    return contradictionHint(state, before, solution);
}

void forEachStep(const Grid &givens, const Grid &solution, bool drawn,
    const std::function<void(const Hint &, const Position &)> &use)
{
    Position state = Position::start(givens);
    // The grader's grid is kept in step with the board: each hint's removals become the notes
    // of the cells they touch, so the board's candidates stay the grid's.
    CandidateGrid g = candidatesOf(state);
    Rating rating;
    const RateOptions options;
    grading::Rater rater(solution, options, rating);
    StepPattern seen; // its lists' room kept from one step to the next
    while (g.empty > 0) {
        const CandidateGrid before = g;
        seen.clear();
        const Hint h = rater.watchedStep(g, seen)
            ? stepHint(state, before, seen, drawn)
            : contradictionHint(state, before, solution, drawn);
        use(h, state);
        if (h.changes.empty())
            return;
        apply(state, h);
        if (h.technique == Technique::Trial)
            g = candidatesOf(state);
    }
}

std::vector<Hint> solutionPath(const Grid &givens, const Grid &solution, bool drawn)
{
    std::vector<Hint> path;
    forEachStep(
        givens, solution, drawn, [&](const Hint &h, const Position &) { path.push_back(h); });
    return path;
}

void apply(Position &state, const Hint &hint)
{
    for (const auto &c : hint.changes) {
        // The digit first: a placed digit takes notes as typing it would.
        state.place(c.cell, c.digit);
        state.setNotes(c.cell, c.notes);
    }
}

Position applied(const Position &state, const Hint &hint)
{
    Position next = state;
    apply(next, hint);
    return next;
}

} // namespace zov::puzzles::hints
