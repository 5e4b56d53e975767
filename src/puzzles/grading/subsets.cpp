// Subsets: n cells of a unit holding only n digits, or n digits held only by n cells.

#include "puzzles/grading/lockedsets.h"
#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// n cells of a unit that hold only n digits between them: those digits are nowhere else.
bool nakedSubset(CandidateGrid &g, Rater &r, int n, Technique tech)
{
    for (int u = 0; u < 27; ++u) {
        if (r.fruitlessUnit(tech, u, g))
            continue;
        LockedSets cells;
        for (const auto p : units.cells[u])
            cells.addWithin(n, p, g.cand[p]);
        const bool found = cells.eachSet(n, [&](Mask digits, Mask chosen) {
            bool progress = false;
            for (const auto p : units.cells[u])
                if (!cells.chose(chosen, p))
                    progress |= r.remove(g, p, digits);
            if (auto *seen = r.watched(); seen && progress) {
                seen->units = { u };
                seen->cells.clear();
                for (const auto p : units.cells[u])
                    if (cells.chose(chosen, p))
                        seen->cells.push_back(p);
                seen->digits = digits;
                seen->unit(u, Role::Look);
                for (const int p : seen->cells)
                    seen->mark(p, static_cast<Mask>(g.cand[p] & digits), Role::Pattern);
            }
            return progress;
        });
        if (found)
            return r.counted(tech);
        r.barrenUnit(tech, u, g);
    }
    return false;
}

// n digits that a unit holds only in n cells: those cells hold nothing else.
bool hiddenSubset(CandidateGrid &g, Rater &r, int n, Technique tech)
{
    for (int u = 0; u < 27; ++u) {
        if (r.fruitlessUnit(tech, u, g))
            continue;
        LockedSets digits;
        for (int d = 0; d < 9; ++d)
            digits.addWithin(
                n, d, r.unitPlaces(g)[static_cast<std::size_t>(u)][static_cast<std::size_t>(d)]);
        const bool found = digits.eachSet(n, [&](Mask cells, Mask chosen) {
            const auto others = static_cast<Mask>(AllDigits & ~digits.idBits(chosen));
            bool progress = false;
            for (unsigned m = cells; m; m &= m - 1)
                progress
                    |= r.remove(g, units.cells[u][static_cast<std::size_t>(lowest(m))], others);
            if (auto *seen = r.watched(); seen && progress) {
                seen->units = { u };
                seen->cells.clear();
                for (unsigned m = cells; m; m &= m - 1)
                    seen->cells.push_back(units.cells[u][static_cast<std::size_t>(lowest(m))]);
                seen->digits = digits.idBits(chosen);
                seen->unit(u, Role::Look);
                for (const int p : seen->cells)
                    seen->mark(p, static_cast<Mask>(g.cand[p] & seen->digits), Role::Pattern);
            }
            return progress;
        });
        if (found)
            return r.counted(tech);
        r.barrenUnit(tech, u, g);
    }
    return false;
}

} // namespace zov::puzzles::grading
