#pragma once

// A game's position as the rules see it: the puzzle's givens, what each cell shows, which cells
// are given or marked, and the player's notes, in text order (puzzles/grid.h). Its operations
// are the rules of the board, written once: each changes the position and returns the cells it
// changed. The game shows those cells in its boxes; the hints and the tests apply the same
// operations, so they check the game's own rules.

#include "puzzles/grid.h"
#include "puzzles/units.h"

#include <array>
#include <cstdint>
#include <string>

namespace zov::puzzles {

// What a cell is, as its back colour shows it.
enum class CellKind : std::uint8_t { Open, Given, Marked };

struct Position
{
    Grid givens {}; // the puzzle's digits as it was loaded, 0 elsewhere
    Grid digits {}; // what each cell shows, 0 for empty (a given cell may have been overtyped)
    std::array<Digits, 81> notes {}; // drawn in empty cells only
    std::array<CellKind, 81> kinds {};

    // The puzzle as it starts: its givens shown in given cells, no notes.
    static Position start(const Grid &givens);

    // Shows `digit` (0 empties the cell). A digit new to the cell takes the cell's notes and
    // its own note from every cell of its row, column and box.
    Cells place(int p, int digit);
    Cells setNotes(int p, Digits notes);
    // Notes are kept by empty cells that are not given.
    bool takesNotes(int p) const
    {
        return kinds[static_cast<std::size_t>(p)] != CellKind::Given
            && !digits[static_cast<std::size_t>(p)];
    }
    // Nothing changes where the cell takes no notes.
    Cells toggleNote(int p, int digit);
    Cells clearNotes(int p) { return setNotes(p, 0); }
    // Every cell that takes notes gets the digits its row, column and box allow.
    Cells fillNotes();
    // The digits no cell of p's row, column or box shows.
    Digits allowed(int p) const { return allowedAt(digits, p); }
    // Each empty cell's candidates: its notes where it has some, else what it allows; 0 for a
    // cell that shows a digit.
    std::array<Digits, 81> candidates() const;
};

// The notation of the rate log and the hints: "r4c6" (row 1 the top row), "r4c6=7" for a
// placed digit, "r4c6-37" for removed candidates, "r4c6+7" for an added note.
std::string cellNotation(int p);
std::string digitNotation(int p, char sign, Digits digits);

} // namespace zov::puzzles
