// Almost-locked sets: n cells of one unit holding n+1 digits between them. Should one digit
// leave such a set, the others are locked in it, each in one of its cells.

#include "puzzles/grading/techniques.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace zov::puzzles::grading {
namespace {

bool same(const Cells &a, const Cells &b) { return a.lo == b.lo && a.hi == b.hi; }
bool within(const Cells &a, const Cells &b) { return same(a & b, a); }

struct Als
{
    Cells cells;
    Mask digits = 0;
    int unit = 0;
    std::array<Cells, 9> holding {}; // by digit index, the set's cells that may hold it
    // By digit index, the cells outside the set that may hold it and see all of `holding`.
    std::array<Cells, 9> seers {};
};

// A restricted common digit of two sets: every place of it in one sees every place in the
// other, so at most one of them holds it.
struct Restricted
{
    int a = 0, b = 0; // sets
    Mask digits = 0;
};

// The sets of up to four cells (larger ones are seldom what a person looks for), each once: a
// set inside one box and one line is taken from the line. In `sets`, by unit and then by the
// choice of the unit's open cells, read as a number.
void findSets(const CandidateGrid &g, const std::array<Cells, 9> &plane, std::vector<Als> &sets)
{
    sets.clear();
    for (int u = 0; u < 27; ++u) {
        std::array<int, 9> open {};
        std::array<Mask, 9> cand {};
        int count = 0;
        for (const auto p : units.cells[static_cast<std::size_t>(u)])
            if (!g.grid[p]) {
                cand[static_cast<std::size_t>(count)] = g.cand[p];
                open[static_cast<std::size_t>(count++)] = p;
            }
        // The choices of up to four cells whose digits number one more than they, found
        // cell by cell: a choice with more than five digits leads to no set.
        std::array<unsigned, 255> picks {};
        int found = 0;
        struct Level
        {
            unsigned pick;
            Mask digits;
            int next;
        };
        std::array<Level, 5> stack {};
        int depth = 0;
        stack[0] = { 0, 0, 0 };
        while (depth >= 0) {
            Level &at = stack[static_cast<std::size_t>(depth)];
            if (at.next >= count) {
                --depth;
                continue;
            }
            const int i = at.next++;
            const auto digits = static_cast<Mask>(at.digits | cand[static_cast<std::size_t>(i)]);
            const int n = depth + 1;
            if (bits(digits) > 5)
                continue;
            const unsigned pick = at.pick | 1u << i;
            if (bits(digits) == n + 1 && n < count && !(n == 1 && u >= 9))
                picks[static_cast<std::size_t>(found++)] = pick;
            if (n < 4)
                stack[static_cast<std::size_t>(++depth)] = { pick, digits, i + 1 };
        }
        std::sort(picks.begin(), picks.begin() + found);
        for (int f = 0; f < found; ++f) {
            const unsigned pick = picks[static_cast<std::size_t>(f)];
            const int n = bits(pick);
            if (u >= Units::FirstBox && n > 1) {
                // Within one row or one column of the box: all on the first cell's line.
                const int first = open[static_cast<std::size_t>(std::countr_zero(pick))];
                bool sameRow = true, sameColumn = true;
                for (unsigned k = pick; k; k &= k - 1) {
                    const int p = open[static_cast<std::size_t>(std::countr_zero(k))];
                    sameRow = sameRow && p / 9 == first / 9;
                    sameColumn = sameColumn && p % 9 == first % 9;
                }
                if (sameRow || sameColumn)
                    continue;
            }
            Als &s = sets.emplace_back();
            s.unit = u;
            for (unsigned k = pick; k; k &= k - 1) {
                const int p = open[static_cast<std::size_t>(std::countr_zero(k))];
                s.digits = static_cast<Mask>(s.digits | g.cand[static_cast<std::size_t>(p)]);
                s.cells.add(p);
                for (unsigned m = g.cand[static_cast<std::size_t>(p)]; m; m &= m - 1)
                    s.holding[static_cast<std::size_t>(lowest(m))].add(p);
            }
            for (unsigned m = s.digits; m; m &= m - 1) {
                const auto d = static_cast<std::size_t>(lowest(m));
                Cells all { ~std::uint64_t { 0 }, ~std::uint64_t { 0 } };
                s.holding[d].each([&](int p) { all = all & units.peerSet[p]; });
                s.seers[d] = all & plane[d];
            }
        }
    }
}

// Every pair of disjoint sets with a restricted common digit, found through the sets indexed
// by the first place of each digit: a set's partners for digit x have their first x among the
// cells that see all of its x. Into `pairs`, by the first set.
void restrictedPairs(const std::vector<Als> &sets, std::vector<Restricted> &pairs)
{
    pairs.clear();
    // byFirst[start[c]..start[c + 1]): the sets whose first place of a digit is candidate c
    // (cell * 9 + digit index), in the sets' order.
    auto firstOf = [&](std::size_t k, int x) {
        const Cells &h = sets[k].holding[static_cast<std::size_t>(x)];
        const int p = h.lo ? std::countr_zero(h.lo) : 64 + std::countr_zero(h.hi);
        return static_cast<std::size_t>(p * 9 + x);
    };
    std::array<int, 730> start {};
    for (std::size_t k = 0; k < sets.size(); ++k)
        for (unsigned m = sets[k].digits; m; m &= m - 1)
            ++start[firstOf(k, lowest(m)) + 1];
    for (std::size_t c = 0; c < 729; ++c)
        start[c + 1] += start[c];
    std::vector<int> byFirst(static_cast<std::size_t>(start[729]));
    {
        std::array<int, 729> next {};
        std::copy(start.begin(), start.begin() + 729, next.begin());
        for (std::size_t k = 0; k < sets.size(); ++k)
            for (unsigned m = sets[k].digits; m; m &= m - 1)
                byFirst[static_cast<std::size_t>(next[firstOf(k, lowest(m))]++)]
                    = static_cast<int>(k);
    }
    std::vector<int> at(sets.size(), -1); // the pair with the set being looked at, in `pairs`
    // Each list's first set after the one being looked at: the sets are looked at in order, so
    // the pairs each list holds with an earlier set are passed over once.
    std::array<int, 729> after;
    std::copy(start.begin(), start.begin() + 729, after.begin());
    for (std::size_t a = 0; a < sets.size(); ++a) {
        const Als &A = sets[a];
        const std::size_t before = pairs.size();
        for (unsigned m = A.digits; m; m &= m - 1) {
            const auto x = static_cast<std::size_t>(lowest(m));
            A.seers[x].each([&](int p) {
                const std::size_t c = static_cast<std::size_t>(p) * 9 + x;
                while (after[c] < start[c + 1]
                    && byFirst[static_cast<std::size_t>(after[c])] <= static_cast<int>(a))
                    ++after[c];
                for (int i = after[c]; i < start[c + 1]; ++i) {
                    const int b = byFirst[static_cast<std::size_t>(i)];
                    const Als &B = sets[static_cast<std::size_t>(b)];
                    if ((A.cells & B.cells).any() || !within(B.holding[x], A.seers[x]))
                        continue;
                    if (at[static_cast<std::size_t>(b)] < 0) {
                        at[static_cast<std::size_t>(b)] = static_cast<int>(pairs.size());
                        pairs.push_back({ static_cast<int>(a), b, 0 });
                    }
                    auto &r = pairs[static_cast<std::size_t>(at[static_cast<std::size_t>(b)])];
                    r.digits = static_cast<Mask>(r.digits | (1u << x));
                }
            });
        }
        for (std::size_t k = before; k < pairs.size(); ++k)
            at[static_cast<std::size_t>(pairs[k].b)] = -1;
    }
}

// Whether some digit of `zs` has a place that sees all the places of it in both sets.
bool anySeeingBoth(const Als &a, const Als &b, Mask zs)
{
    for (unsigned m = zs; m; m &= m - 1) {
        const auto z = static_cast<std::size_t>(lowest(m));
        if ((a.seers[z] & b.seers[z]).any())
            return true;
    }
    return false;
}

// Removes every digit of `zs` from the cells that see all the places of it in both sets.
bool removeSeeingBoth(CandidateGrid &g, Rater &r, const Als &a, const Als &b, Mask zs)
{
    bool progress = false;
    for (unsigned m = zs; m; m &= m - 1) {
        const auto z = static_cast<std::size_t>(lowest(m));
        (a.seers[z] & b.seers[z]).each([&](int p) {
            progress |= r.remove(g, p, static_cast<Mask>(1u << z));
        });
    }
    return progress;
}

void tellSet(StepPattern &seen, const CandidateGrid &g, const Als &s, Role role)
{
    seen.unit(s.unit, Role::Look);
    s.cells.each([&](int p) {
        seen.cells.push_back(p);
        seen.mark(p, g.cand[static_cast<std::size_t>(p)], role);
    });
}

// A weak link between the places of digit index `x` in two sets: from the first of each.
void tellRestricted(StepPattern &seen, const Als &a, Role ra, const Als &b, Role rb, int x)
{
    Candidate from { -1, x + 1, ra, -1 }, to { -1, x + 1, rb, -1 };
    a.holding[static_cast<std::size_t>(x)].each([&](int p) {
        if (from.cell < 0)
            from.cell = p;
    });
    b.holding[static_cast<std::size_t>(x)].each([&](int p) {
        if (to.cell < 0)
            to.cell = p;
    });
    seen.links.push_back({ from, to, false });
}

Mask removedDigits(const StepPattern &seen)
{
    Mask digits = 0;
    for (const auto &[p, m] : seen.removed)
        digits = static_cast<Mask>(digits | m);
    return digits;
}

// The sets and their restricted pairs on `g`, kept from the last call with the same
// candidates: both techniques look at the same board one after the other.
struct Found
{
    std::array<Mask, 81> cand {};
    bool valid = false;
    std::vector<Als> sets;
    std::vector<Restricted> pairs;
};

const Found &found(const CandidateGrid &g, Rater &r)
{
    thread_local Found kept;
    if (!kept.valid || kept.cand != g.cand) {
        findSets(g, r.places(g), kept.sets);
        restrictedPairs(kept.sets, kept.pairs);
        kept.cand = g.cand;
        kept.valid = true;
    }
    return kept;
}

} // namespace

// Two sets A and B with a restricted common digit x: one of them lacks x and is locked, so of
// any other digit z both hold, one set has it, and no cell that sees all their places of z
// does.
bool alsXZ(CandidateGrid &g, Rater &r)
{
    const Found &f = found(g, r);
    const auto &sets = f.sets;
    for (const auto &pair : f.pairs) {
        const Als &a = sets[static_cast<std::size_t>(pair.a)],
                  &b = sets[static_cast<std::size_t>(pair.b)];
        const int x = lowest(pair.digits);
        if (!anySeeingBoth(a, b, static_cast<Mask>(a.digits & b.digits & ~(1u << x))))
            continue;
        std::optional<CandidateGrid> before;
        if (r.watched())
            before = g;
        if (!removeSeeingBoth(g, r, a, b, static_cast<Mask>(a.digits & b.digits & ~(1u << x))))
            continue;
        if (auto *seen = r.watched()) {
            seen->cells.clear();
            tellSet(*seen, *before, a, Role::GroupA);
            tellSet(*seen, *before, b, Role::GroupB);
            tellRestricted(*seen, a, Role::GroupA, b, Role::GroupB, x);
            seen->digits = removedDigits(*seen);
        }
        return r.counted(Technique::AlsXZ);
    }
    return false;
}

// A pivot set C with restricted common digits x with a set A and y with a set B: C lacks at most
// one digit, so A lacks x or B lacks y, and that set is locked. Of a digit z that A and B both
// hold, one of them has it; no cell that sees all their places of z does.
bool alsXYWing(CandidateGrid &g, Rater &r)
{
    const Found &f = found(g, r);
    const auto &sets = f.sets;
    const auto &pairs = f.pairs;
    // Each set's partners, in the pairs' order: partners[from[c]..from[c + 1]).
    std::vector<int> from(sets.size() + 1, 0);
    for (const auto &p : pairs) {
        ++from[static_cast<std::size_t>(p.a) + 1];
        ++from[static_cast<std::size_t>(p.b) + 1];
    }
    for (std::size_t c = 0; c < sets.size(); ++c)
        from[c + 1] += from[c];
    // A partner with what the pairs of partners are first sifted by, side by side.
    struct Partner
    {
        Cells cells;
        int set = 0;
        Mask restricted = 0, digits = 0;
    };
    std::vector<Partner> partners(pairs.size() * 2);
    {
        std::vector<int> next(from.begin(), from.end() - 1);
        for (const auto &p : pairs) {
            const Als &a = sets[static_cast<std::size_t>(p.a)],
                      &b = sets[static_cast<std::size_t>(p.b)];
            partners[static_cast<std::size_t>(next[static_cast<std::size_t>(p.a)]++)]
                = { b.cells, p.b, p.digits, b.digits };
            partners[static_cast<std::size_t>(next[static_cast<std::size_t>(p.b)]++)]
                = { a.cells, p.a, p.digits, a.digits };
        }
    }
    for (std::size_t c = 0; c < sets.size(); ++c) {
        const Partner *with = partners.data() + from[c];
        const auto count = static_cast<std::size_t>(from[c + 1] - from[c]);
        for (std::size_t i = 0; i < count; ++i)
            for (std::size_t j = i + 1; j < count; ++j) {
                const Mask common = static_cast<Mask>(with[i].digits & with[j].digits);
                if (bits(common) < 2 || (with[i].cells & with[j].cells).any())
                    continue;
                const Als &a = sets[static_cast<std::size_t>(with[i].set)];
                const Als &b = sets[static_cast<std::size_t>(with[j].set)];
                for (unsigned xs = with[i].restricted; xs; xs &= xs - 1)
                    for (unsigned ys = with[j].restricted; ys; ys &= ys - 1) {
                        const int x = lowest(xs), y = lowest(ys);
                        const Mask zs = static_cast<Mask>(common & ~(1u << x) & ~(1u << y));
                        if (x == y || !anySeeingBoth(a, b, zs))
                            continue;
                        std::optional<CandidateGrid> before;
                        if (r.watched())
                            before = g;
                        if (!removeSeeingBoth(g, r, a, b, zs))
                            continue;
                        if (auto *seen = r.watched()) {
                            seen->cells.clear();
                            tellSet(*seen, *before, sets[c], Role::Pivot);
                            tellSet(*seen, *before, a, Role::GroupA);
                            tellSet(*seen, *before, b, Role::GroupB);
                            tellRestricted(*seen, a, Role::GroupA, sets[c], Role::Pivot, x);
                            tellRestricted(*seen, b, Role::GroupB, sets[c], Role::Pivot, y);
                            seen->digits = removedDigits(*seen);
                        }
                        return r.counted(Technique::AlsXYWing);
                    }
            }
    }
    return false;
}

} // namespace zov::puzzles::grading
