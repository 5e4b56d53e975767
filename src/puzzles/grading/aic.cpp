// Alternating inference chains: candidates joined alternately by strong links (one of the two
// holds) and weak links (not both hold), beginning and ending strong, so that one of the two
// ends holds. Grouped chains also take a digit's places in a box on one line as one node.

#include "puzzles/grading/record.h"
#include "puzzles/grading/techniques.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

namespace zov::puzzles::grading {
namespace {

struct Node
{
    Cells cells;
    int digit = 0; // 1 to 9
    int cell = -1; // a single candidate's cell; -1 for a group
};

struct Graph
{
    std::vector<Node> nodes;
    std::vector<std::vector<int>> strong, weak;
    std::array<std::array<int, 9>, 81> single {}; // node of a cell's digit, or -1
};

bool sameCells(const Cells &a, const Cells &b) { return a.lo == b.lo && a.hi == b.hi; }
bool overlap(const Cells &a, const Cells &b) { return (a & b).any(); }

Cells unitCells(int u)
{
    Cells c;
    for (const auto p : units.cells[static_cast<std::size_t>(u)])
        c.add(p);
    return c;
}

const std::array<Cells, 27> &unitSets()
{
    static const std::array<Cells, 27> sets = [] {
        std::array<Cells, 27> s {};
        for (int u = 0; u < 27; ++u)
            s[static_cast<std::size_t>(u)] = unitCells(u);
        return s;
    }();
    return sets;
}

bool within(const Cells &a, const Cells &unit) { return sameCells(a & unit, a); }

void link(std::vector<std::vector<int>> &adj, int a, int b)
{
    adj[static_cast<std::size_t>(a)].push_back(b);
    adj[static_cast<std::size_t>(b)].push_back(a);
}

Graph buildGraph(const CandidateGrid &g, bool grouped)
{
    Graph gr;
    for (auto &row : gr.single)
        row.fill(-1);
    for (int p = 0; p < 81; ++p)
        for (unsigned m = g.cand[static_cast<std::size_t>(p)]; m; m &= m - 1) {
            Node n;
            n.cells.add(p);
            n.digit = lowest(m) + 1;
            n.cell = p;
            gr.single[static_cast<std::size_t>(p)][static_cast<std::size_t>(lowest(m))]
                = static_cast<int>(gr.nodes.size());
            gr.nodes.push_back(n);
        }
    const auto &sets = unitSets();
    if (grouped)
        for (int d = 1; d <= 9; ++d)
            for (int b = 18; b < 27; ++b)
                for (int line = 0; line < 18; ++line) {
                    const Cells both
                        = sets[static_cast<std::size_t>(b)] & sets[static_cast<std::size_t>(line)];
                    if (!both.any())
                        continue;
                    Node n;
                    n.digit = d;
                    int count = 0;
                    both.each([&](int p) {
                        if (g.cand[static_cast<std::size_t>(p)] & digitBit(d)) {
                            n.cells.add(p);
                            ++count;
                        }
                    });
                    if (count >= 2)
                        gr.nodes.push_back(n);
                }
    const std::size_t count = gr.nodes.size();
    gr.strong.assign(count, {});
    gr.weak.assign(count, {});
    // Strong and weak links of one digit within each unit.
    for (int u = 0; u < 27; ++u) {
        const Cells &unit = sets[static_cast<std::size_t>(u)];
        for (int d = 1; d <= 9; ++d) {
            std::vector<int> in;
            Cells all;
            for (std::size_t i = 0; i < count; ++i)
                if (gr.nodes[i].digit == d && within(gr.nodes[i].cells, unit)) {
                    in.push_back(static_cast<int>(i));
                    all |= gr.nodes[i].cells;
                }
            for (std::size_t i = 0; i < in.size(); ++i)
                for (std::size_t j = i + 1; j < in.size(); ++j) {
                    const Node &a = gr.nodes[static_cast<std::size_t>(in[i])];
                    const Node &b = gr.nodes[static_cast<std::size_t>(in[j])];
                    if (overlap(a.cells, b.cells))
                        continue;
                    link(gr.weak, in[i], in[j]);
                    Cells both = a.cells;
                    both |= b.cells;
                    if (sameCells(both, all))
                        link(gr.strong, in[i], in[j]);
                }
        }
    }
    // A cell's candidates: weak between any two, strong when there are only two.
    for (int p = 0; p < 81; ++p) {
        const Mask c = g.cand[static_cast<std::size_t>(p)];
        for (unsigned a = c; a; a &= a - 1)
            for (unsigned b = a & (a - 1); b; b &= b - 1) {
                const int na
                    = gr.single[static_cast<std::size_t>(p)][static_cast<std::size_t>(lowest(a))];
                const int nb
                    = gr.single[static_cast<std::size_t>(p)][static_cast<std::size_t>(lowest(b))];
                link(gr.weak, na, nb);
                if (bits(c) == 2)
                    link(gr.strong, na, nb);
            }
    }
    for (auto *adj : { &gr.strong, &gr.weak })
        for (auto &list : *adj) {
            std::sort(list.begin(), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
        }
    return gr;
}

bool usesGroup(const Graph &gr, const std::vector<int> &path)
{
    return std::any_of(path.begin(), path.end(),
        [&](int n) { return gr.nodes[static_cast<std::size_t>(n)].cell < 0; });
}

void tellChain(StepPattern *seen, const Graph &gr, const std::vector<int> &path, bool closed)
{
    if (!seen)
        return;
    seen->cells.clear();
    std::vector<Candidate> nodes;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const Node &n = gr.nodes[static_cast<std::size_t>(path[i])];
        n.cells.each([&](int p) {
            seen->candidates.push_back({ p, n.digit, Role::Node, static_cast<int>(i) });
        });
        int first = -1;
        n.cells.each([&](int p) {
            if (first < 0)
                first = p;
        });
        seen->cells.push_back(first);
        nodes.push_back({ first, n.digit, Role::Node, static_cast<int>(i) });
    }
    for (std::size_t i = 0; i + 1 < nodes.size(); ++i)
        tellLink(seen, nodes[i], nodes[i + 1], i % 2 == 0);
    if (closed)
        tellLink(seen, nodes.back(), nodes.front(), false);
}

// From `start` assumed not to hold, every node a chain reaches holding (on) or not (off):
// states node*2 + on, with the state each was reached from.
void reach(const Graph &gr, int start, std::vector<int> &from, std::vector<int> &order)
{
    from.assign(gr.nodes.size() * 2, -2);
    order.clear();
    from[static_cast<std::size_t>(start * 2)] = -1;
    order.push_back(start * 2);
    for (std::size_t head = 0; head < order.size(); ++head) {
        const int s = order[head], n = s / 2, on = s % 2;
        for (const int m :
            on ? gr.weak[static_cast<std::size_t>(n)] : gr.strong[static_cast<std::size_t>(n)]) {
            const int t = m * 2 + (1 - on);
            if (from[static_cast<std::size_t>(t)] == -2) {
                from[static_cast<std::size_t>(t)] = s;
                order.push_back(t);
            }
        }
    }
}

std::vector<int> pathTo(const std::vector<int> &from, int state)
{
    std::vector<int> path;
    for (int s = state; s >= 0; s = from[static_cast<std::size_t>(s)])
        path.push_back(s / 2);
    std::reverse(path.begin(), path.end());
    return path;
}

// Single candidates weakly linked to both `a` and `b` (and neither of them).
std::vector<int> seenByBoth(const Graph &gr, int a, int b, std::vector<char> &mark)
{
    std::vector<int> both;
    for (const int x : gr.weak[static_cast<std::size_t>(a)])
        mark[static_cast<std::size_t>(x)] = 1;
    for (const int x : gr.weak[static_cast<std::size_t>(b)])
        if (mark[static_cast<std::size_t>(x)] && x != a && x != b
            && gr.nodes[static_cast<std::size_t>(x)].cell >= 0)
            both.push_back(x);
    for (const int x : gr.weak[static_cast<std::size_t>(a)])
        mark[static_cast<std::size_t>(x)] = 0;
    return both;
}

bool removeNode(CandidateGrid &g, Rater &r, const Graph &gr, int x)
{
    const Node &n = gr.nodes[static_cast<std::size_t>(x)];
    return r.remove(g, n.cell, digitBit(n.digit));
}

bool chains(CandidateGrid &g, Rater &r, bool grouped)
{
    const Graph gr = buildGraph(g, grouped);
    std::vector<int> from, order;
    std::vector<char> mark(gr.nodes.size(), 0);
    for (std::size_t s = 0; s < gr.nodes.size(); ++s) {
        const int start = static_cast<int>(s);
        if (gr.strong[s].empty())
            continue;
        reach(gr, start, from, order);
        const Node &sn = gr.nodes[s];
        // Not holding leads to holding: it holds (a loop with two strong links at it).
        if (sn.cell >= 0 && from[s * 2 + 1] != -2) {
            const auto path = pathTo(from, start * 2 + 1);
            if (grouped && !usesGroup(gr, path))
                continue;
            if (auto *seen = r.watched()) {
                tellChain(seen, gr, path, false);
                tellCandidate(seen, sn.cell, sn.digit, Role::Placement);
                seen->digits = digitBit(sn.digit);
            }
            r.place(g, sn.cell, sn.digit);
            return r.counted(grouped ? Technique::GroupedAic : Technique::NiceLoop);
        }
        for (const int state : order) {
            if (state % 2 == 0 || state / 2 == start)
                continue;
            const int end = state / 2;
            const auto targets = seenByBoth(gr, start, end, mark);
            if (targets.empty())
                continue;
            const auto path = pathTo(from, state);
            if (grouped && !usesGroup(gr, path))
                continue;
            const bool closed
                = std::find(gr.weak[s].begin(), gr.weak[s].end(), end) != gr.weak[s].end();
            bool progress = false;
            if (closed) {
                // A continuous loop: of each weak link's two ends exactly one holds, so what
                // sees both of any weak link's ends goes.
                for (std::size_t i = 1; i < path.size(); i += 2) {
                    const int a = path[i], b = i + 1 < path.size() ? path[i + 1] : path.front();
                    for (const int x : seenByBoth(gr, a, b, mark))
                        if (std::find(path.begin(), path.end(), x) == path.end())
                            progress |= removeNode(g, r, gr, x);
                }
            } else {
                for (const int x : targets)
                    progress |= removeNode(g, r, gr, x);
            }
            if (!progress)
                continue;
            if (auto *seen = r.watched()) {
                Mask digits = 0;
                for (const auto &[p, m] : seen->removed)
                    digits = static_cast<Mask>(digits | m);
                tellChain(seen, gr, path, closed);
                tellRemovals(seen);
                seen->digits = digits;
            }
            return r.counted(grouped ? Technique::GroupedAic
                    : closed         ? Technique::NiceLoop
                                     : Technique::Aic);
        }
    }
    return false;
}

} // namespace

bool aic(CandidateGrid &g, Rater &r) { return chains(g, r, false); }
bool groupedAic(CandidateGrid &g, Rater &r) { return chains(g, r, true); }

} // namespace zov::puzzles::grading
