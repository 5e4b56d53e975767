#pragma once

// The grader's view of a puzzle in progress: the digits placed and the candidates left, and the
// unit tables the techniques walk. Positions are in text order (puzzles/grid.h); units hold
// their cells in that order: the rows top to bottom, the columns left to right, then the boxes
// from the top left, each box row by row.

#include "puzzles/grid.h"

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace zov::puzzles::grading {

using Mask = std::uint16_t; // bit d-1 for digit d, or bit i for the i-th cell of a unit
inline constexpr Mask AllDigits = 0x1FF;

// A table, as without POPCNT in the baseline instruction set std::popcount is a library call.
inline constexpr auto BitCounts = [] {
    std::array<std::uint8_t, 512> n {};
    for (unsigned m = 1; m < 512; ++m)
        n[m] = static_cast<std::uint8_t>(n[m >> 1] + (m & 1));
    return n;
}();
inline int bits(unsigned m) { return BitCounts[m & 0x1FF]; }
inline int lowest(unsigned m) { return std::countr_zero(m); }

// A set of cells, bit p for cell p.
struct Cells
{
    std::uint64_t lo = 0, hi = 0;
    void add(int p) { (p < 64 ? lo : hi) |= std::uint64_t { 1 } << (p & 63); }
    bool has(int p) const { return ((p < 64 ? lo : hi) >> (p & 63)) & 1; }
    Cells operator&(const Cells &o) const { return { lo & o.lo, hi & o.hi }; }
    Cells &operator|=(const Cells &o)
    {
        lo |= o.lo;
        hi |= o.hi;
        return *this;
    }
    bool any() const { return lo || hi; }
    template <typename F> void each(F f) const
    {
        for (std::uint64_t m = lo; m; m &= m - 1)
            f(std::countr_zero(m));
        for (std::uint64_t m = hi; m; m &= m - 1)
            f(64 + std::countr_zero(m));
    }
};

// The board's 27 groups rearranged for the grader, and what follows from them.
struct Units
{
    static constexpr int FirstBox = 18; // after nine rows and nine columns
    std::array<std::array<std::uint8_t, 9>, 27> cells {};
    std::array<std::array<std::uint8_t, 20>, 81> peers {}; // ascending
    std::array<std::array<bool, 81>, 81> sees {};
    std::array<Cells, 81> peerSet {};
    std::array<std::array<std::uint8_t, 3>, 81> of {}; // a cell's row, column and box
    // Subsets of up to nine items by size: masks[n] lists every 9-bit mask with n bits.
    std::array<std::vector<Mask>, 10> masks;

    Units();
};
extern const Units units;

// Digits placed and candidates left; `onPath` while every digit placed agrees with the
// solution, so that a step there must never remove the solution's digit.
struct CandidateGrid
{
    Grid grid {};
    std::array<Mask, 81> cand {};
    int empty = 81;
    bool onPath = true;
};

// Where digit bit `m` may go in unit `u`, as a mask of unit positions.
inline Mask where(const CandidateGrid &g, int u, Mask m)
{
    Mask at = 0;
    for (int i = 0; i < 9; ++i)
        if (g.cand[units.cells[u][i]] & m)
            at = static_cast<Mask>(at | (1u << i));
    return at;
}

// The lowest digit bit with one place left in unit `u`, or 0: a hidden single. Units count rows,
// columns, then boxes; `boxFirst` turns that to the order people look in.
inline Mask hiddenIn(const CandidateGrid &g, int u)
{
    Mask once = 0, twice = 0;
    for (const auto p : units.cells[u]) {
        twice = static_cast<Mask>(twice | (once & g.cand[p]));
        once = static_cast<Mask>(once | g.cand[p]);
    }
    const Mask single = static_cast<Mask>(once & ~twice);
    return static_cast<Mask>(single & -single);
}

// The unit looked at k-th when boxes come first.
constexpr int boxFirst(int k) { return (k + 18) % 27; }

// Every cell that still may hold a digit of `m`.
inline Cells holding(const CandidateGrid &g, Mask m)
{
    Cells at;
    for (int p = 0; p < 81; ++p)
        if (g.cand[p] & m)
            at.add(p);
    return at;
}

} // namespace zov::puzzles::grading
