// Fish: a digit confined in n rows to the same n columns, or the other way round.

#include "puzzles/grading/lockedsets.h"
#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// n rows in which a digit stands only within the same n columns: the digit is in none of
// the other cells of those columns; and the same with rows and columns swapped.
bool fish(CandidateGrid &g, Rater &r, int n, Technique tech)
{
    for (int d = 0; d < 9; ++d) {
        if (r.fruitless(tech, d, g))
            continue;
        const auto m = static_cast<Mask>(1u << d);
        for (int base = 0; base < 18; base += 9) {
            const int cover = 9 - base; // rows cover columns, columns cover rows
            LockedSets lines;
            for (int i = 0; i < 9; ++i)
                lines.addWithin(n, i,
                    r.unitPlaces(
                        g)[static_cast<std::size_t>(base + i)][static_cast<std::size_t>(d)]);
            const bool found = lines.eachSet(n, [&](Mask covered, Mask chosen) {
                const Mask chosenLines = lines.idBits(chosen);
                bool progress = false;
                for (unsigned c = covered; c; c &= c - 1) {
                    const auto &line = units.cells[static_cast<std::size_t>(cover + lowest(c))];
                    for (int i = 0; i < 9; ++i)
                        if (!(chosenLines >> i & 1))
                            progress |= r.remove(g, line[static_cast<std::size_t>(i)], m);
                }
                if (auto *seen = r.watched(); seen && progress) {
                    seen->units.clear();
                    seen->cells.clear();
                    for (unsigned l = chosenLines; l; l &= l - 1) {
                        seen->units.push_back(base + lowest(l));
                        seen->unit(base + lowest(l), Role::Base);
                    }
                    for (unsigned c = covered; c; c &= c - 1) {
                        seen->units.push_back(cover + lowest(c));
                        seen->unit(cover + lowest(c), Role::Cover);
                    }
                    for (int p = 0; p < 81; ++p)
                        if ((g.cand[p] & m) && (chosenLines >> units.of[p][base / 9] % 9 & 1)) {
                            seen->cells.push_back(p);
                            seen->mark(p, m, Role::Pattern);
                        }
                    seen->digits = m;
                }
                return progress;
            });
            if (found)
                return r.counted(tech);
        }
        r.barren(tech, d, g);
    }
    return false;
}

} // namespace zov::puzzles::grading
