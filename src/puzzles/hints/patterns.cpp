#include "puzzles/hints/patterns.h"

#include <algorithm>
#include <map>

namespace zov::puzzles::hints::patterns {

using grading::bits;
using grading::CandidateGrid;
using grading::lowest;
using grading::Mask;
using grading::StepPattern;
using grading::units;

namespace {

// The cells that lose something, each with the lowest of the `ends` it sees that lies
// nearest along the chain (`distance`, -1 where unreached).
template <class Distance>
std::map<int, std::vector<int>> byEnd(
    const words::Removals &removed, const std::vector<int> &ends, Distance distance)
{
    std::map<int, std::vector<int>> groups;
    for (const auto &[x, m] : removed) {
        int best = -1;
        for (const int e : ends)
            if (units.sees[x][e] && distance(e) >= 0 && (best < 0 || distance(e) < distance(best)))
                best = e;
        groups[best].push_back(x);
    }
    return groups;
}

// The strong links of digit bit `m`: for each pair of cells, a unit where they are its only
// two places.
std::vector<std::pair<int, int>> strongLinksFrom(const CandidateGrid &g, Mask m, int p)
{
    std::vector<std::pair<int, int>> links; // to, unit
    for (const auto u : units.of[p]) {
        const Mask at = grading::where(g, u, m);
        if (bits(at) != 2)
            continue;
        for (unsigned s = at; s; s &= s - 1) {
            const int q = units.cells[u][static_cast<std::size_t>(lowest(s))];
            if (q != p)
                links.emplace_back(q, u);
        }
    }
    return links;
}

} // namespace

// The x-chains behind a step: from the first cell, false, along strong links (true) and any
// sight of another holder (false) to each end used.
std::vector<words::XChain> xChainsOf(
    const CandidateGrid &g, const StepPattern &seen, const words::Removals &removed)
{
    const Mask m = seen.digits;
    const int s = seen.cells.front();
    // State: cell * 2 + (1 when it holds the digit).
    std::array<int, 162> parent, viaUnit, dist;
    parent.fill(-1);
    viaUnit.fill(-1);
    dist.fill(-1);
    std::vector<int> queue { s * 2 };
    dist[static_cast<std::size_t>(s * 2)] = 0;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int state = queue[head], p = state / 2;
        auto visit = [&](int next, int unit) {
            if (dist[static_cast<std::size_t>(next)] >= 0)
                return;
            dist[static_cast<std::size_t>(next)] = dist[static_cast<std::size_t>(state)] + 1;
            parent[static_cast<std::size_t>(next)] = state;
            viaUnit[static_cast<std::size_t>(next)] = unit;
            queue.push_back(next);
        };
        if (state % 2) {
            for (const auto q : units.peers[p])
                if (g.cand[q] & m)
                    visit(q * 2, -1);
        } else {
            for (const auto &[q, u] : strongLinksFrom(g, m, p))
                visit(q * 2 + 1, u);
        }
    }
    std::vector<words::XChain> chains;
    const auto groups = byEnd(
        removed, seen.ends, [&](int e) { return dist[static_cast<std::size_t>(e * 2 + 1)]; });
    for (const auto &[e, xs] : groups) {
        words::XChain chain;
        chain.removedBy = xs;
        if (e >= 0)
            for (int state = e * 2 + 1; state >= 0;
                 state = parent[static_cast<std::size_t>(state)]) {
                chain.cells.insert(chain.cells.begin(), state / 2);
                if (state % 2)
                    chain.units.insert(
                        chain.units.begin(), viaUnit[static_cast<std::size_t>(state)]);
            }
        chains.push_back(std::move(chain));
    }
    return chains;
}

// The xy-chains behind a step: two-candidate cells, each forced by the one before it.
std::vector<words::XYChain> xyChainsOf(
    const CandidateGrid &g, const StepPattern &seen, const words::Removals &removed)
{
    const Mask a = seen.digits;
    const int s = seen.cells.front();
    // State: cell * 9 + the digit (0-8) it is forced to.
    std::array<int, 729> parent, dist;
    parent.fill(-1);
    dist.fill(-1);
    const int start = s * 9 + lowest(static_cast<Mask>(g.cand[s] & ~a));
    std::vector<int> queue { start };
    dist[static_cast<std::size_t>(start)] = 0;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int state = queue[head], p = state / 9;
        const Mask v = static_cast<Mask>(1u << (state % 9));
        for (const auto q : units.peers[p]) {
            if (bits(g.cand[q]) != 2 || !(g.cand[q] & v))
                continue;
            const int next = q * 9 + lowest(static_cast<Mask>(g.cand[q] & ~v));
            if (dist[static_cast<std::size_t>(next)] >= 0)
                continue;
            dist[static_cast<std::size_t>(next)] = dist[static_cast<std::size_t>(state)] + 1;
            parent[static_cast<std::size_t>(next)] = state;
            queue.push_back(next);
        }
    }
    const int digit = lowest(a);
    std::vector<words::XYChain> chains;
    const auto groups = byEnd(
        removed, seen.ends, [&](int e) { return dist[static_cast<std::size_t>(e * 9 + digit)]; });
    for (const auto &[e, xs] : groups) {
        words::XYChain chain;
        chain.removedBy = xs;
        if (e >= 0)
            for (int state = e * 9 + digit; state >= 0;
                 state = parent[static_cast<std::size_t>(state)]) {
                chain.cells.insert(chain.cells.begin(), { state / 9, g.cand[state / 9] });
                chain.forced.insert(chain.forced.begin(), state % 9 + 1);
            }
        chains.push_back(std::move(chain));
    }
    return chains;
}

words::Colouring colouringOf(const CandidateGrid &g, const StepPattern &seen)
{
    words::Colouring c;
    c.digit = lowest(seen.digits) + 1;
    c.falseGroup = seen.falseColour;
    for (std::size_t k = 0; k < seen.cells.size(); ++k)
        (seen.colours[k] ? c.groupB : c.groupA).push_back(seen.cells[k]);
    std::sort(c.groupA.begin(), c.groupA.end());
    std::sort(c.groupB.begin(), c.groupB.end());
    const auto &wrong = c.falseGroup == 1 ? c.groupB : c.groupA;
    if (c.falseGroup >= 0) {
        for (std::size_t i = 0; i < wrong.size() && c.clashUnit < 0; ++i)
            for (std::size_t j = i + 1; j < wrong.size() && c.clashUnit < 0; ++j)
                for (const auto u : units.of[wrong[i]])
                    if (c.clashUnit < 0 && units.of[wrong[j]][u / 9] == u) {
                        c.clashUnit = u;
                        c.clashA = wrong[i];
                        c.clashB = wrong[j];
                    }
    } else {
        for (int p = 0; p < 81 && c.seer < 0; ++p) {
            if (!(g.cand[p] & seen.digits) || std::count(seen.cells.begin(), seen.cells.end(), p))
                continue;
            int a = -1, b = -1;
            for (const int q : c.groupA)
                if (a < 0 && units.sees[p][q])
                    a = q;
            for (const int q : c.groupB)
                if (b < 0 && units.sees[p][q])
                    b = q;
            if (a >= 0 && b >= 0) {
                c.seer = p;
                c.seenA = a;
                c.seenB = b;
            }
        }
    }
    return c;
}

} // namespace zov::puzzles::hints::patterns
