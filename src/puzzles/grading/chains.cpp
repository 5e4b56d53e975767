// Chains: colouring and chains along the places a digit is forced between, and chains of
// two-candidate cells.

#include "puzzles/grading/techniques.h"

#include <algorithm>
#include <vector>

namespace zov::puzzles::grading {
namespace {

// For each cell, the cells it shares a unit with in which a digit has exactly two places.
struct StrongLinks
{
    std::array<std::array<int, 3>, 81> to {};
    std::array<int, 81> count {};
};

void findStrongLinks(const UnitPlaces &places, int d, StrongLinks &links)
{
    links.count.fill(0);
    for (int u = 0; u < 27; ++u) {
        const Mask at = places[static_cast<std::size_t>(u)][static_cast<std::size_t>(d)];
        if (bits(at) != 2)
            continue;
        const int p = units.cells[u][static_cast<std::size_t>(lowest(at))];
        const int q = units.cells[u][static_cast<std::size_t>(lowest(at & (at - 1)))];
        auto add = [&](int from, int to) {
            for (int i = 0; i < links.count[from]; ++i)
                if (links.to[from][i] == to)
                    return;
            links.to[from][links.count[from]++] = to;
        };
        add(p, q);
        add(q, p);
    }
}

// Each digit with its strong links, handed to `use(digit bit, links)` until that makes
// progress, which is counted as `tech`.
template <class Use> bool eachDigitsLinks(const CandidateGrid &g, Rater &r, Technique tech, Use use)
{
    StrongLinks links;
    for (int d = 0; d < 9; ++d) {
        if (r.fruitless(tech, d, g))
            continue;
        const auto m = static_cast<Mask>(1u << d);
        findStrongLinks(r.unitPlaces(g), d, links);
        if (use(m, links))
            return r.counted(tech);
        r.barren(tech, d, g);
    }
    return false;
}

// Colours the cells linked to `start`, alternately 0 and 1, and lists them in `chain`, `start`
// first; returns how many there are.
int colourChain(
    const StrongLinks &links, int start, std::array<int, 81> &colour, std::array<int, 81> &chain)
{
    int size = 0;
    colour[start] = 0;
    chain[size++] = start;
    for (int i = 0; i < size; ++i)
        for (int k = 0; k < links.count[chain[i]]; ++k) {
            const int q = links.to[chain[i]][k];
            if (colour[q] < 0) {
                colour[q] = 1 - colour[chain[i]];
                chain[size++] = q;
            }
        }
    return size;
}

// The colour of which two cells of the chain see each other, or -1.
int clashingColour(const std::array<int, 81> &colour, const std::array<int, 81> &chain, int size)
{
    for (int i = 0; i < size; ++i)
        for (int j = i + 1; j < size; ++j)
            if (colour[chain[i]] == colour[chain[j]] && units.sees[chain[i]][chain[j]])
                return colour[chain[i]];
    return -1;
}

// A small graph of up to 162 states, each with its links, and what each state leads to (itself
// included), found through Tarjan's components: each comes out after every one it leads to,
// its row its states and the rows of the components its links reach. A search that would start
// from every state of a chain's graph asks it once.
struct Reach
{
    using Row = std::array<std::uint64_t, 3>;
    int states = 0, links = 0;
    std::array<std::uint16_t, 163> start {}; // links of state t: to[start[t]..start[t + 1])
    std::array<std::uint8_t, 162 * 20> to;
    std::array<Row, 162> rows;
    std::array<int, 162> component;

    void link(int state)
    {
        to[static_cast<std::size_t>(links++)] = static_cast<std::uint8_t>(state);
    }
    // Ends the links of state t: call for each state in order, after its links.
    void done(int t) { start[static_cast<std::size_t>(t) + 1] = static_cast<std::uint16_t>(links); }
    const Row &from(int t) const
    {
        return rows[static_cast<std::size_t>(component[static_cast<std::size_t>(t)])];
    }
    void close()
    {
        std::array<int, 162> order, low, stack;
        component.fill(-1);
        order.fill(-1);
        int counter = 0, top = 0, components = 0;
        auto visit = [&](auto &self, int v) -> void {
            const auto uv = static_cast<std::size_t>(v);
            order[uv] = low[uv] = counter++;
            stack[static_cast<std::size_t>(top++)] = v;
            for (int k = start[uv]; k < start[uv + 1]; ++k) {
                const auto w = static_cast<std::size_t>(to[static_cast<std::size_t>(k)]);
                if (order[w] < 0) {
                    self(self, static_cast<int>(w));
                    low[uv] = std::min(low[uv], low[w]);
                } else if (component[w] < 0) {
                    low[uv] = std::min(low[uv], order[w]);
                }
            }
            if (low[uv] != order[uv])
                return;
            const int c = components++;
            Row &row = rows[static_cast<std::size_t>(c)];
            row = {};
            int first = top - 1;
            while (stack[static_cast<std::size_t>(first)] != v)
                --first;
            for (int k = first; k < top; ++k) {
                const int x = stack[static_cast<std::size_t>(k)];
                component[static_cast<std::size_t>(x)] = c;
                row[static_cast<std::size_t>(x / 64)] |= std::uint64_t { 1 } << (x % 64);
            }
            for (int k = first; k < top; ++k) {
                const auto x = static_cast<std::size_t>(stack[static_cast<std::size_t>(k)]);
                for (int e = start[x]; e < start[x + 1]; ++e) {
                    const int wc = component[to[static_cast<std::size_t>(e)]];
                    if (wc != c)
                        for (std::size_t i = 0; i < 3; ++i)
                            row[i] |= rows[static_cast<std::size_t>(wc)][i];
                }
            }
            top = first;
        };
        for (int t = 0; t < states; ++t)
            if (order[static_cast<std::size_t>(t)] < 0)
                visit(visit, t);
    }
    // Each state of `row`, handed to `use`.
    template <class Use> static void each(const Row &row, Use use)
    {
        for (std::size_t i = 0; i < 3; ++i)
            for (std::uint64_t w = row[i]; w; w &= w - 1)
                use(static_cast<int>(i * 64) + std::countr_zero(w));
    }
};

// The cells that an x-chain from `s` reaches on a strong link: if `s` lacks the digit, they
// hold it.
Cells xChainEnds(const Cells &holders, const StrongLinks &links, int s)
{
    // The cells reached lacking the digit (next, a strong link) and holding it (next, a weak
    // one: every other place that sees it lacks it); those lacking it are followed in turn.
    Cells lacking, holding, ends;
    std::array<int, 81> queue {};
    int head = 0, tail = 0;
    lacking.add(s);
    queue[tail++] = s;
    while (head < tail) {
        const int p = queue[head++];
        for (int k = 0; k < links.count[p]; ++k) {
            const int q = links.to[p][k];
            if (holding.has(q))
                continue;
            holding.add(q);
            if (q != s)
                ends.add(q);
            const Cells seen = holders & units.peerSet[q];
            const Cells fresh { seen.lo & ~lacking.lo, seen.hi & ~lacking.hi };
            lacking |= fresh;
            fresh.each([&](int r) { queue[tail++] = r; });
        }
    }
    return ends;
}

void tellChain(StepPattern &seen, int start, const Cells &ends, Mask m)
{
    seen.cells = { start };
    seen.ends.clear();
    ends.each([&](int e) { seen.ends.push_back(e); });
    seen.digits = m;
}

// A colouring by roles: the groups, each cell linked to the one it was reached from, and where
// one group clashes, the unit it clashes in.
void tellColouring(StepPattern &seen, const StrongLinks &links, const std::array<int, 81> &colour,
    const std::array<int, 81> &chain, int size, int falseColour, Mask m)
{
    const int d = lowest(m) + 1;
    for (int k = 0; k < size; ++k) {
        const Role role = colour[chain[k]] ? Role::GroupB : Role::GroupA;
        seen.candidates.push_back({ chain[k], d, role, -1 });
        for (int i = 0; i < k; ++i) {
            const auto &to = links.to[chain[i]];
            if (std::find(to.begin(), to.begin() + links.count[chain[i]], chain[k])
                != to.begin() + links.count[chain[i]]) {
                const Role from = colour[chain[i]] ? Role::GroupB : Role::GroupA;
                seen.links.push_back(
                    { { chain[i], d, from, -1 }, { chain[k], d, role, -1 }, true });
                break;
            }
        }
    }
    if (falseColour < 0)
        return;
    for (int i = 0; i < size; ++i)
        for (int j = i + 1; j < size; ++j)
            if (colour[chain[i]] == falseColour && colour[chain[j]] == falseColour)
                for (const auto u : units.of[chain[i]])
                    if (units.of[chain[j]][u / 9] == u) {
                        seen.unit(u, Role::Look);
                        return;
                    }
}

// Watched chains are searched again, step by step, so that each tells one deduction a person
// can follow: its nodes kept in order with the cells they passed (no cell twice), its removals
// off its own cells, and only the first such chain's. A chain that comes back to its start
// proves the start, and places it. States reached by an earlier path are not entered again,
// as in the search that rates.
struct ChainState
{
    int cell = 0;
    Mask digit = 0; // x-chains: 1 where the cell holds the digit; xy-chains: the digit it holds
    int parent = -1;
    Cells path;
};

Cells with(Cells cells, int p)
{
    cells.add(p);
    return cells;
}

// Whether a cell of `from` sees a cell of `ends`.
bool seesAnEnd(const Cells &from, const Cells &ends)
{
    Cells seers;
    ends.each([&](int e) { seers |= units.peerSet[e]; });
    return (from & seers).any();
}

// The cells of `holders` that see both ends, off the chain itself.
std::vector<int> targetsOf(const Cells &holders, int s, const ChainState &end)
{
    std::vector<int> targets;
    (holders & units.peerSet[s] & units.peerSet[end.cell]).each([&](int p) {
        if (!end.path.has(p))
            targets.push_back(p);
    });
    return targets;
}

template <class Node>
std::vector<std::pair<int, int>> nodesTo(const std::vector<ChainState> &states, int k, Node node)
{
    std::vector<std::pair<int, int>> nodes;
    for (; k >= 0; k = states[static_cast<std::size_t>(k)].parent)
        node(states[static_cast<std::size_t>(k)], nodes);
    return nodes;
}

// Records a chain and takes its step: its removals, or, where there are none, the placement of
// its start, the chain closing on its node `closeTo` by a link strong or not.
bool takeChain(CandidateGrid &g, Rater &r, const std::vector<std::pair<int, int>> &nodes,
    const std::vector<int> &targets, Mask m, int closeTo = 0, bool closingStrong = true)
{
    StepPattern &seen = *r.watched();
    const int s = nodes.front().first;
    seen.cells = { s };
    seen.digits = m;
    seen.chain(nodes, true);
    if (targets.empty()) {
        const auto &to = nodes[static_cast<std::size_t>(closeTo)];
        seen.links.push_back({ seen.candidates.back(), { to.first, to.second, Role::Node, closeTo },
            closingStrong });
        r.place(g, s, nodes.front().second);
        return true;
    }
    bool progress = false;
    for (const int p : targets)
        progress |= r.remove(g, p, m);
    return progress;
}

bool tellXChain(
    CandidateGrid &g, Rater &r, const StrongLinks &links, Mask m, int s, const Cells &holders)
{
    const int d = lowest(m) + 1;
    std::vector<ChainState> states;
    states.reserve(162);
    std::array<std::array<bool, 2>, 81> entered {};
    entered[s][0] = true;
    states.push_back({ s, 0, -1, with({}, s) });
    auto nodes = [&](int k) {
        return nodesTo(states, k, [&](const ChainState &c, auto &out) {
            out.insert(out.begin(), { c.cell, d });
        });
    };
    for (std::size_t head = 0; head < states.size(); ++head) {
        const ChainState at = states[head];
        const int k = static_cast<int>(head);
        if (at.digit) {
            if (const auto targets = targetsOf(holders, s, at); !targets.empty())
                return takeChain(g, r, nodes(k), targets, m);
            for (const auto q : units.peers[at.cell])
                if ((g.cand[q] & m) && !entered[q][0] && !at.path.has(q)) {
                    entered[q][0] = true;
                    states.push_back({ q, 0, k, with(at.path, q) });
                }
            continue;
        }
        for (int i = 0; i < links.count[at.cell]; ++i) {
            const int q = links.to[at.cell][i];
            if (q == s && head > 0)
                return takeChain(g, r, nodes(k), {}, m); // s false makes it true

            if (!entered[q][1] && !at.path.has(q)) {
                entered[q][1] = true;
                states.push_back({ q, 1, k, with(at.path, q) });
            }
        }
    }
    return false;
}

bool tellXYChain(CandidateGrid &g, Rater &r, int s, Mask a)
{
    const Cells holders = holding(g, a);
    const Mask first = static_cast<Mask>(g.cand[s] & ~a);
    std::vector<ChainState> states;
    states.reserve(729);
    std::array<Mask, 81> entered {};
    entered[s] = first;
    states.push_back({ s, first, -1, with({}, s) });
    auto nodes = [&](int k) {
        return nodesTo(states, k, [&](const ChainState &c, auto &out) {
            out.insert(out.begin(),
                { { c.cell, lowest(g.cand[c.cell] & ~c.digit) + 1 },
                    { c.cell, lowest(c.digit) + 1 } });
        });
    };
    for (std::size_t head = 0; head < states.size(); ++head) {
        const ChainState at = states[head];
        const int k = static_cast<int>(head);
        if (at.digit == a && head > 0)
            if (const auto targets = targetsOf(holders, s, at); !targets.empty())
                return takeChain(g, r, nodes(k), targets, a);
        for (const auto q : units.peers[at.cell]) {
            if (q == s && at.digit == first && head > 0)
                return takeChain(g, r, nodes(k), {}, a, 1, false);
            if (bits(g.cand[q]) != 2 || !(g.cand[q] & at.digit) || at.path.has(q))
                continue;
            const Mask w = static_cast<Mask>(g.cand[q] & ~at.digit);
            if (entered[q] & w)
                continue;
            entered[q] = static_cast<Mask>(entered[q] | w);
            states.push_back({ q, w, k, with(at.path, q) });
        }
    }
    return false;
}

} // namespace

// Per digit, chains of cells where the digit is in one of two places of a unit, coloured
// alternately: two cells of one colour in one unit make that colour false, and a cell that
// sees both colours cannot hold the digit.
bool colouring(CandidateGrid &g, Rater &r)
{
    return eachDigitsLinks(g, r, Technique::SimpleColouring, [&](Mask m, const StrongLinks &links) {
        std::array<int, 81> colour;
        colour.fill(-1);
        for (int start = 0; start < 81; ++start) {
            if (links.count[start] == 0 || colour[start] >= 0)
                continue;
            std::array<int, 81> chain {};
            const int size = colourChain(links, start, colour, chain);
            auto tell = [&](int falseColour) {
                if (auto *seen = r.watched()) {
                    seen->cells.assign(chain.begin(), chain.begin() + size);
                    seen->colours.clear();
                    for (int k = 0; k < size; ++k)
                        seen->colours.push_back(colour[chain[k]]);
                    seen->falseColour = falseColour;
                    seen->digits = m;
                    tellColouring(*seen, links, colour, chain, size, falseColour, m);
                }
            };
            if (const int wrong = clashingColour(colour, chain, size); wrong >= 0) {
                for (int k = 0; k < size; ++k)
                    if (colour[chain[k]] == wrong)
                        r.remove(g, chain[k], m);
                tell(wrong);
                return true;
            }
            bool progress = false;
            for (int p = 0; p < 81; ++p) {
                if (!(g.cand[p] & m) || colour[p] >= 0)
                    continue;
                bool seen[2] = { false, false };
                for (int i = 0; i < size; ++i)
                    if (units.sees[p][chain[i]])
                        seen[colour[chain[i]]] = true;
                if (seen[0] && seen[1])
                    progress |= r.remove(g, p, m);
            }
            if (progress) {
                tell(-1);
                return true;
            }
        }
        return false;
    });
}

// Per digit, chains that alternate between a unit's only two places (strong) and any two
// cells that see each other (weak), beginning and ending strong: if the first cell lacks
// the digit the last has it, so no cell that sees both ends holds it.
bool xChain(CandidateGrid &g, Rater &r)
{
    return eachDigitsLinks(g, r, Technique::XChain, [&](Mask m, const StrongLinks &links) {
        const Cells holders = holding(g, m);
        if (r.watched()) {
            // The chain to tell is searched only where the search that rates finds one.
            for (int s = 0; s < 81; ++s)
                if (links.count[s] > 0
                    && seesAnEnd(holders & units.peerSet[s], xChainEnds(holders, links, s))
                    && tellXChain(g, r, links, m, s, holders))
                    return true;
            return false;
        }
        for (int s = 0; s < 81; ++s) {
            if (links.count[s] == 0)
                continue;
            const Cells ends = xChainEnds(holders, links, s);
            if (r.removeFromSeers(g, holders & units.peerSet[s], ends, m)) {
                if (auto *seen = r.watched())
                    tellChain(*seen, s, ends, m);
                return true;
            }
        }
        return false;
    });
}

// Chains of two-candidate cells, each sharing a digit with the next: if the first is not
// digit a, each in turn is forced, and when the last is then forced to a, one of the two
// ends is a and no cell that sees both holds it.
bool xyChain(CandidateGrid &g, Rater &r)
{
    // A state: a two-candidate cell holding one of its digits, 2i for the i-th cell's lower
    // digit, 2i + 1 for its higher. A state forces each two-candidate peer that may hold its
    // digit to the other one; what each state leads to is worked out once for every start.
    std::array<std::uint8_t, 81> cells {};
    std::array<int, 81> index {};
    int count = 0;
    Cells two;
    for (int p = 0; p < 81; ++p)
        if (bits(g.cand[p]) == 2) {
            two.add(p);
            index[static_cast<std::size_t>(p)] = count;
            cells[static_cast<std::size_t>(count++)] = static_cast<std::uint8_t>(p);
        }
    auto state = [&](int p, Mask v) {
        return index[static_cast<std::size_t>(p)] * 2
            + (v == static_cast<Mask>(g.cand[p] & -g.cand[p]) ? 0 : 1);
    };
    Reach reach;
    reach.states = count * 2;
    for (int t = 0; t < reach.states; ++t) {
        const int p = cells[static_cast<std::size_t>(t / 2)];
        const Mask v = t % 2 ? static_cast<Mask>(g.cand[p] & (g.cand[p] - 1))
                             : static_cast<Mask>(g.cand[p] & -g.cand[p]);
        (two & units.peerSet[p]).each([&](int q) {
            if (g.cand[q] & v)
                reach.link(state(q, static_cast<Mask>(g.cand[q] & ~v)));
        });
        reach.done(t);
    }
    reach.close();
    const std::array<Cells, 9> &holders = r.places(g); // each digit's places
    for (int s = 0; s < 81; ++s) {
        if (bits(g.cand[s]) != 2)
            continue;
        for (Mask rest = g.cand[s]; rest; rest = static_cast<Mask>(rest & (rest - 1))) {
            const Mask a = static_cast<Mask>(rest & -rest);
            const Cells &holdingA = holders[static_cast<std::size_t>(lowest(a))];
            // If s is not a, it holds `first`: the cells then forced to a are the ends.
            const Mask first = static_cast<Mask>(g.cand[s] & ~a);
            Cells ends;
            Reach::each(reach.from(state(s, first)), [&](int t) {
                const int p = cells[static_cast<std::size_t>(t / 2)];
                if (p != s && (g.cand[p] & a) && state(p, a) == t)
                    ends.add(p);
            });
            if (r.watched()) {
                // The chain to tell is searched only where the search that rates finds one.
                if (seesAnEnd(holdingA & units.peerSet[s], ends) && tellXYChain(g, r, s, a))
                    return r.counted(Technique::XYChain);
                continue;
            }
            if (r.removeFromSeers(g, holdingA & units.peerSet[s], ends, a)) {
                if (auto *seen = r.watched())
                    tellChain(*seen, s, ends, a);
                return r.counted(Technique::XYChain);
            }
        }
    }
    return false;
}

} // namespace zov::puzzles::grading
