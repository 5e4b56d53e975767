#include "puzzles/hints/contradiction.h"

#include <algorithm>
#include <vector>

namespace zov::puzzles::hints {
namespace {

using grading::bits;
using grading::CandidateGrid;
using grading::lowest;
using grading::Mask;
using grading::Role;
using grading::StepPattern;

// The steps' notation: "r3c4=5", "r1c6-5 r2c6-5".
std::string notationOf(const StepPattern &step)
{
    if (step.placedCell >= 0)
        return digitNotation(step.placedCell, '=', digitBit(step.placedDigit));
    std::string text;
    for (const auto &[p, m] : step.removed)
        text += (text.empty() ? "" : " ") + digitNotation(p, '-', m);
    return text;
}

// Follows `digit` in `cell` with the techniques up to grade `ceiling` until a cell or a unit
// has nothing left; false when they stall first (or solve the board).
bool follow(CandidateGrid g, int cell, int digit, const Grid &solution, int ceiling,
    words::Contradiction &t)
{
    t = { cell, digit, g.cand[cell], {}, -1, -1, 0 };
    Rating rating;
    const RateOptions options { ceiling, bit(Technique::Trial) };
    grading::Rater rater(solution, options, rating);
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
        words::Forced f { step.placedCell, step.placedDigit, -1, std::nullopt, {} };
        if (step.technique == Technique::HiddenSingle)
            f.unit = step.unitRoles.front().unit;
        else if (step.technique != Technique::NakedSingle) {
            f.technique = step.technique;
            f.notation = notationOf(step);
        }
        t.steps.push_back(std::move(f));
    }
}

StepPattern recordOf(const words::Contradiction &t)
{
    StepPattern r;
    r.technique = Technique::Trial;
    r.cells = { t.cell };
    r.digits = digitBit(t.digit);
    r.removed = { { t.cell, digitBit(t.digit) } };
    r.candidates.push_back({ t.cell, t.digit, Role::Assumed, -1 });
    int order = 0;
    for (const auto &s : t.steps) {
        ++order; // numbered as told, also where a step places nothing
        if (s.cell >= 0)
            r.candidates.push_back({ s.cell, s.digit, Role::Forced, order - 1 });
    }
    if (t.emptyCell >= 0)
        r.candidates.push_back({ t.emptyCell, 0, Role::Empty, -1 });
    else
        r.unit(t.emptyUnit, Role::Empty);
    r.candidates.push_back({ t.cell, t.digit, Role::Removal, -1 });
    return r;
}

} // namespace

std::optional<ContradictionStep> findContradiction(const CandidateGrid &g, const Grid &solution)
{
    std::vector<int> open;
    for (int p = 0; p < 81; ++p)
        if (!g.grid[p])
            open.push_back(p);
    std::stable_sort(
        open.begin(), open.end(), [&](int a, int b) { return bits(g.cand[a]) < bits(g.cand[b]); });
    for (const int ceiling : { gradeOf(Technique::NakedSingle), TopGrade - 1 }) {
        std::optional<words::Contradiction> best;
        for (const int p : open) {
            if (best && bits(g.cand[p]) > bits(g.cand[best->cell]))
                break;
            for (unsigned m = g.cand[p]; m; m &= m - 1) {
                const int d = lowest(m) + 1;
                words::Contradiction t;
                if (d != solution[p] && follow(g, p, d, solution, ceiling, t)
                    && (!best || t.steps.size() < best->steps.size()))
                    best = std::move(t);
            }
        }
        if (best)
            return ContradictionStep { *best, recordOf(*best) };
    }
    return std::nullopt;
}

} // namespace zov::puzzles::hints
