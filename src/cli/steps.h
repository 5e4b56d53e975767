#pragma once

// A worked solution to print: each step beyond the singles as a small board with the hint's
// marks at its last level (the same drawing the game shows), beside its words, as PDF or SVG
// through cairo.

#include "cli/sheet.h"
#include "puzzles/hints/drawing.h"

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zov::cli {

struct StepPicture
{
    std::string title; // "Puzzle 4001, step 25: X-wing"
    std::string text; // the reason and the result
    puzzles::Grid digits {}; // the board before the step
    std::array<puzzles::Digits, 81> candidates {}; // its candidates, drawn small
    puzzles::hints::Drawing drawing;
};

// Writes every step, three to a page; the reason when cairo fails, nothing otherwise.
std::optional<std::string> writeStepPictures(
    std::ostream &out, const std::vector<StepPicture> &steps, SheetFormat format);

} // namespace zov::cli
