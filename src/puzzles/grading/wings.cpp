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

// Two cells that can only be x or y, not seeing each other, and a unit where x has only two
// places, one seeing each cell: if the first cell is not y it is x, so the place it sees is
// not x, the other place is, and the second cell is y. One of the two cells is y; no cell
// that sees both can be.
bool wWing(CandidateGrid &g, Rater &r)
{
    for (int p = 0; p < 81; ++p) {
        const Mask pair = g.cand[p];
        if (bits(pair) != 2)
            continue;
        for (int q = p + 1; q < 81; ++q) {
            if (g.cand[q] != pair || units.sees[p][q])
                continue;
            // Only the cells that see both can lose anything: nothing to find without them.
            const Cells both = units.peerSet[p] & units.peerSet[q];
            for (int k = 0; k < 2; ++k) {
                const Mask x
                    = k ? static_cast<Mask>(pair & (pair - 1)) : static_cast<Mask>(pair & -pair);
                const Mask y = static_cast<Mask>(pair & ~x);
                bool any = false;
                both.each([&](int c) { any = any || (g.cand[c] & y); });
                if (!any)
                    continue;
                for (int u = 0; u < 27; ++u) {
                    const Mask at = where(g, u, x);
                    if (bits(at) != 2)
                        continue;
                    const int a = units.cells[u][lowest(at)];
                    const int b = units.cells[u][lowest(static_cast<Mask>(at & (at - 1)))];
                    for (int e = 0; e < 2; ++e) {
                        const int np = e ? b : a, nq = e ? a : b;
                        if (np == p || np == q || nq == p || nq == q || !units.sees[np][p]
                            || !units.sees[nq][q])
                            continue;
                        bool progress = false;
                        both.each([&](int c) {
                            if (c != np && c != nq)
                                progress |= r.remove(g, c, y);
                        });
                        if (!progress)
                            continue;
                        if (auto *seen = r.watched()) {
                            const int dx = lowest(x) + 1, dy = lowest(y) + 1;
                            seen->cells = { p, q, np, nq };
                            seen->units = { u };
                            seen->digits = y;
                            seen->unit(u, Role::Look);
                            seen->chain({ { p, dy }, { p, dx }, { np, dx }, { nq, dx }, { q, dx },
                                            { q, dy } },
                                true);
                        }
                        return r.counted(Technique::WWing);
                    }
                }
            }
        }
    }
    return false;
}

} // namespace zov::puzzles::grading
