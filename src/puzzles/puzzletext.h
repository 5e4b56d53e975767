#pragma once

// Between the text forms of puzzles (top-left first) and the library's rows (CellIndex 1 is
// the bottom-left cell): the 81-character line, SadMan's .sdk grid and Simple Sudoku's .ss
// grid, read and written.

#include "board/puzzle.h"
#include "puzzles/sudoku.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zov::puzzles {

Puzzle toPuzzle(const Grid &grid);
// Well-formed rows only; where two rows name one cell, the later one wins, as on the board.
Grid toGrid(const std::vector<GameRow> &rows);

// Line: 81 cells on one line, optionally followed by a blank and a comment.
// Sdk: nine lines of nine cells, with optional #A/#D/#C/#B/#S/#L/#U header lines.
// Ss: nine lines of three groups of three split by '|', bands split by a line of dashes.
enum class TextFormat { Line, Sdk, Ss };
// Why a puzzle that repeats a digit is refused, by the text reader and by the tool's check.
inline constexpr char RepeatedDigit[] = "a digit stands twice in a row, column or box";
inline constexpr const char *FormatNames[] = { "line", "sdk", "ss" };
std::optional<TextFormat> formatNamed(std::string_view name);
const char *formatName(TextFormat format);

struct TextProblem
{
    int line = 0;
    std::string reason;
};
struct ParsedText
{
    TextFormat format = TextFormat::Line;
    std::vector<Grid> puzzles;
    std::vector<int> lines; // the line each puzzle starts on
    std::vector<TextProblem> problems;
    int droppedHeaders = 0; // .sdk header lines, which the library has no place for
};

// True when `text` may be a puzzle text at all: no NUL byte, and no control character but tab,
// line and page ends. Anything else (an image, a database, random bytes) is no text to parse.
bool looksLikeText(std::string_view text);
// A character of the text as a message shows it: printable ASCII as it is, any other byte as
// \xNN, so that no byte of a file reaches a terminal raw.
std::string shownCharacter(char ch);

// The format a text is in, judged by its first line that is neither empty nor a comment.
TextFormat detectFormat(std::string_view text);
// Every puzzle of the text, in `format` or the detected one. A blank is any of 0 . * _ x X;
// lines starting with '#' are comments; a UTF-8 byte-order mark and \r\n line ends are
// accepted. Each puzzle must have a digit and no digit twice in a row, column or box.
ParsedText parsePuzzleText(std::string_view text, std::optional<TextFormat> format = {});
// One puzzle in `format`, ending in a newline; grids end in an empty line, so that the
// puzzles of a file stand apart.
std::string formatPuzzle(const Grid &grid, TextFormat format);

} // namespace zov::puzzles
