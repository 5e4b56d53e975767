#pragma once

// Printable puzzle sheets: grids with their numbers and grade names, several to a page, as PDF
// or SVG through cairo. Kept apart from the rest of the tool so that only the tool links cairo.

#include "puzzles/sudoku.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zov::cli {

enum class Paper { A4, Letter };
enum class SheetFormat { Pdf, Svg };

struct SheetPuzzle
{
    int number = 0;
    std::string gradeName;
    puzzles::Grid grid {};
    puzzles::Grid solution {};
};

struct SheetOptions
{
    SheetFormat format = SheetFormat::Pdf;
    int perPage = 1; // 1, 2, 4 or 6
    Paper paper = Paper::A4;
    bool solutions = false; // then the solutions follow, smaller, on pages of their own
};

inline constexpr int SolutionsPerPage = 12;
inline constexpr int PageSizes[] = { 1, 2, 4, 6 };

// Where grid `slot` (0-based, row by row) of a page lies, in points from the page's top-left
// corner; its title stands above it.
struct GridPlace
{
    double x, y, side, titleSize;
};
GridPlace gridPlace(Paper paper, int perPage, int slot);

// The number of pages `count` puzzles take.
int sheetPages(int count, const SheetOptions &options);
// Writes the whole document to `out`; the reason when cairo fails, nothing otherwise. An SVG has
// no pages, so its pages stand one below the other in one picture.
std::optional<std::string> writeSheets(
    std::ostream &out, const std::vector<SheetPuzzle> &puzzles, const SheetOptions &options);

} // namespace zov::cli
