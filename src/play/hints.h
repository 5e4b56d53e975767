#pragma once

// The board as the hints read it, and a hint's step taken on it.

#include "input/board.h"
#include "play/game.h"
#include "puzzles/hints/hint.h"

#include <vector>

namespace zov {

// The puzzle's givens as the game loaded them, what every cell shows, and the player's notes.
puzzles::hints::BoardState hintState(const Board &board, const Game &game);
// The cells a hint shows, as the board numbers them.
std::vector<CellIndex> hintCells(const puzzles::hints::Hint &hint);
// Takes the hint's step, as one step for undo; false when it has nothing to apply.
bool applyHint(Board &board, const puzzles::hints::Hint &hint);

} // namespace zov
