#pragma once

// The hints: the easiest next step on a board as the player left it, told in levels from where
// to look to the whole reason, with what applying it changes. Before any technique a hint looks
// for what is wrong on the board. Cells are text positions 0..80 (puzzles/grid.h); in the
// words, row 1 is the top row, column 1 the left one, box 1 the top-left box and box 9 the
// bottom-right one.

#include "puzzles/grader.h"
#include "puzzles/hints/drawing.h"
#include "puzzles/position.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zov::puzzles::hints {

// A cell's whole new state.
struct CellChange
{
    int cell = 0;
    int digit = 0;
    std::uint16_t notes = 0;
};

struct Hint
{
    enum class Kind { Step, WrongDigit, Repeat, MissingNote, NoSolution, NotUnique, Solved };
    Kind kind = Kind::Solved;
    std::optional<Technique> technique; // the grader's technique, for Kind::Step
    // What the box says at each level, least precise first. A technique's step has four or
    // more: its name; where to look; the pattern; then the reason and the result, which a long
    // deduction tells in several levels, one part at a time. A fault has one to three.
    std::vector<std::string> levels;
    std::vector<int> pattern; // cells to outline at the last level
    // What the board shows at each level, one for each of `levels` (empty where it shows
    // nothing).
    std::vector<Drawing> drawings;
    std::vector<CellChange> changes; // what Apply does; empty = nothing to apply
    std::string notation; // the rate log's notation: "r4c6=7", "r1c6-5 r2c6-5"
    // The first of `levels` that a worked solution prints after the name: the pattern and the
    // reason (a single's reason alone); the levels before it only point the way.
    std::size_t reasonLevel = 0;
    // The grader's record of the step the hint tells (technique steps only).
    std::optional<grading::StepPattern> record;
};

Hint nextHint(const Position &state);
// The same for a puzzle whose givens are known to have exactly the one solution `solution`,
// which spares solving it again at every step.
Hint nextHint(const Position &state, const Grid &solution);

// The hints of a whole solution from the givens, walked once: each step's hint on the board
// the hints before it leave (no notes but those the hints' removals set), up to the solution,
// or up to a step with nothing to apply. `solution` is the givens' only solution. Unless
// `drawn`, the hints keep their words alone: no drawings and no record, which is faster.
std::vector<Hint> solutionPath(const Grid &givens, const Grid &solution, bool drawn = true);
// The same, each hint handed to `use` with the board it is for, as it is made.
void forEachStep(const Grid &givens, const Grid &solution, bool drawn,
    const std::function<void(const Hint &, const Position &)> &use);

// The position after Apply: each change's digit placed, then its notes set, by the game's own
// rules (Position).
Position applied(const Position &state, const Hint &hint);
void apply(Position &state, const Hint &hint);

} // namespace zov::puzzles::hints
