// Fish: a digit confined in n rows to the same n columns, or the other way round.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// n rows in which a digit stands only within the same n columns: the digit is in none of
// the other cells of those columns; and the same with rows and columns swapped.
bool fish(CandidateGrid &g, Rater &r, int n, Technique tech)
{
    for (int d = 0; d < 9; ++d) {
        const auto m = static_cast<Mask>(1u << d);
        for (int base = 0; base < 18; base += 9) {
            const int cover = 9 - base; // rows cover columns, columns cover rows
            std::array<Mask, 9> at {};
            std::array<int, 9> lines {};
            int k = 0;
            for (int i = 0; i < 9; ++i) {
                const Mask w = where(g, base + i, m);
                if (bits(w) >= 2 && bits(w) <= n) {
                    at[static_cast<std::size_t>(k)] = w;
                    lines[static_cast<std::size_t>(k++)] = i;
                }
            }
            if (k < n)
                continue;
            for (const Mask pick : units.masks[static_cast<std::size_t>(n)]) {
                if (pick >> k)
                    break;
                Mask covered = 0, chosen = 0;
                for (unsigned s = pick; s; s &= s - 1) {
                    covered = static_cast<Mask>(covered | at[static_cast<std::size_t>(lowest(s))]);
                    chosen = static_cast<Mask>(
                        chosen | (1u << lines[static_cast<std::size_t>(lowest(s))]));
                }
                if (bits(covered) != n)
                    continue;
                bool progress = false;
                for (unsigned c = covered; c; c &= c - 1) {
                    const int line = cover + lowest(c);
                    for (int i = 0; i < 9; ++i)
                        if (!(chosen >> i & 1))
                            progress
                                |= r.remove(g, units.cells[line][static_cast<std::size_t>(i)], m);
                }
                if (progress) {
                    r.counted(tech);
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace zov::puzzles::grading
