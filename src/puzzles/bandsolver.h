#pragma once

// The search behind countSolutions and the generator's full grids. Candidates are kept per digit
// and band (three rows, 27 cells, one bit each), so that a digit's rows, boxes and columns within
// a band are dealt with by a few word operations and small tables.

#include "puzzles/grid.h"

#include <random>

namespace zov::puzzles::band {

// Solutions of `grid`, stopping at `limit`; the first found goes to `first`. With `rng`, guesses
// try their digits in random order (for random full grids). The givens must be consistent.
int countSolutions(const Grid &grid, int limit, Grid *first, std::mt19937_64 *rng = nullptr);

} // namespace zov::puzzles::band
