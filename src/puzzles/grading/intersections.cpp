// Locked candidates: where a box and a line meet, a digit confined to the meeting cells of one
// of them is not elsewhere in the other.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// A digit that a box holds only in one row or column is not elsewhere in that line.
bool pointing(CandidateGrid &g, Rater &r)
{
    for (int box = 18; box < 27; ++box)
        for (int d = 0; d < 9; ++d) {
            const auto m = static_cast<Mask>(1u << d);
            const Mask at = where(g, box, m);
            if (bits(at) < 2)
                continue;
            int line = -1;
            if ((at & 0007) == at || (at & 0070) == at || (at & 0700) == at)
                line = units.cells[box][lowest(at)] / 9; // a row
            else if ((at & 0111) == at || (at & 0222) == at || (at & 0444) == at)
                line = 9 + units.cells[box][lowest(at)] % 9; // a column
            if (line < 0)
                continue;
            bool progress = false;
            for (const auto p : units.cells[line])
                if (units.of[p][2] != box)
                    progress |= r.remove(g, p, m);
            if (progress) {
                r.counted(Technique::Pointing);
                return true;
            }
        }
    return false;
}

// A digit that a line holds only within one box is not elsewhere in that box.
bool claiming(CandidateGrid &g, Rater &r)
{
    for (int line = 0; line < 18; ++line)
        for (int d = 0; d < 9; ++d) {
            const auto m = static_cast<Mask>(1u << d);
            const Mask at = where(g, line, m);
            if (bits(at) < 2)
                continue;
            if ((at & 0007) != at && (at & 0070) != at && (at & 0700) != at)
                continue;
            const int box = units.of[units.cells[line][lowest(at)]][2];
            bool progress = false;
            for (const auto p : units.cells[box])
                if (units.of[p][line < 9 ? 0 : 1] != line)
                    progress |= r.remove(g, p, m);
            if (progress) {
                r.counted(Technique::Claiming);
                return true;
            }
        }
    return false;
}

} // namespace zov::puzzles::grading
