// Wings: a pivot cell and two pincers that it sees, which between them force a digit.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {
namespace {

// Each pivot with `size` candidates and each two-candidate peer that `fits` it as a pincer,
// handed to `wing(pivot cell, its candidates, pincer cell, its candidates)` until that makes
// progress, which is counted as `tech`.
template <class Fits, class Wing>
bool eachPivotAndPincer(
    const CandidateGrid &g, Rater &r, int size, Technique tech, Fits fits, Wing wing)
{
    for (int p = 0; p < 81; ++p) {
        const Mask pivot = g.cand[p];
        if (bits(pivot) != size)
            continue;
        for (const auto a : units.peers[p]) {
            const Mask ca = g.cand[a];
            if (bits(ca) != 2 || !fits(pivot, ca))
                continue;
            if (wing(p, pivot, a, ca))
                return r.counted(tech);
        }
    }
    return false;
}

} // namespace

// A pivot {x,y} seeing pincers {x,z} and {y,z}: one pincer is z.
bool xyWing(CandidateGrid &g, Rater &r)
{
    return eachPivotAndPincer(
        g, r, 2, Technique::XYWing, [](Mask pivot, Mask ca) { return bits(ca & pivot) == 1; },
        [&](int p, Mask pivot, int a, Mask ca) {
            const Mask z = static_cast<Mask>(ca & ~pivot);
            const Mask want = static_cast<Mask>((pivot & ~ca) | z);
            for (const auto c : units.peers[p])
                if (c != a && g.cand[c] == want && r.removeSeenBy(g, { a, c }, z)) {
                    if (auto *seen = r.watched()) {
                        seen->cells = { p, a, c };
                        seen->digits = z;
                        seen->mark(p, pivot, Role::Pivot);
                        seen->mark(a, ca, Role::Pincer);
                        seen->mark(c, want, Role::Pincer);
                    }
                    return true;
                }
            return false;
        });
}

// A pivot {x,y,z} seeing pincers {x,z} and {y,z}: one of the three is z.
bool xyzWing(CandidateGrid &g, Rater &r)
{
    return eachPivotAndPincer(
        g, r, 3, Technique::XYZWing, [](Mask pivot, Mask ca) { return (ca & pivot) == ca; },
        [&](int p, Mask pivot, int a, Mask ca) {
            for (const auto c : units.peers[p]) {
                const Mask cc = g.cand[c];
                if (c <= a || bits(cc) != 2 || (cc & pivot) != cc || cc == ca)
                    continue;
                if (r.removeSeenBy(g, { p, a, static_cast<int>(c) }, static_cast<Mask>(ca & cc))) {
                    if (auto *seen = r.watched()) {
                        seen->cells = { p, a, c };
                        seen->digits = static_cast<Mask>(ca & cc);
                        seen->mark(p, pivot, Role::Pivot);
                        seen->mark(a, ca, Role::Pincer);
                        seen->mark(c, cc, Role::Pincer);
                    }
                    return true;
                }
            }
            return false;
        });
}

} // namespace zov::puzzles::grading
