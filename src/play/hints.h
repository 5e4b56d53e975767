#pragma once

// The board as the hints read it, and a hint's step taken on it.

#include "input/board.h"
#include "play/game.h"
#include "puzzles/hints/hint.h"

#include <vector>

namespace zov {

// The cells as the board shows them, with the givens of the puzzle the game loaded.
puzzles::Position hintState(const input::Board &board, const Game &game);
// The cells a hint shows, as the board numbers them.
std::vector<CellIndex> hintCells(const puzzles::hints::Hint &hint);
// Takes the hint's step, as one action; false when it has nothing to apply.
bool applyHint(input::Board &board, const puzzles::hints::Hint &hint);

// Whether a hint given on `then` still holds on `now`: every cell it names (its pattern, its
// marks, what it changes) shows the same digit and the same candidates. A hint that names no
// cell holds while nothing at all has changed.
bool hintHolds(
    const puzzles::Position &then, const puzzles::Position &now, const puzzles::hints::Hint &hint);
// Whether `now` shows what applying the hint on `then` would: its step taken by hand.
bool hintTaken(
    const puzzles::Position &then, const puzzles::Position &now, const puzzles::hints::Hint &hint);
// What the board shows of a hint at `level` (0 first) on `state`. Where the hint brings no
// drawing of its own, its last level frames its cells and marks what it changes.
puzzles::hints::Drawing hintDrawing(
    const puzzles::hints::Hint &hint, int level, const puzzles::Position &state);

} // namespace zov
