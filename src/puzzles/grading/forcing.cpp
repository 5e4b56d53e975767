// Forcing chains and nets: what follows from assuming a candidate holds (or not). A chain
// follows single links only: a candidate that holds rules out those that see it, and one that
// does not forces the other end of a strong link. A net also follows the singles that several
// ruled-out candidates leave together.

#include "puzzles/grading/record.h"
#include "puzzles/grading/techniques.h"

#include <vector>

namespace zov::puzzles::grading {
namespace {

// What an assumption led to: candidates (cell*9 + digit-1) found to hold, and found not to.
struct Consequences
{
    std::array<bool, 729> on {}, off {};
    bool broken = false;
    int brokenAt = -1; // a candidate found both to hold and not to, or a cell or unit emptied
    std::vector<int> order; // candidates in the order they were found, each + 729 when on
};

int idOf(int p, int d) { return p * 9 + d - 1; }

// Single links from candidate `id` being `on` (or off).
Consequences followChain(const CandidateGrid &g, int id, bool on)
{
    Consequences c;
    std::vector<std::pair<int, bool>> queue { { id, on } };
    (on ? c.on : c.off)[static_cast<std::size_t>(id)] = true;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const auto [x, isOn] = queue[head];
        c.order.push_back(x + (isOn ? 729 : 0));
        const int p = x / 9, d = x % 9 + 1;
        auto reachOn = [&](int y) {
            if (c.on[static_cast<std::size_t>(y)])
                return;
            c.on[static_cast<std::size_t>(y)] = true;
            if (c.off[static_cast<std::size_t>(y)] && !c.broken) {
                c.broken = true;
                c.brokenAt = y;
            }
            queue.push_back({ y, true });
        };
        auto reachOff = [&](int y) {
            if (c.off[static_cast<std::size_t>(y)])
                return;
            c.off[static_cast<std::size_t>(y)] = true;
            if (c.on[static_cast<std::size_t>(y)] && !c.broken) {
                c.broken = true;
                c.brokenAt = y;
            }
            queue.push_back({ y, false });
        };
        if (isOn) {
            for (unsigned m = g.cand[static_cast<std::size_t>(p)] & ~digitBit(d); m; m &= m - 1)
                reachOff(idOf(p, lowest(m) + 1));
            for (const auto q : units.peers[static_cast<std::size_t>(p)])
                if (g.cand[q] & digitBit(d))
                    reachOff(idOf(q, d));
        } else {
            const Mask rest = static_cast<Mask>(g.cand[static_cast<std::size_t>(p)] & ~digitBit(d));
            if (bits(rest) == 1)
                reachOn(idOf(p, lowest(rest) + 1));
            for (int t = 0; t < 3; ++t) {
                const int u = units.of[static_cast<std::size_t>(p)][static_cast<std::size_t>(t)];
                const Mask at = where(g, u, digitBit(d));
                if (bits(at) != 2)
                    continue;
                for (unsigned k = at; k; k &= k - 1) {
                    const int q = units.cells[static_cast<std::size_t>(u)]
                                             [static_cast<std::size_t>(lowest(k))];
                    if (q != p)
                        reachOn(idOf(q, d));
                }
            }
        }
        if (c.broken)
            break;
    }
    return c;
}

// Every single that follows, on a copy of the board, with what it found.
Consequences followNet(const CandidateGrid &start, int id, bool on)
{
    Consequences c;
    CandidateGrid g = start;
    std::vector<std::pair<int, int>> placed; // cell, digit
    auto placeAt = [&](int p, int d) {
        g.grid[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(d);
        for (unsigned m = g.cand[static_cast<std::size_t>(p)] & ~digitBit(d); m; m &= m - 1)
            c.off[static_cast<std::size_t>(idOf(p, lowest(m) + 1))] = true;
        g.cand[static_cast<std::size_t>(p)] = 0;
        c.on[static_cast<std::size_t>(idOf(p, d))] = true;
        c.order.push_back(idOf(p, d) + 729);
        for (const auto q : units.peers[static_cast<std::size_t>(p)])
            if (g.cand[q] & digitBit(d)) {
                g.cand[q] = static_cast<Mask>(g.cand[q] & ~digitBit(d));
                c.off[static_cast<std::size_t>(idOf(q, d))] = true;
            }
    };
    if (on) {
        placeAt(id / 9, id % 9 + 1);
    } else {
        g.cand[static_cast<std::size_t>(id / 9)] &= static_cast<Mask>(~digitBit(id % 9 + 1));
        c.off[static_cast<std::size_t>(id)] = true;
        c.order.push_back(id);
    }
    for (bool progress = true; progress;) {
        progress = false;
        for (int p = 0; p < 81; ++p) {
            if (g.grid[static_cast<std::size_t>(p)])
                continue;
            const Mask m = g.cand[static_cast<std::size_t>(p)];
            if (!m) {
                c.broken = true;
                c.brokenAt = p * 9;
                return c;
            }
            if (bits(m) == 1) {
                placeAt(p, lowest(m) + 1);
                progress = true;
            }
        }
        for (int u = 0; u < 27; ++u) {
            Mask placedHere = 0;
            for (const auto p : units.cells[static_cast<std::size_t>(u)])
                if (g.grid[p])
                    placedHere = static_cast<Mask>(placedHere | digitBit(g.grid[p]));
            for (int d = 1; d <= 9; ++d) {
                if (placedHere & digitBit(d))
                    continue;
                const Mask at = where(g, u, digitBit(d));
                if (!at) {
                    c.broken = true;
                    c.brokenAt = units.cells[static_cast<std::size_t>(u)][0] * 9 + d - 1;
                    return c;
                }
                if (bits(at) == 1) {
                    const int p = units.cells[static_cast<std::size_t>(u)]
                                             [static_cast<std::size_t>(lowest(at))];
                    if (g.grid[static_cast<std::size_t>(p)])
                        continue;
                    placeAt(p, d);
                    placedHere = static_cast<Mask>(placedHere | digitBit(d));
                    progress = true;
                }
            }
        }
    }
    return c;
}

using Follow = Consequences (*)(const CandidateGrid &, int, bool);

void tellAssumption(StepPattern *seen, const Consequences &c, int id, int branch)
{
    if (!seen)
        return;
    tellCandidate(seen, id / 9, id % 9 + 1, Role::Assumed, branch);
    int order = 0;
    for (const int x : c.order)
        if (x >= 729 && x - 729 != id)
            tellCandidate(seen, (x - 729) / 9, (x - 729) % 9 + 1, Role::Forced, order++);
}

// A candidate whose holding (or not holding) leads to a contradiction: it does not hold (or
// holds).
bool contradiction(CandidateGrid &g, Rater &r, Follow follow, Technique tech)
{
    for (int p = 0; p < 81; ++p)
        for (unsigned m = g.cand[static_cast<std::size_t>(p)]; m; m &= m - 1) {
            const int d = lowest(m) + 1, id = idOf(p, d);
            for (const bool on : { true, false }) {
                const Consequences c = follow(g, id, on);
                if (!c.broken)
                    continue;
                if (auto *seen = r.watched()) {
                    seen->cells = { p };
                    seen->digits = digitBit(d);
                    tellAssumption(seen, c, id, 0);
                    tellCandidate(seen, c.brokenAt / 9, c.brokenAt % 9 + 1, Role::Empty);
                }
                if (on)
                    r.remove(g, p, digitBit(d));
                else
                    r.place(g, p, d);
                tellRemovals(r.watched());
                return r.counted(tech);
            }
        }
    return false;
}

// What every one of `ids` holding leads to alike holds. A branch that breaks down cannot be
// the truth and is left out.
bool allBranches(CandidateGrid &g, Rater &r, Follow follow, const std::vector<int> &ids,
    Technique tech, int unit)
{
    std::array<bool, 729> on, off;
    on.fill(true);
    off.fill(true);
    std::vector<Consequences> kept;
    for (const int id : ids) {
        Consequences c = follow(g, id, true);
        if (c.broken)
            continue;
        for (std::size_t k = 0; k < 729; ++k) {
            on[k] = on[k] && c.on[k];
            off[k] = off[k] && c.off[k];
        }
        kept.push_back(std::move(c));
    }
    if (kept.size() < 2)
        return false; // a contradiction, which is another technique's
    for (int x = 0; x < 729; ++x) {
        const int p = x / 9, d = x % 9 + 1;
        if (on[static_cast<std::size_t>(x)] && !g.grid[static_cast<std::size_t>(p)]
            && (g.cand[static_cast<std::size_t>(p)] & digitBit(d))) {
            if (auto *seen = r.watched()) {
                seen->cells = { p };
                seen->digits = digitBit(d);
                if (unit >= 0)
                    tellUnit(seen, unit, Role::Look);
                for (std::size_t b = 0; b < kept.size(); ++b)
                    tellAssumption(seen, kept[b], ids[b], static_cast<int>(b));
            }
            r.place(g, p, d);
            return r.counted(tech);
        }
    }
    bool progress = false;
    for (int x = 0; x < 729; ++x)
        if (off[static_cast<std::size_t>(x)])
            progress |= r.remove(g, x / 9, digitBit(x % 9 + 1));
    if (!progress)
        return false;
    if (auto *seen = r.watched()) {
        seen->cells.clear();
        Mask digits = 0;
        for (const auto &[p, m] : seen->removed)
            digits = static_cast<Mask>(digits | m);
        seen->digits = digits;
        if (unit >= 0)
            tellUnit(seen, unit, Role::Look);
        for (std::size_t b = 0; b < kept.size(); ++b)
            tellAssumption(seen, kept[b], ids[b], static_cast<int>(b));
        tellRemovals(seen);
    }
    return r.counted(tech);
}

bool fromCells(CandidateGrid &g, Rater &r, Follow follow, Technique tech)
{
    for (int n = 2; n <= 9; ++n)
        for (int p = 0; p < 81; ++p) {
            const Mask m = g.cand[static_cast<std::size_t>(p)];
            if (bits(m) != n)
                continue;
            std::vector<int> ids;
            for (unsigned k = m; k; k &= k - 1)
                ids.push_back(idOf(p, lowest(k) + 1));
            if (allBranches(g, r, follow, ids, tech, -1))
                return true;
        }
    return false;
}

bool fromUnits(CandidateGrid &g, Rater &r, Follow follow, Technique tech)
{
    for (int n = 2; n <= 9; ++n)
        for (int k = 0; k < 27; ++k) {
            const int u = boxFirst(k);
            for (int d = 1; d <= 9; ++d) {
                const Mask at = where(g, u, digitBit(d));
                if (bits(at) != n)
                    continue;
                std::vector<int> ids;
                for (unsigned i = at; i; i &= i - 1)
                    ids.push_back(idOf(units.cells[static_cast<std::size_t>(u)]
                                                  [static_cast<std::size_t>(lowest(i))],
                        d));
                if (allBranches(g, r, follow, ids, tech, u))
                    return true;
            }
        }
    return false;
}

} // namespace

bool contradictionChain(CandidateGrid &g, Rater &r)
{
    return contradiction(g, r, followChain, Technique::ContradictionChain);
}
bool cellForcingChain(CandidateGrid &g, Rater &r)
{
    return fromCells(g, r, followChain, Technique::CellForcingChain);
}
bool unitForcingChain(CandidateGrid &g, Rater &r)
{
    return fromUnits(g, r, followChain, Technique::UnitForcingChain);
}
// Nets: a contradiction, then a cell's candidates, then a unit's places of a digit.
bool forcingNet(CandidateGrid &g, Rater &r)
{
    return contradiction(g, r, followNet, Technique::ForcingNet)
        || fromCells(g, r, followNet, Technique::ForcingNet)
        || fromUnits(g, r, followNet, Technique::ForcingNet);
}

} // namespace zov::puzzles::grading
