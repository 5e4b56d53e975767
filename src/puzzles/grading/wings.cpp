// Wings: a pivot cell and two pincers that it sees, which between them force a digit.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// A pivot {x,y} seeing pincers {x,z} and {y,z}: one pincer is z.
bool xyWing(CandidateGrid &g, Rater &r)
{
    for (int p = 0; p < 81; ++p) {
        const Mask pivot = g.cand[p];
        if (bits(pivot) != 2)
            continue;
        for (const auto a : units.peers[p]) {
            const Mask ca = g.cand[a];
            if (bits(ca) != 2 || bits(ca & pivot) != 1)
                continue;
            const Mask z = static_cast<Mask>(ca & ~pivot);
            const Mask want = static_cast<Mask>((pivot & ~ca) | z);
            for (const auto c : units.peers[p])
                if (c != a && g.cand[c] == want && r.removeSeenBy(g, { a, c }, z)) {
                    r.counted(Technique::XYWing);
                    return true;
                }
        }
    }
    return false;
}

// A pivot {x,y,z} seeing pincers {x,z} and {y,z}: one of the three is z.
bool xyzWing(CandidateGrid &g, Rater &r)
{
    for (int p = 0; p < 81; ++p) {
        const Mask pivot = g.cand[p];
        if (bits(pivot) != 3)
            continue;
        for (const auto a : units.peers[p]) {
            const Mask ca = g.cand[a];
            if (bits(ca) != 2 || (ca & pivot) != ca)
                continue;
            for (const auto c : units.peers[p]) {
                const Mask cc = g.cand[c];
                if (c <= a || bits(cc) != 2 || (cc & pivot) != cc || cc == ca)
                    continue;
                const Mask z = static_cast<Mask>(ca & cc);
                if (r.removeSeenBy(g, { p, a, c }, z)) {
                    r.counted(Technique::XYZWing);
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace zov::puzzles::grading
