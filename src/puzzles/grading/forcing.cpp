// Forcing chains and nets: what follows from assuming a candidate holds (or not). A chain
// follows single links only (implications.h); a net places every single the assumption leaves,
// however many removals each needs. An assumption that leaves a cell or a unit without a digit
// is false; what every candidate of a cell, or every place of a digit in a unit, leads to alike
// is true.
//
// The record: the assumptions (Role::Assumed, `order` the branch), the digits each forces
// (Role::Forced, numbered on across the branches in the order told; `removed`-style reasons
// are the words' to find), and what they lead to.

#include "puzzles/grading/implications.h"
#include "puzzles/grading/techniques.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace zov::puzzles::grading {
namespace {

// What a net found: the digits placed in order, each with the unit it was the last place of
// (-1 where the cell had one digit left), and where it broke down.
struct Net
{
    std::array<std::uint64_t, 12> on {}, off {}; // candidates, cell * 9 + digit - 1
    std::vector<std::pair<int, int>> placed; // candidate, unit or -1
    std::optional<Break> broken;
};

void set(std::array<std::uint64_t, 12> &s, int id)
{
    s[static_cast<std::size_t>(id / 64)] |= std::uint64_t { 1 } << (id % 64);
}

// The first contradiction that `from` leads to: a cell whose candidates all fail, or a unit
// where a digit's places all fail, cells first, then units as people look at them.
std::optional<Break> emptied(const CandidateGrid &g, const Implications &im, int from)
{
    // What fails, by cell, from the literals `from` leads to: a failing single is an even one.
    std::array<Mask, 81> failing {};
    const std::uint64_t *row = im.row(from);
    for (int i = 0; i < im.words(); ++i)
        for (std::uint64_t w = row[i] & 0x5555555555555555u; w; w &= w - 1) {
            const int node = nodeOf(i * 64 + std::countr_zero(w));
            if (node >= im.singles())
                break;
            const ChainNode &n = im.nodes()[static_cast<std::size_t>(node)];
            failing[static_cast<std::size_t>(n.cell)] |= digitBit(n.digit);
        }
    for (int p = 0; p < 81; ++p) {
        const Mask c = g.cand[static_cast<std::size_t>(p)];
        if (!g.grid[static_cast<std::size_t>(p)] && c
            && (c & ~failing[static_cast<std::size_t>(p)]) == 0)
            return Break { p, -1, 0 };
    }
    for (int k = 0; k < 27; ++k) {
        const int u = boxFirst(k);
        Mask held = 0; // placed, or with a place that does not fail
        for (const auto p : units.cells[static_cast<std::size_t>(u)])
            held = static_cast<Mask>(held
                | (g.grid[p] ? digitBit(g.grid[p])
                             : g.cand[p] & ~failing[static_cast<std::size_t>(p)]));
        if (const auto lost = static_cast<Mask>(AllDigits & ~held))
            return Break { -1, u, lowest(lost) + 1 };
    }
    return std::nullopt;
}

// Every single that `assumption` (a candidate held) leaves, placed on a copy of the board.
Net followNet(const CandidateGrid &start, int cell, int digit)
{
    Net n;
    CandidateGrid g = start;
    auto place = [&](int p, int d, int unit) {
        g.grid[static_cast<std::size_t>(p)] = static_cast<std::uint8_t>(d);
        for (unsigned m = g.cand[static_cast<std::size_t>(p)] & ~digitBit(d); m; m &= m - 1)
            set(n.off, p * 9 + lowest(m));
        g.cand[static_cast<std::size_t>(p)] = 0;
        set(n.on, p * 9 + d - 1);
        n.placed.emplace_back(p * 9 + d - 1, unit);
        for (const auto q : units.peers[static_cast<std::size_t>(p)])
            if (g.cand[q] & digitBit(d)) {
                g.cand[q] = static_cast<Mask>(g.cand[q] & ~digitBit(d));
                set(n.off, q * 9 + d - 1);
            }
    };
    place(cell, digit, -1);
    for (bool progress = true; progress;) {
        progress = false;
        if ((n.broken = brokenAt(g)))
            return n;
        for (int p = 0; p < 81; ++p)
            if (!g.grid[static_cast<std::size_t>(p)]
                && bits(g.cand[static_cast<std::size_t>(p)]) == 1) {
                place(p, lowest(g.cand[static_cast<std::size_t>(p)]) + 1, -1);
                progress = true;
                if ((n.broken = brokenAt(g)))
                    return n;
            }
        for (int k = 0; k < 27; ++k) {
            const int u = boxFirst(k);
            for (Mask m = hiddenIn(g, u); m; m = hiddenIn(g, u)) {
                for (const auto p : units.cells[static_cast<std::size_t>(u)])
                    if (g.cand[p] & m) {
                        place(p, lowest(m) + 1, u);
                        break;
                    }
                progress = true;
                if ((n.broken = brokenAt(g)))
                    return n;
            }
        }
    }
    return n;
}

// The chain of literals that leads from `from` to each of `targets`, merged: the candidates held
// along them in the order a search from `from` meets them, with the reason each holds (a cell
// with one digit left, -1, or the unit where it is the last place). The start is left out.
std::vector<std::pair<int, int>> forcedAlong(
    const CandidateGrid &g, const Implications &im, int from, const std::vector<int> &targets)
{
    std::vector<char> needed(im.nodes().size() * 2, 0);
    for (const int t : targets)
        for (const int l : im.path(from, t))
            needed[static_cast<std::size_t>(l)] = 1;
    // The paths' literals again, in the order of a search from `from`: each one's cause is
    // met before it.
    std::vector<int> order { from }, parent(im.nodes().size() * 2, -2);
    parent[static_cast<std::size_t>(from)] = -1;
    for (std::size_t head = 0; head < order.size(); ++head)
        for (const int *w = im.begin(order[head]); w != im.end(order[head]); ++w)
            if (parent[static_cast<std::size_t>(*w)] == -2) {
                parent[static_cast<std::size_t>(*w)] = order[head];
                order.push_back(*w);
            }
    std::vector<std::pair<int, int>> forced;
    for (const int l : order) {
        if (l == from || !needed[static_cast<std::size_t>(l)] || !isHolding(l))
            continue;
        const ChainNode &n = im.nodes()[static_cast<std::size_t>(nodeOf(l))];
        const int cause = parent[static_cast<std::size_t>(l)];
        const int unit = cause >= 0
            ? strongUnit(g, im.nodes()[static_cast<std::size_t>(nodeOf(cause))], n)
            : -1;
        forced.emplace_back(n.cell * 9 + n.digit - 1, unit);
    }
    return forced;
}

void tellAssumed(StepPattern &seen, int cell, int digit, bool holding, int branch,
    const std::vector<std::pair<int, int>> &forced)
{
    (void)holding; // the step's result says which: a placement assumed the candidate failed
    seen.cells.push_back(cell);
    seen.candidates.push_back({ cell, digit, Role::Assumed, branch });
    int order = 0;
    for (const auto &c : seen.candidates)
        if (c.role == Role::Forced)
            order = std::max(order, c.order + 1);
    for (const auto &[id, unit] : forced) {
        seen.candidates.push_back({ id / 9, id % 9 + 1, Role::Forced, order++ });
        seen.reasons.push_back(unit);
    }
}

void tellBreak(StepPattern &seen, const Break &b)
{
    if (b.cell >= 0)
        seen.candidates.push_back({ b.cell, 0, Role::Empty, -1 });
    else
        seen.unit(b.unit, Role::Empty);
    seen.emptyDigit = b.digit;
}

// The candidates whose failing the contradiction at `b` consists of, as literals.
std::vector<int> failing(const CandidateGrid &g, const Implications &im, const Break &b)
{
    std::vector<int> lits;
    if (b.cell >= 0) {
        for (unsigned m = g.cand[static_cast<std::size_t>(b.cell)]; m; m &= m - 1)
            lits.push_back(fails(im.node(b.cell, lowest(m) + 1)));
    } else {
        for (const auto p : units.cells[static_cast<std::size_t>(b.unit)])
            if (g.cand[p] & digitBit(b.digit))
                lits.push_back(fails(im.node(p, b.digit)));
    }
    return lits;
}

// The result of a forcing step: the candidate `id` placed (`holding`) or removed.
bool conclude(CandidateGrid &g, Rater &r, int id, bool holding, Technique tech)
{
    if (holding)
        r.place(g, id / 9, id % 9 + 1);
    else
        r.remove(g, id / 9, digitBit(id % 9 + 1));
    if (auto *seen = r.watched())
        seen->digits = digitBit(id % 9 + 1);
    return r.counted(tech);
}

// A candidate assumed to hold, or not to, that leaves a cell or a unit without a digit along
// chains: it fails, or holds.
bool chainContradiction(CandidateGrid &g, Rater &r)
{
    const Implications &im = implicationsOf(g, false);
    for (int c = 0; c < im.singles(); ++c)
        for (const bool holding : { true, false }) {
            const int from = holding ? holds(c) : fails(c);
            const auto b = emptied(g, im, from);
            if (!b)
                continue;
            const ChainNode &n = im.nodes()[static_cast<std::size_t>(c)];
            if (auto *seen = r.watched()) {
                seen->cells.clear();
                tellAssumed(*seen, n.cell, n.digit, holding, 0,
                    forcedAlong(g, im, from, failing(g, im, *b)));
                tellBreak(*seen, *b);
            }
            return conclude(
                g, r, n.cell * 9 + n.digit - 1, !holding, Technique::ContradictionChain);
        }
    return false;
}

// The branches: a cell's candidates, or a digit's places in a unit (`unit`), each assumed to
// hold. What all of them lead to alike is the step: a digit placed first, else one removed.
bool allBranches(CandidateGrid &g, Rater &r, const Implications &im, const std::vector<int> &ids,
    int unit, Technique tech)
{
    std::vector<std::uint64_t> common(im.row(holds(im.node(ids[0] / 9, ids[0] % 9 + 1))),
        im.row(holds(im.node(ids[0] / 9, ids[0] % 9 + 1))) + im.words());
    for (std::size_t b = 1; b < ids.size(); ++b) {
        const std::uint64_t *row = im.row(holds(im.node(ids[b] / 9, ids[b] % 9 + 1)));
        for (int i = 0; i < im.words(); ++i)
            common[static_cast<std::size_t>(i)] &= row[i];
    }
    auto has = [&](int l) { return common[static_cast<std::size_t>(l / 64)] >> (l % 64) & 1; };
    int target = -1;
    for (const bool holding : { true, false }) {
        for (int x = 0; x < im.singles() && target < 0; ++x)
            if (has(holding ? holds(x) : fails(x))
                && std::find(ids.begin(), ids.end(),
                       im.nodes()[static_cast<std::size_t>(x)].cell * 9
                           + im.nodes()[static_cast<std::size_t>(x)].digit - 1)
                    == ids.end())
                target = holding ? holds(x) : fails(x);
        if (target >= 0)
            break;
    }
    if (target < 0)
        return false;
    const ChainNode &t = im.nodes()[static_cast<std::size_t>(nodeOf(target))];
    if (auto *seen = r.watched()) {
        seen->cells.clear();
        if (unit >= 0)
            seen->unit(unit, Role::Look);
        for (std::size_t b = 0; b < ids.size(); ++b) {
            const int from = holds(im.node(ids[b] / 9, ids[b] % 9 + 1));
            tellAssumed(*seen, ids[b] / 9, ids[b] % 9 + 1, true, static_cast<int>(b),
                forcedAlong(g, im, from, { target }));
        }
        seen->mark(t.cell, digitBit(t.digit), Role::Pattern); // where every branch leads
    }
    return conclude(g, r, t.cell * 9 + t.digit - 1, isHolding(target), tech);
}

// The cells (or the units' digits) with `fewest` to `most` candidates (places), fewest first.
template <class Try>
bool eachBranching(const CandidateGrid &g, bool cells, int fewest, int most, Try attempt)
{
    for (int n = fewest; n <= most; ++n) {
        if (cells) {
            for (int p = 0; p < 81; ++p) {
                const Mask m = g.cand[static_cast<std::size_t>(p)];
                if (g.grid[static_cast<std::size_t>(p)] || bits(m) != n)
                    continue;
                std::vector<int> ids;
                for (unsigned k = m; k; k &= k - 1)
                    ids.push_back(p * 9 + lowest(k));
                if (attempt(ids, -1))
                    return true;
            }
            continue;
        }
        for (int k = 0; k < 27; ++k) {
            const int u = boxFirst(k);
            for (int d = 1; d <= 9; ++d) {
                const Mask at = where(g, u, digitBit(d));
                if (bits(at) != n)
                    continue;
                std::vector<int> ids;
                for (unsigned i = at; i; i &= i - 1)
                    ids.push_back(units.cells[static_cast<std::size_t>(u)]
                                             [static_cast<std::size_t>(lowest(i))]
                            * 9
                        + d - 1);
                if (attempt(ids, u))
                    return true;
            }
        }
    }
    return false;
}

void tellNet(StepPattern &seen, const Net &n, int cell, int digit, int branch, int upTo)
{
    std::vector<std::pair<int, int>> forced;
    for (std::size_t k = 1; k < n.placed.size() && static_cast<int>(k) <= upTo; ++k)
        forced.push_back(n.placed[k]);
    tellAssumed(seen, cell, digit, true, branch, forced);
}

// How far into a net's placements `id` (a candidate, placed or removed) is settled: the index
// of the placement that settles it.
int settledAt(const Net &n, int id, bool holding)
{
    for (std::size_t k = 0; k < n.placed.size(); ++k) {
        const int p = n.placed[k].first / 9, d = n.placed[k].first % 9 + 1;
        if (holding
                ? n.placed[k].first == id
                : (p == id / 9 && d != id % 9 + 1) || (d == id % 9 + 1 && units.sees[p][id / 9]))
            return static_cast<int>(k);
    }
    return static_cast<int>(n.placed.size());
}

} // namespace

bool contradictionChain(CandidateGrid &g, Rater &r) { return chainContradiction(g, r); }

bool cellForcingChain(CandidateGrid &g, Rater &r)
{
    const Implications &im = implicationsOf(g, false);
    // Two candidates are an alternating chain's: one failing makes the other hold. More than
    // three branches are more than a person follows at once; a contradiction chain from the
    // result tells the same deduction along one.
    return eachBranching(g, true, 3, 3, [&](const std::vector<int> &ids, int unit) {
        return allBranches(g, r, im, ids, unit, Technique::CellForcingChain);
    });
}

bool unitForcingChain(CandidateGrid &g, Rater &r)
{
    const Implications &im = implicationsOf(g, false);
    return eachBranching(g, false, 3, 3, [&](const std::vector<int> &ids, int unit) {
        return allBranches(g, r, im, ids, unit, Technique::UnitForcingChain);
    });
}

// Nets, from each candidate assumed to hold, worked out once a step and only where needed:
// the cells with the fewest candidates first, a net that breaks down removing its candidate,
// then what all of a cell's nets, or all of a unit's for one digit, agree on.
bool forcingNet(CandidateGrid &g, Rater &r)
{
    std::vector<std::optional<Net>> nets(729);
    auto net = [&](int id) -> const Net & {
        auto &n = nets[static_cast<std::size_t>(id)];
        if (!n)
            n = followNet(g, id / 9, id % 9 + 1);
        return *n;
    };
    auto agree = [&](const std::vector<int> &ids, int unit) {
        for (const int id : ids)
            if (const Net &n = net(id); n.broken) {
                if (auto *seen = r.watched()) {
                    seen->cells.clear();
                    tellNet(*seen, n, id / 9, id % 9 + 1, 0, static_cast<int>(n.placed.size()));
                    tellBreak(*seen, *n.broken);
                }
                return conclude(g, r, id, false, Technique::ForcingNet);
            }
        std::array<std::uint64_t, 12> on, off;
        on.fill(~std::uint64_t { 0 });
        off.fill(~std::uint64_t { 0 });
        for (const int id : ids)
            for (std::size_t i = 0; i < 12; ++i) {
                on[i] &= net(id).on[i];
                off[i] &= net(id).off[i];
            }
        int target = -1;
        bool holding = true;
        for (const bool h : { true, false }) {
            for (int x = 0; x < 729 && target < 0; ++x)
                if ((h ? on : off)[static_cast<std::size_t>(x / 64)] >> (x % 64) & 1)
                    target = x;
            if (target >= 0) {
                holding = h;
                break;
            }
        }
        if (target < 0)
            return false;
        if (auto *seen = r.watched()) {
            seen->cells.clear();
            if (unit >= 0)
                seen->unit(unit, Role::Look);
            for (std::size_t b = 0; b < ids.size(); ++b)
                tellNet(*seen, net(ids[b]), ids[b] / 9, ids[b] % 9 + 1, static_cast<int>(b),
                    settledAt(net(ids[b]), target, holding));
            seen->mark(target / 9, digitBit(target % 9 + 1), Role::Pattern);
        }
        return conclude(g, r, target, holding, Technique::ForcingNet);
    };
    return eachBranching(g, true, 2, 9, agree) || eachBranching(g, false, 2, 9, agree);
}

} // namespace zov::puzzles::grading
