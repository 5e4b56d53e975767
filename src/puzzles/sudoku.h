#pragma once

// Solver, generator and the 81-character text form of puzzles, on grids in text order.

#include "puzzles/grid.h"

#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace zov::puzzles {

// True when no digit stands twice in a row, column or box (puzzles/rules.h) and none is above 9.
bool isConsistent(const Grid &grid);
// True when every cell holds a digit and the grid is consistent.
bool isSolved(const Grid &grid);
int clueCount(const Grid &grid);

// Counts solutions, stopping at `limit`; the first one found goes to `first`.
int countSolutions(const Grid &grid, int limit, Grid *first = nullptr);
inline bool hasUniqueSolution(const Grid &grid) { return countSolutions(grid, 2) == 1; }

// A random puzzle with exactly one solution whose givens are symmetric under a half turn.
// Clues are removed down to `targetClues`, or as far as uniqueness allows.
Grid generate(std::mt19937_64 &rng, int targetClues);

// Reads 81 characters of 1-9, with 0 or '.' for blanks. Anything else gives nothing.
std::optional<Grid> fromText(std::string_view text);
std::string toText(const Grid &grid);

} // namespace zov::puzzles
