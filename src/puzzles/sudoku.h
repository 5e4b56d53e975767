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

// The 81-character form, top-left cell first, and the cells of every other text form: a digit
// 1-9, or a blank. Any of Blanks reads as a blank, as the puzzle files of other programs write
// them; a blank is written as '.'.
inline constexpr std::string_view Blanks = "0.*_xX";
inline constexpr char BlankCell = '.';
// The digit a cell's character stands for, 0 for a blank, or -1 for anything else.
constexpr int cellValue(char ch)
{
    if (ch >= '1' && ch <= '9')
        return ch - '0';
    return Blanks.find(ch) != std::string_view::npos ? 0 : -1;
}
// The character of a cell holding `digit` (a blank for anything but 1-9).
constexpr char cellChar(int digit)
{
    return digit >= 1 && digit <= 9 ? static_cast<char>('0' + digit) : BlankCell;
}
// Reads exactly 81 cell characters. Anything else gives nothing.
std::optional<Grid> fromText(std::string_view text);
std::string toText(const Grid &grid);

} // namespace zov::puzzles
