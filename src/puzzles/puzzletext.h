#pragma once

// Between the 81-character text form (top-left first) and the library's rows (CellIndex 1 is
// the bottom-left cell), and the plain-text puzzle files that the tool imports.

#include "puzzles/sudoku.h"
#include "store/puzzlestore.h"

#include <string>
#include <string_view>
#include <vector>

namespace zov::puzzles {

store::Puzzle toPuzzle(const Grid &grid);
// Well-formed rows only; where two rows name one cell, the later one wins, as on the board.
Grid toGrid(const std::vector<store::GameRow> &rows);

struct TextProblem
{
    int line = 0;
    std::string reason;
};
struct ParsedText
{
    std::vector<Grid> puzzles;
    std::vector<TextProblem> problems;
};

// One puzzle per line: 81 characters of 1-9 with 0 or '.' for blanks, optionally followed by
// blanks and a comment. Empty lines and lines starting with '#' are skipped.
ParsedText parsePuzzleText(std::string_view text);

} // namespace zov::puzzles
