// W-wing: two cells with the same two candidates, joined by a strong link of one of them.

#include "puzzles/grading/record.h"
#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// Cells P and Q both {x,y}, not seeing each other, and a unit where x has only two places, one
// seeing P and the other Q: if P is not y it is x, so the strong link's end it sees is not x
// and the other end is, and Q is y. One of P and Q is y; no cell that sees both is.
bool wWing(CandidateGrid &g, Rater &r)
{
    for (int p = 0; p < 81; ++p) {
        const Mask pair = g.cand[static_cast<std::size_t>(p)];
        if (bits(pair) != 2)
            continue;
        for (int q = p + 1; q < 81; ++q) {
            if (g.cand[static_cast<std::size_t>(q)] != pair
                || units.sees[static_cast<std::size_t>(p)][static_cast<std::size_t>(q)])
                continue;
            for (int k = 0; k < 2; ++k) {
                const Mask x
                    = k ? static_cast<Mask>(pair & (pair - 1)) : static_cast<Mask>(pair & -pair);
                const Mask y = static_cast<Mask>(pair & ~x);
                for (int u = 0; u < 27; ++u) {
                    const Mask at = where(g, u, x);
                    if (bits(at) != 2)
                        continue;
                    const auto &cells = units.cells[static_cast<std::size_t>(u)];
                    const int a = cells[static_cast<std::size_t>(lowest(at))];
                    const int b
                        = cells[static_cast<std::size_t>(lowest(static_cast<Mask>(at & (at - 1))))];
                    for (int e = 0; e < 2; ++e) {
                        const int np = e ? b : a, nq = e ? a : b;
                        if (np == p || np == q || nq == p || nq == q
                            || !units
                                    .sees[static_cast<std::size_t>(np)][static_cast<std::size_t>(p)]
                            || !units.sees[static_cast<std::size_t>(nq)]
                                          [static_cast<std::size_t>(q)])
                            continue;
                        if (!r.removeSeenBy(g, { p, q }, y))
                            continue;
                        if (auto *seen = r.watched()) {
                            const int dx = lowest(x) + 1, dy = lowest(y) + 1;
                            seen->cells = { p, q, np, nq };
                            seen->units = { u };
                            seen->digits = y;
                            tellUnit(seen, u, Role::Look);
                            tellCandidate(seen, p, dx, Role::Pincer);
                            tellCandidate(seen, p, dy, Role::Pincer);
                            tellCandidate(seen, q, dx, Role::Pincer);
                            tellCandidate(seen, q, dy, Role::Pincer);
                            const Candidate c[6]
                                = { { p, dy, Role::Node, 0 }, { p, dx, Role::Node, 1 },
                                      { np, dx, Role::Node, 2 }, { nq, dx, Role::Node, 3 },
                                      { q, dx, Role::Node, 4 }, { q, dy, Role::Node, 5 } };
                            tellCandidate(seen, np, dx, Role::Node, 2);
                            tellCandidate(seen, nq, dx, Role::Node, 3);
                            for (int i = 0; i < 5; ++i)
                                tellLink(seen, c[i], c[i + 1], i % 2 == 0);
                            tellRemovals(seen);
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
