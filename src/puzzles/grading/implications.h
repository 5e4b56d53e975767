#pragma once

// What one candidate holding, or not, tells about another along single links: a candidate that
// holds rules out every candidate it sees (and its cell's others), and one that does not forces
// the other place of a unit where its digit has two, or the other digit of a two-candidate
// cell. Chains and forcing chains are walks along these implications; a grouped graph also
// takes a digit's two or three places in a box on one line as one node, where a strong link
// joins them to another.

#include "puzzles/grading/candidates.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace zov::puzzles::grading {

struct ChainNode
{
    Cells cells;
    int digit = 0; // 1 to 9
    int cell = -1; // a single candidate's cell; -1 for a group
};

// Literals number a node's two states: node * 2 + 1 "holds", node * 2 "does not hold".
constexpr int holds(int node) { return node * 2 + 1; }
constexpr int fails(int node) { return node * 2; }
constexpr int nodeOf(int literal) { return literal / 2; }
constexpr bool isHolding(int literal) { return literal % 2 == 1; }

class Implications
{
public:
    // The single candidates come first, by cell and then digit; groups after them.
    Implications(const CandidateGrid &g, bool grouped) { build(g, grouped); }
    Implications() = default;
    // The implications of `g` in place of these, reusing their storage: a long solve builds
    // them after nearly every hard step. A grouped graph takes the single candidates' links
    // from `single`, the same board's graph without groups, where given.
    void build(const CandidateGrid &g, bool grouped, const Implications *single = nullptr);

    const std::vector<ChainNode> &nodes() const { return m_nodes; }
    int singles() const { return m_singles; }
    int node(int cell, int digit) const { return m_single[cell * 9 + digit - 1]; }

    // Whether `from` leads to `to` by some chain (a literal leads to itself).
    bool leads(int from, int to) const { return row(from)[to / 64] >> (to % 64) & 1; }
    // Every literal `from` leads to, one bit each, in `words()` words.
    const std::uint64_t *row(int from) const
    {
        if (m_component[static_cast<std::size_t>(from)] < 0)
            walk(from);
        return &m_rows[static_cast<std::size_t>(m_component[static_cast<std::size_t>(from)])
            * static_cast<std::size_t>(m_words)];
    }
    int words() const { return m_words; }
    // Whether `a` holding rules out `b` directly.
    bool weak(int a, int b) const;
    // The literals one link from `literal`.
    const int *begin(int literal) const
    {
        return &m_to[m_start[static_cast<std::size_t>(literal)]];
    }
    const int *end(int literal) const
    {
        return &m_to[0] + m_start[static_cast<std::size_t>(literal) + 1];
    }
    // A shortest chain of literals from `from` to `to`, both included; empty when none.
    std::vector<int> path(int from, int to) const;

private:
    std::vector<ChainNode> m_nodes;
    int m_singles = 0;
    std::array<int, 729> m_single {};
    std::vector<int> m_start, m_to; // each literal's links, m_to[m_start[l]..m_start[l+1]]
    int m_words = 0;
    std::vector<std::pair<int, int>> m_where; // each group's box and line, kept between builds
    // What the literals lead to, worked out as they are asked about (row()): each literal's
    // component, by the literal that stands for it (-1 until walked), and by literal, for a
    // component's, what it leads to; the walks' room and count.
    mutable std::vector<int> m_component;
    mutable std::vector<std::uint64_t> m_rows;
    mutable std::vector<int> m_index, m_low, m_stack;
    mutable std::vector<std::pair<int, int>> m_calls;
    mutable int m_counter = 0;

    void close();
    void walk(int root) const;
};

// The implications of `g`, kept from the last call with the same candidates: the techniques
// that follow them, tried one after another on a board that did not change, share one.
const Implications &implicationsOf(const CandidateGrid &g, bool grouped);

// Where a strong link between the nodes `a` and `b` holds: -1 for the two digits of one cell,
// else a unit in which their digit has no other place.
int strongUnit(const CandidateGrid &g, const ChainNode &a, const ChainNode &b);

} // namespace zov::puzzles::grading
