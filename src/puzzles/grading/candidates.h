#pragma once

// The grader's view of a puzzle in progress: the digits placed and the candidates left.
// Positions are in text order (puzzles/grid.h), units as puzzles/units.h numbers them.

#include "puzzles/units.h"

#include <array>
#include <cstdint>

namespace zov::puzzles::grading {

using puzzles::AllDigits;
using puzzles::bits;
using puzzles::Cells;
using puzzles::lowest;
using puzzles::units;
using Mask = puzzles::Digits; // digits, or bit i for the i-th cell of a unit

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

// Where each digit may go in each unit: by unit and digit index, a mask of unit positions.
using UnitPlaces = std::array<std::array<Mask, 9>, 27>;

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
