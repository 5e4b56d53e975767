#include "puzzles/grading/implications.h"

#include <algorithm>
#include <utility>

namespace zov::puzzles::grading {
namespace {

bool same(const Cells &a, const Cells &b) { return a.lo == b.lo && a.hi == b.hi; }

bool twoOrMore(const Cells &c)
{
    return (c.lo & (c.lo - 1)) || (c.hi & (c.hi - 1)) || (c.lo && c.hi);
}

const std::array<Cells, 27> &unitSets()
{
    static const std::array<Cells, 27> sets = [] {
        std::array<Cells, 27> s {};
        for (int u = 0; u < 27; ++u)
            for (const auto p : units.cells[static_cast<std::size_t>(u)])
                s[static_cast<std::size_t>(u)].add(p);
        return s;
    }();
    return sets;
}

} // namespace

void Implications::build(const CandidateGrid &g, bool grouped, const Implications *single)
{
    m_single.fill(-1);
    m_nodes.clear();
    m_nodes.reserve(grouped ? 512 : 320);
    for (int p = 0; p < 81; ++p)
        for (unsigned m = g.cand[static_cast<std::size_t>(p)]; m; m &= m - 1) {
            ChainNode n;
            n.cells.add(p);
            n.digit = lowest(m) + 1;
            n.cell = p;
            m_single[static_cast<std::size_t>(p * 9 + lowest(m))]
                = static_cast<int>(m_nodes.size());
            m_nodes.push_back(n);
        }
    m_singles = static_cast<int>(m_nodes.size());
    const auto &sets = unitSets();
    // Each digit's places in each unit.
    std::array<std::array<Cells, 9>, 27> places {};
    for (int n = 0; n < m_singles; ++n) {
        const ChainNode &x = m_nodes[static_cast<std::size_t>(n)];
        for (const auto u : units.of[static_cast<std::size_t>(x.cell)])
            places[u][static_cast<std::size_t>(x.digit - 1)].add(x.cell);
    }
    // Groups by digit, box and line (-1 where none), and each group's box and line.
    std::array<std::array<std::array<int, 18>, 9>, 9> group {};
    auto &where = m_where;
    where.clear();
    // By unit and digit: a box crosses six lines, a line three boxes.
    struct Groups
    {
        std::array<int, 6> at {};
        int count = 0;
        const int *begin() const { return at.data(); }
        const int *end() const { return at.data() + count; }
    };
    std::array<std::array<Groups, 9>, 27> groupsIn {};
    for (auto &byBox : group)
        for (auto &byLine : byBox)
            byLine.fill(-1);
    auto without = [](const Cells &a, const Cells &b) {
        return Cells { a.lo & ~b.lo, a.hi & ~b.hi };
    };
    // Whether `rest`, a digit's other places in a unit, is one candidate or the places of a
    // box on one line: a node that a strong link would join.
    auto joined = [&](const Cells &rest, int d) {
        if (!rest.any())
            return false;
        if (!twoOrMore(rest))
            return true;
        const int first = rest.lo ? std::countr_zero(rest.lo) : 64 + std::countr_zero(rest.hi);
        const auto &of = units.of[static_cast<std::size_t>(first)];
        for (int k = 0; k < 2; ++k)
            if (same(places[of[2]][static_cast<std::size_t>(d - 1)]
                        & sets[of[static_cast<std::size_t>(k)]],
                    rest))
                return true;
        return false;
    };
    if (grouped)
        for (int d = 1; d <= 9; ++d)
            for (int b = Units::FirstBox; b < 27; ++b) {
                const Cells &inBox
                    = places[static_cast<std::size_t>(b)][static_cast<std::size_t>(d - 1)];
                if (!inBox.any())
                    continue;
                const int top = (b - Units::FirstBox) / 3 * 3;
                const int left = (b - Units::FirstBox) % 3 * 3;
                for (const int line : { top, top + 1, top + 2, 9 + left, 10 + left, 11 + left }) {
                    ChainNode n;
                    n.digit = d;
                    n.cells = inBox & sets[static_cast<std::size_t>(line)];
                    if (!twoOrMore(n.cells))
                        continue;
                    // A group with no strong link is never passed through: it is left out.
                    if (!joined(without(inBox, n.cells), d)
                        && !joined(without(places[static_cast<std::size_t>(line)]
                                                 [static_cast<std::size_t>(d - 1)],
                                       n.cells),
                            d))
                        continue;
                    const int id = static_cast<int>(m_nodes.size());
                    group[static_cast<std::size_t>(d - 1)][static_cast<std::size_t>(
                        b - Units::FirstBox)][static_cast<std::size_t>(line)]
                        = id;
                    for (const int u : { b, line }) {
                        auto &in = groupsIn[static_cast<std::size_t>(u)]
                                           [static_cast<std::size_t>(d - 1)];
                        in.at[static_cast<std::size_t>(in.count++)] = id;
                    }
                    m_nodes.push_back(n);
                    where.emplace_back(b, line);
                }
            }
    // The node whose cells are exactly `rest` (a digit's other places in a unit), or -1.
    auto nodeAt = [&](const Cells &rest, int d) {
        if (!rest.any())
            return -1;
        const int first = rest.lo ? std::countr_zero(rest.lo) : 64 + std::countr_zero(rest.hi);
        if (!twoOrMore(rest))
            return node(first, d);
        if (!grouped)
            return -1;
        const auto &of = units.of[static_cast<std::size_t>(first)];
        // The group of the box and line that holds exactly these places; one with a place
        // more would be a node that does not follow.
        for (int k = 0; k < 2; ++k) {
            const int id = group[static_cast<std::size_t>(d - 1)][static_cast<std::size_t>(
                of[2] - Units::FirstBox)][of[static_cast<std::size_t>(k)]];
            if (id >= 0 && same(m_nodes[static_cast<std::size_t>(id)].cells, rest))
                return id;
        }
        return -1;
    };
    const std::size_t literals = m_nodes.size() * 2;
    m_start.assign(literals + 1, 0);
    // Room for the most links a node can have: twenty peers, eight other digits and the
    // groups of three units when holding, four when failing.
    if (m_to.size() < m_nodes.size() * 52 + 1)
        m_to.resize(m_nodes.size() * 52 + 1);
    int *const to = m_to.data();
    int edges = 0;
    // Adds the literals of `list` to the links, in order and each once.
    auto addSorted = [&](int *list, int count) {
        for (int k = 1; k < count; ++k) // a few: sorted by insertion
            for (int j = k; j > 0 && list[j] < list[j - 1]; --j)
                std::swap(list[j], list[j - 1]);
        for (int k = 0; k < count; ++k)
            if (k == 0 || list[k] != list[k - 1])
                to[edges++] = list[k];
    };
    for (int n = 0; n < static_cast<int>(m_nodes.size()); ++n) {
        const ChainNode &x = m_nodes[static_cast<std::size_t>(n)];
        const auto d = static_cast<std::size_t>(x.digit - 1);
        // The units the node lies in.
        std::array<int, 3> in { -1, -1, -1 };
        if (x.cell >= 0)
            in = { units.of[static_cast<std::size_t>(x.cell)][0],
                units.of[static_cast<std::size_t>(x.cell)][1],
                units.of[static_cast<std::size_t>(x.cell)][2] };
        else
            in = { where[static_cast<std::size_t>(n - m_singles)].first,
                where[static_cast<std::size_t>(n - m_singles)].second, -1 };
        // A single candidate's links to other single ones are those of the graph without
        // groups, where there is one: its groups' ids come after them.
        auto copy = [&](int literal) {
            for (const int *w = single->begin(literal); w != single->end(literal); ++w)
                to[edges++] = *w;
        };
        const bool copied = single && n < m_singles;
        // Failing: the other digit of a two-digit cell holds, and the digit's other place (or
        // places, one group) in a unit of the node.
        if (copied) {
            copy(fails(n));
            std::array<int, 3> list {};
            int count = 0;
            for (const int u : in)
                if (const Cells rest = without(places[static_cast<std::size_t>(u)][d], x.cells);
                    twoOrMore(rest))
                    if (const int m = nodeAt(rest, x.digit); m >= 0)
                        list[static_cast<std::size_t>(count++)] = holds(m);
            addSorted(list.data(), count);
            m_start[static_cast<std::size_t>(fails(n)) + 1] = edges;
        } else {
            std::array<int, 4> list {};
            int count = 0;
            if (x.cell >= 0 && bits(g.cand[static_cast<std::size_t>(x.cell)]) == 2)
                list[static_cast<std::size_t>(count++)] = holds(node(x.cell,
                    lowest(static_cast<Mask>(
                        g.cand[static_cast<std::size_t>(x.cell)] & ~digitBit(x.digit)))
                        + 1));
            for (const int u : in)
                if (u >= 0)
                    if (const int m
                        = nodeAt(without(places[static_cast<std::size_t>(u)][d], x.cells), x.digit);
                        m >= 0)
                        list[static_cast<std::size_t>(count++)] = holds(m);
            addSorted(list.data(), count);
            m_start[static_cast<std::size_t>(fails(n)) + 1] = edges;
        }
        // Holding: the digit's other places in its units fail, and the cell's other digits.
        // Written in the order of their ids: places before the cell, the cell's digits, places
        // after it, then groups.
        if (copied) {
            copy(holds(n));
        } else {
            Cells seen;
            for (const int u : in)
                if (u >= 0)
                    seen |= places[static_cast<std::size_t>(u)][d];
            const Cells others = without(seen, x.cells);
            auto fail = [&](int q) { to[edges++] = fails(node(q, x.digit)); };
            if (x.cell >= 0) {
                const Cells before = x.cell < 64
                    ? Cells { others.lo & ((std::uint64_t { 1 } << x.cell) - 1), 0 }
                    : Cells { others.lo, others.hi & ((std::uint64_t { 1 } << (x.cell - 64)) - 1) };
                before.each(fail);
                for (unsigned m = g.cand[static_cast<std::size_t>(x.cell)] & ~digitBit(x.digit); m;
                     m &= m - 1)
                    to[edges++] = fails(node(x.cell, lowest(m) + 1));
                without(others, before).each(fail);
            } else {
                others.each(fail);
            }
        }
        if (grouped) {
            std::array<int, 18> list {};
            int count = 0;
            for (const int u : in) {
                if (u < 0)
                    continue;
                // The groups inside unit u that the node does not touch.
                for (const int gid : groupsIn[static_cast<std::size_t>(u)][d])
                    if (gid != n && !(m_nodes[static_cast<std::size_t>(gid)].cells & x.cells).any())
                        list[static_cast<std::size_t>(count++)] = fails(gid);
            }
            addSorted(list.data(), count);
        }
        m_start[static_cast<std::size_t>(holds(n)) + 1] = edges;
    }
    to[edges] = -1; // so that end() of the last literal stays inside the links
    close();
}

// What each literal leads to, worked out on first asking: a search that stops at the first
// chain it can use often needs only the first few. Every literal that leads nowhere (a
// candidate with no strong link, not holding) leads only to itself from the start.
void Implications::close()
{
    const int n = static_cast<int>(m_nodes.size() * 2);
    m_words = (n + 63) / 64;
    const auto words = static_cast<std::size_t>(m_words);
    m_component.assign(static_cast<std::size_t>(n), -1);
    m_rows.assign(static_cast<std::size_t>(n) * words, 0);
    m_index.assign(static_cast<std::size_t>(n), -1);
    m_low.resize(static_cast<std::size_t>(n));
    m_stack.resize(static_cast<std::size_t>(n));
    m_calls.resize(static_cast<std::size_t>(n));
    m_counter = 0;
    for (int l = 0; l < n; ++l)
        if (m_start[static_cast<std::size_t>(l)] == m_start[static_cast<std::size_t>(l) + 1]) {
            m_rows[static_cast<std::size_t>(l) * words + static_cast<std::size_t>(l / 64)]
                = std::uint64_t { 1 } << (l % 64);
            m_component[static_cast<std::size_t>(l)] = l;
        }
}

// Tarjan's strongly connected components from `root`, which come out each after every
// component it leads to; every walk from an earlier root has finished its components. What a
// literal leads to is gathered in its own row while it is walked: each link to a finished
// component adds that component's row, and a child that finishes its component adds its row
// on return. A component's row is then its members' rows and bits together, kept in the row of
// its root, the literal that stands for it. A literal that leads nowhere is set as one bit
// where it is reached, without a walk. A literal is on the stack while it has been entered and
// has no component yet.
void Implications::walk(int root) const
{
    const auto words = static_cast<std::size_t>(m_words);
    int *const index = m_index.data(), *const low = m_low.data(), *const stack = m_stack.data();
    int *const component = m_component.data();
    std::uint64_t *const rows = m_rows.data();
    std::pair<int, int> *const calls = m_calls.data(); // literal, next link to follow
    const int *const start = m_start.data(), *const to = m_to.data();
    auto sink = [&](int l) { return start[l] == start[l + 1]; };
    auto rowOf = [&](int l) { return rows + static_cast<std::size_t>(l) * words; };
    auto add = [&](std::uint64_t *row, const std::uint64_t *from) {
        for (std::size_t j = 0; j < words; ++j)
            row[j] |= from[j];
    };
    int depth = 0, top = 0;
    auto enter = [&](int v) {
        index[v] = low[v] = m_counter++;
        stack[top++] = v;
        calls[depth++] = { v, start[v] };
    };
    enter(root);
    while (depth > 0) {
        auto &[v, e] = calls[depth - 1];
        if (e < start[v + 1]) {
            const int w = to[e++];
            if (sink(w))
                rowOf(v)[w / 64] |= std::uint64_t { 1 } << (w % 64);
            else if (index[w] < 0)
                enter(w);
            else if (component[w] >= 0)
                add(rowOf(v), rowOf(component[w]));
            else
                low[v] = std::min(low[v], index[w]);
            continue;
        }
        const int done = v;
        --depth;
        if (low[done] != index[done]) {
            low[calls[depth - 1].first] = std::min(low[calls[depth - 1].first], low[done]);
            continue;
        }
        std::uint64_t *const row = rowOf(done);
        int first = top - 1;
        while (stack[first] != done)
            --first;
        for (int k = first; k < top; ++k) {
            const int x = stack[k];
            component[x] = done;
            row[x / 64] |= std::uint64_t { 1 } << (x % 64);
            if (x != done)
                add(row, rowOf(x));
        }
        top = first;
        if (depth > 0)
            add(rowOf(calls[depth - 1].first), row);
    }
}

bool Implications::weak(int a, int b) const
{
    return std::binary_search(begin(holds(a)), end(holds(a)), fails(b));
}

std::vector<int> Implications::path(int from, int to) const
{
    if (!leads(from, to))
        return {};
    std::vector<int> parent(m_nodes.size() * 2, -2), queue { from };
    parent[static_cast<std::size_t>(from)] = -1;
    for (std::size_t head = 0; head < queue.size() && parent[static_cast<std::size_t>(to)] == -2;
         ++head)
        for (const int *w = begin(queue[head]); w != end(queue[head]); ++w)
            if (parent[static_cast<std::size_t>(*w)] == -2) {
                parent[static_cast<std::size_t>(*w)] = queue[head];
                queue.push_back(*w);
            }
    if (parent[static_cast<std::size_t>(to)] == -2)
        return {};
    std::vector<int> chain;
    for (int x = to; x >= 0; x = parent[static_cast<std::size_t>(x)])
        chain.push_back(x);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

const Implications &implicationsOf(const CandidateGrid &g, bool grouped)
{
    struct Kept
    {
        std::array<Mask, 81> cand {};
        bool valid = false;
        Implications im;
    };
    thread_local std::array<Kept, 2> kept;
    Kept &k = kept[grouped ? 1 : 0];
    if (!k.valid || k.cand != g.cand) {
        const bool single = grouped && kept[0].valid && kept[0].cand == g.cand;
        k.im.build(g, grouped, single ? &kept[0].im : nullptr);
        k.cand = g.cand;
        k.valid = true;
    }
    return k.im;
}

int strongUnit(const CandidateGrid &g, const ChainNode &a, const ChainNode &b)
{
    if (a.cell >= 0 && a.cell == b.cell)
        return -1;
    Cells both = a.cells;
    both |= b.cells;
    const auto &sets = unitSets();
    for (int k = 0; k < 27; ++k) {
        const int u = boxFirst(k);
        const Cells &unit = sets[static_cast<std::size_t>(u)];
        if (!same(both & unit, both))
            continue;
        Cells places;
        for (const auto p : units.cells[static_cast<std::size_t>(u)])
            if (g.cand[p] & digitBit(a.digit))
                places.add(p);
        if (same(places, both))
            return u;
    }
    return -1;
}

} // namespace zov::puzzles::grading
