// Subsets: n cells of a unit holding only n digits, or n digits held only by n cells.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// n cells of a unit that hold only n digits between them: those digits are nowhere else.
bool nakedSubset(CandidateGrid &g, Rater &r, int n, Technique tech)
{
    for (int u = 0; u < 27; ++u) {
        std::array<int, 9> cells {};
        int k = 0;
        for (const auto p : units.cells[u])
            if (!g.grid[p] && bits(g.cand[p]) >= 2 && bits(g.cand[p]) <= n)
                cells[static_cast<std::size_t>(k++)] = p;
        if (k < n)
            continue;
        for (const Mask pick : units.masks[static_cast<std::size_t>(n)]) {
            if (pick >> k)
                break; // the masks ascend, so no later one fits either
            Mask digits = 0;
            for (unsigned m = pick; m; m &= m - 1)
                digits = static_cast<Mask>(
                    digits | g.cand[cells[static_cast<std::size_t>(lowest(m))]]);
            if (bits(digits) != n)
                continue;
            bool progress = false;
            for (const auto p : units.cells[u]) {
                bool inSet = false;
                for (unsigned m = pick; m; m &= m - 1)
                    inSet |= cells[static_cast<std::size_t>(lowest(m))] == p;
                if (!inSet)
                    progress |= r.remove(g, p, digits);
            }
            if (progress) {
                r.counted(tech);
                return true;
            }
        }
    }
    return false;
}

// n digits that a unit holds only in n cells: those cells hold nothing else.
bool hiddenSubset(CandidateGrid &g, Rater &r, int n, Technique tech)
{
    for (int u = 0; u < 27; ++u) {
        std::array<Mask, 9> at {};
        std::array<int, 9> digits {};
        int k = 0;
        for (int d = 0; d < 9; ++d) {
            const Mask w = where(g, u, static_cast<Mask>(1u << d));
            if (bits(w) >= 2 && bits(w) <= n) {
                at[static_cast<std::size_t>(k)] = w;
                digits[static_cast<std::size_t>(k++)] = d;
            }
        }
        if (k < n)
            continue;
        for (const Mask pick : units.masks[static_cast<std::size_t>(n)]) {
            if (pick >> k)
                break; // the masks ascend, so no later one fits either
            Mask cells = 0, keep = 0;
            for (unsigned m = pick; m; m &= m - 1) {
                cells = static_cast<Mask>(cells | at[static_cast<std::size_t>(lowest(m))]);
                keep
                    = static_cast<Mask>(keep | (1u << digits[static_cast<std::size_t>(lowest(m))]));
            }
            if (bits(cells) != n)
                continue;
            bool progress = false;
            for (unsigned m = cells; m; m &= m - 1)
                progress |= r.remove(g, units.cells[u][static_cast<std::size_t>(lowest(m))],
                    static_cast<Mask>(AllDigits & ~keep));
            if (progress) {
                r.counted(tech);
                return true;
            }
        }
    }
    return false;
}

} // namespace zov::puzzles::grading
