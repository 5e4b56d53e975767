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

} // namespace zov
