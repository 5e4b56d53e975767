// Singles: a digit with one place left in a unit, a cell with one digit left.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// Boxes first, as people look for them.
bool hiddenSingle(CandidateGrid &g, Rater &r)
{
    for (int k = 0; k < 27; ++k) {
        const int u = boxFirst(k);
        const Mask m = hiddenIn(g, u);
        if (!m)
            continue;
        for (const auto p : units.cells[u])
            if (g.cand[p] & m) {
                if (auto *seen = r.watched()) {
                    seen->units = { u };
                    seen->cells = { p };
                    seen->digits = m;
                    seen->unit(u, Role::Look);
                }
                r.place(g, p, lowest(m) + 1);
                return r.counted(Technique::HiddenSingle);
            }
    }
    return false;
}

bool nakedSingle(CandidateGrid &g, Rater &r)
{
    for (int p = 0; p < 81; ++p)
        if (!g.grid[p] && bits(g.cand[p]) == 1) {
            if (auto *seen = r.watched()) {
                seen->cells = { p };
                seen->digits = g.cand[p];
                for (const auto u : units.of[p])
                    seen->unit(u, Role::Look);
            }
            r.place(g, p, lowest(g.cand[p]) + 1);
            return r.counted(Technique::NakedSingle);
        }
    return false;
}

} // namespace zov::puzzles::grading
