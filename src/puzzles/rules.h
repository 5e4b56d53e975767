#pragma once

// Where a grid breaks the one rule of the game: each digit at most once in a row, column and
// box, checked through the 27 groups of board/cells.h. Grids are in text order (grid.h).

#include "puzzles/grid.h"

#include <optional>

namespace zov::puzzles {

struct Repeat
{
    enum class Unit { Row, Column, Box };
    int digit = 0;
    Unit unit = Unit::Row;
    // Rows are counted from the bottom, columns from the left; boxes 1 to 9 from the bottom
    // left, as the board numbers them.
    int number = 0;
};

// The first digit found twice, looking through the rows, then the boxes, then the columns.
std::optional<Repeat> findRepeat(const Grid &grid);

} // namespace zov::puzzles
