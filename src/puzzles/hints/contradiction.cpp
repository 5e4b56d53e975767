#include "puzzles/hints/contradiction.h"

#include <algorithm>
#include <vector>

namespace zov::puzzles::hints {
namespace {

// A probe follows the techniques a player would while holding one assumption; the long chains
// and the nets, which hold assumptions of their own, are left out.
constexpr std::uint64_t Probed = bit(Technique::Trial) | bit(Technique::Aic)
    | bit(Technique::NiceLoop) | bit(Technique::GroupedAic);

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
    for (const auto &[p, m] : step.removed) {
        if (!text.empty())
            text += ' ';
        text += digitNotation(p, '-', m);
    }
    return text;
}

// Follows `digit` in `cell` with the techniques up to grade `ceiling` until a cell or a unit
// has nothing left; false when they stall first (or solve the board).
bool follow(CandidateGrid g, int cell, int digit, const Grid &solution, int ceiling,
    words::Contradiction &t)
{
    t = { cell, digit, g.cand[cell], {}, -1, -1, 0 };
    Rating rating;
    const RateOptions options { ceiling, Probed };
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
    // Cells with the fewest candidates first; among them, the wrong candidates are followed
    // side by side, one step each in turn, so that the first to break is the shortest chain
    // and none runs on past it.
    for (const int ceiling : { gradeOf(Technique::NakedSingle), gradeOf(Technique::Claiming),
             gradeOf(Technique::XYChain) }) {
        const RateOptions options { ceiling, Probed };
        for (std::size_t from = 0; from < open.size();) {
            std::size_t to = from;
            while (to < open.size() && bits(g.cand[open[to]]) == bits(g.cand[open[from]]))
                ++to;
            struct Line
            {
                int cell, digit;
                CandidateGrid grid;
                Rating rating;
                bool alive = true;
            };
            std::vector<Line> lines;
            for (std::size_t k = from; k < to; ++k)
                for (unsigned m = g.cand[open[k]]; m; m &= m - 1)
                    if (const int d = lowest(m) + 1; d != solution[open[k]])
                        lines.push_back({ open[k], d, g, {}, true });
            std::vector<grading::Rater> raters;
            raters.reserve(lines.size());
            for (auto &l : lines) {
                raters.emplace_back(solution, options, l.rating);
                l.grid.onPath = false;
                raters.back().place(l.grid, l.cell, l.digit);
            }
            StepPattern step; // its lists' room kept from one step to the next
            for (bool any = true; any;) {
                any = false;
                for (std::size_t k = 0; k < lines.size(); ++k) {
                    auto &l = lines[k];
                    if (!l.alive)
                        continue;
                    if (grading::brokenAt(l.grid)) {
                        words::Contradiction t;
                        follow(g, l.cell, l.digit, solution, ceiling, t);
                        return ContradictionStep { t, recordOf(t) };
                    }
                    step.clear();
                    l.alive = l.grid.empty > 0 && raters[k].watchedStep(l.grid, step);
                    any = any || l.alive;
                }
            }
            from = to;
        }
    }
    return std::nullopt;
}

} // namespace zov::puzzles::hints
