// Almost-locked sets: n cells of one unit holding n+1 digits between them. Should one digit
// leave the set, the others are locked in it.

#include "puzzles/grading/record.h"
#include "puzzles/grading/techniques.h"

#include <algorithm>
#include <set>
#include <vector>

namespace zov::puzzles::grading {
namespace {

struct Als
{
    Cells cells;
    Mask digits = 0;
    std::array<Cells, 9> holding {}; // by digit, the set's cells that may hold it
    std::array<Cells, 9> seers {}; // by digit, the cells that see all of `holding`
};

bool sameCells(const Cells &a, const Cells &b) { return a.lo == b.lo && a.hi == b.hi; }

// Sets of up to five cells: larger ones are rarely what a person looks for.
std::vector<Als> findSets(const CandidateGrid &g)
{
    std::vector<Als> sets;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen; // a set of a box and a line once
    for (int u = 0; u < 27; ++u) {
        std::array<int, 9> open {};
        int count = 0;
        for (const auto p : units.cells[static_cast<std::size_t>(u)])
            if (!g.grid[p])
                open[static_cast<std::size_t>(count++)] = p;
        for (unsigned pick = 1; pick < (1u << count); ++pick) {
            const int n = std::popcount(pick);
            if (n > 5 || n >= count)
                continue;
            Mask digits = 0;
            Als s;
            for (unsigned k = pick; k; k &= k - 1) {
                const int p = open[static_cast<std::size_t>(std::countr_zero(k))];
                digits = static_cast<Mask>(digits | g.cand[static_cast<std::size_t>(p)]);
                s.cells.add(p);
            }
            if (bits(digits) != n + 1)
                continue;
            if (!seen.insert({ s.cells.lo, s.cells.hi }).second)
                continue;
            s.digits = digits;
            s.cells.each([&](int p) {
                for (unsigned m = g.cand[static_cast<std::size_t>(p)]; m; m &= m - 1)
                    s.holding[static_cast<std::size_t>(lowest(m))].add(p);
            });
            for (unsigned m = digits; m; m &= m - 1) {
                const auto d = static_cast<std::size_t>(lowest(m));
                Cells all { ~std::uint64_t { 0 }, ~std::uint64_t { 0 } };
                s.holding[d].each(
                    [&](int p) { all = all & units.peerSet[static_cast<std::size_t>(p)]; });
                s.seers[d] = all;
            }
            sets.push_back(s);
        }
    }
    return sets;
}

bool disjoint(const Als &a, const Als &b) { return !(a.cells & b.cells).any(); }

// The digits both sets hold whose places in the one all see those in the other: at most one
// of the two sets holds such a digit (a restricted common digit).
Mask restricted(const Als &a, const Als &b)
{
    Mask rcc = 0;
    for (unsigned m = a.digits & b.digits; m; m &= m - 1) {
        const auto d = static_cast<std::size_t>(lowest(m));
        if (sameCells(a.seers[d] & b.holding[d], b.holding[d]))
            rcc = static_cast<Mask>(rcc | (1u << d));
    }
    return rcc;
}

// Removes digit index `z` from every cell outside the sets that sees all their places of it.
bool removeSeeingAll(CandidateGrid &g, Rater &r, const Als &a, const Als &b, int z)
{
    const auto d = static_cast<std::size_t>(z);
    bool progress = false;
    (a.seers[d] & b.seers[d]).each([&](int p) {
        progress |= r.remove(g, p, static_cast<Mask>(1u << z));
    });
    return progress;
}

void tellSet(StepPattern *seen, const CandidateGrid &g, const Als &s, Role role)
{
    if (!seen)
        return;
    s.cells.each([&](int p) {
        seen->cells.push_back(p);
        for (unsigned m = g.cand[static_cast<std::size_t>(p)]; m; m &= m - 1)
            tellCandidate(seen, p, lowest(m) + 1, role);
    });
}

void tellRestricted(StepPattern *seen, const Als &a, const Als &b, int x)
{
    if (!seen)
        return;
    Candidate from, to;
    a.holding[static_cast<std::size_t>(x)].each([&](int p) { from = { p, x + 1, Role::Node, 0 }; });
    b.holding[static_cast<std::size_t>(x)].each([&](int p) { to = { p, x + 1, Role::Node, 1 }; });
    tellLink(seen, from, to, false);
}

} // namespace

// Two sets A and B with a restricted common digit x (its places in A all see those in B, so
// at most one set holds it): the other one is locked, so of any other digit z both hold, one
// set has it, and no cell that sees all their places of z does.
bool alsXZ(CandidateGrid &g, Rater &r)
{
    const auto sets = findSets(g);
    for (std::size_t i = 0; i < sets.size(); ++i)
        for (std::size_t j = i + 1; j < sets.size(); ++j) {
            const Als &a = sets[i], &b = sets[j];
            if (!disjoint(a, b))
                continue;
            const Mask rcc = restricted(a, b);
            if (!rcc)
                continue;
            const int x = lowest(rcc);
            const CandidateGrid before = g;
            bool progress = false;
            for (unsigned m = a.digits & b.digits & ~(1u << x); m; m &= m - 1)
                progress |= removeSeeingAll(g, r, a, b, lowest(m));
            if (!progress)
                continue;
            if (auto *seen = r.watched()) {
                seen->cells.clear();
                tellSet(seen, before, a, Role::GroupA);
                tellSet(seen, before, b, Role::GroupB);
                tellRestricted(seen, a, b, x);
                Mask digits = 0;
                for (const auto &[p, m] : seen->removed)
                    digits = static_cast<Mask>(digits | m);
                seen->digits = digits;
                tellRemovals(seen);
            }
            return r.counted(Technique::AlsXZ);
        }
    return false;
}

// A pivot set C with restricted common digits x with set A and y with set B: C loses at most
// one digit, so A loses x or B loses y, and that set is locked. Of a digit z that A and B
// both hold, one of them has it; no cell that sees all their places of z does.
bool alsXYWing(CandidateGrid &g, Rater &r)
{
    const auto sets = findSets(g);
    for (std::size_t c = 0; c < sets.size(); ++c) {
        std::vector<std::pair<std::size_t, Mask>> partners;
        for (std::size_t k = 0; k < sets.size(); ++k)
            if (k != c && disjoint(sets[c], sets[k]))
                if (const Mask rcc = restricted(sets[c], sets[k]))
                    partners.emplace_back(k, rcc);
        for (std::size_t i = 0; i < partners.size(); ++i)
            for (std::size_t j = i + 1; j < partners.size(); ++j) {
                const Als &a = sets[partners[i].first], &b = sets[partners[j].first];
                if (!disjoint(a, b))
                    continue;
                for (unsigned xs = partners[i].second; xs; xs &= xs - 1)
                    for (unsigned ys = partners[j].second; ys; ys &= ys - 1) {
                        const int x = lowest(xs), y = lowest(ys);
                        if (x == y)
                            continue;
                        const CandidateGrid before = g;
                        bool progress = false;
                        for (unsigned m = a.digits & b.digits & ~(1u << x) & ~(1u << y); m;
                             m &= m - 1)
                            progress |= removeSeeingAll(g, r, a, b, lowest(m));
                        if (!progress)
                            continue;
                        if (auto *seen = r.watched()) {
                            seen->cells.clear();
                            tellSet(seen, before, sets[c], Role::Pivot);
                            tellSet(seen, before, a, Role::GroupA);
                            tellSet(seen, before, b, Role::GroupB);
                            tellRestricted(seen, a, sets[c], x);
                            tellRestricted(seen, b, sets[c], y);
                            Mask digits = 0;
                            for (const auto &[p, m] : seen->removed)
                                digits = static_cast<Mask>(digits | m);
                            seen->digits = digits;
                            tellRemovals(seen);
                        }
                        return r.counted(Technique::AlsXYWing);
                    }
            }
    }
    return false;
}

} // namespace zov::puzzles::grading
