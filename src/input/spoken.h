#pragma once

// What a screen reader hears about the board: where a cell is, what it holds and what a key did
// to it, in a few plain words. Rows, columns and boxes are counted as players count them: row 1
// is the top row and box 1 the top-left box (the cells themselves are numbered from the bottom
// left, see board/cells.h).

#include "board/cells.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zov::input::spoken {

constexpr int rowNumber(CellIndex i) { return 10 - rowOf(i); }
constexpr int columnNumber(CellIndex i) { return columnOf(i); }
constexpr int boxNumber(CellIndex i)
{
    return (rowNumber(i) - 1) / 3 * 3 + (columnOf(i) - 1) / 3 + 1;
}

// A cell as it is heard. Notes count only while the cell is empty.
struct Cell
{
    int digit = 0;
    std::uint16_t notes = 0; // bit d-1 for a note of d
    bool given = false;
    bool marked = false;
    bool operator==(const Cell &) const = default;
};

std::string place(CellIndex i); // "Row 3, column 6, box 2"
std::string notesOf(std::uint16_t notes); // "1 4 9"
// Everything the cell holds: "7, given", "7", "empty, notes 1 4 9", "empty, marked".
std::string holding(const Cell &c);
// What is said of the cell besides its digit, which a screen reader reads as the cell's text:
// "given", "", "empty, notes 1 4 9".
std::string remark(const Cell &c);

// Confirmations of a key, said of the focused cell.
std::string placed(int digit); // "7 placed"
std::string removed(int digit); // "7 removed"
std::string replaced(int was, int digit); // "7 placed, 5 removed"
std::string cannotChange(const Cell &c); // "given, cannot change", "holds 5, delete it first"
std::string noteChanged(int digit, bool added, std::uint16_t notesNow);
std::string notesCleared();
std::string notesFilled(int cells); // "notes filled in 45 cells"
std::string markChanged(bool marked); // "marked", "mark taken away"
std::string boardCleared(int givens); // "board cleared, 30 given"
std::string puzzleLoaded(int number, int givens); // "Puzzle 12 loaded, 30 given"

// A change of one cell, as undo, redo and a hint's step make it.
struct Change
{
    CellIndex cell = 0;
    Cell before, after;
};
// "7 placed in row 3, column 6", "notes of row 2, column 1 now 3 5"; a few cells one by one,
// more as counts ("notes changed in 45 cells").
std::string changes(const std::vector<Change> &changed);
std::string undone(const std::vector<Change> &changed); // "Undone: 7 removed from row 3, ..."
std::string redone(const std::vector<Change> &changed);
std::string nothingTo(bool undo); // "nothing to undo"
std::string hintTaken(const std::vector<Change> &changed); // "Hint applied: 6 placed in ..."

enum class Unit { Row, Column, Box };
// The focused cell's unit, its nine digits read left to right and top to bottom: "Row 3: 5,
// blank, blank, 7, ...". `digits` are in that order, 0 for an empty cell.
std::string unit(Unit kind, int number, const std::array<int, 9> &digits);
// The digits still to place, from how many of each the board holds: "To place: 1 twice, 3 four
// times, 9 once", or "every digit placed".
std::string toPlace(const std::array<int, 9> &placedCounts);

} // namespace zov::input::spoken
