#pragma once

// Puzzle entry: the add-game mode, in which the board takes a new puzzle, and storing it. It
// decides and tells the player; the window switches its own controls by the decision.

#include "input/board.h"
#include "play/prompter.h"
#include "store/puzzlestore.h"

namespace zov {

class PuzzleEntry
{
public:
    PuzzleEntry(input::Board &board, store::PuzzleStore &store, Prompter &prompter);

    struct Decision
    {
        enum class Kind {
            Entered, // the board is empty and shows the number the puzzle will get
            Refused, // nothing changed; the player was told why
            Stored, // stored as `number`
            NothingToStore, // the board was empty
        };
        Kind kind = Kind::Refused;
        int number = 0;
    };

    // "Add Game Mode" ticked: empties the board and proposes the next free number.
    Decision enter();
    // Stores the typed digits as a new puzzle in one transaction. A puzzle that repeats a digit
    // in a row, column or box, or has no solution, could never be won and is refused, like a
    // refused store: every typed digit stays on the board.
    Decision save();

private:
    Decision refuse(const QString &why);
    input::Board &m_board;
    store::PuzzleStore &m_store;
    Prompter &m_prompter;
};

} // namespace zov
