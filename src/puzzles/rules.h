#pragma once

// Where a grid breaks the one rule of the game: each digit at most once in a row, column and
// box, checked through the 27 groups of board/cells.h. Grids are in text order (grid.h).

#include "puzzles/grid.h"
#include "puzzles/units.h"

#include <optional>

namespace zov::puzzles {

struct Repeat
{
    enum class Unit { Row, Column, Box };
    int digit = 0;
    Unit unit = Unit::Row;
    // Rows are counted from the bottom, columns from the left; boxes 1 to 9 from the bottom
    // left, as CellIndex numbers them. Text a player reads names rows from the top (row 1 is
    // the top row, as in the hints and the tool's r1c1), so messages turn the row round.
    int number = 0;
    // The two cells that hold it, in text order, and their unit as puzzles/units.h numbers it.
    int first = -1, second = -1;
    int unitIndex = -1;
};

// The first digit found twice, looking through the rows, then the boxes, then the columns.
std::optional<Repeat> findRepeat(const Grid &grid);

// Every cell whose digit another cell of its row, column or box holds too: both of each pair.
Cells clashes(const Grid &grid);

} // namespace zov::puzzles
