#pragma once

// Puzzle entry: the add-game mode, in which the board takes a new puzzle, and storing it.

#include "input/board.h"
#include "play/game.h"

class QCheckBox;
class QPushButton;

namespace zov {

struct ModeControls
{
    QCheckBox *chkShuffle = nullptr;
    QPushButton *cmdNew = nullptr;
    QPushButton *cmdClear = nullptr;
    QPushButton *cmdDone = nullptr;
    QPushButton *cmdSave = nullptr;
    QCheckBox *chkAddMode = nullptr;
};

class PuzzleEntry
{
public:
    PuzzleEntry(Board &board, Game &game, ModeControls controls);

    // Runs on every change of "Add Game Mode", by the player or by the program.
    void chkAddModeClick();
    // Stores the typed digits as a new puzzle in one transaction, then leaves the mode and
    // asks which puzzle to play. A refused store keeps the mode and every typed digit.
    void cmdSaveClick();

private:
    void setPlayControlsEnabled(bool play);
    Board &m_board;
    Game &m_game;
    ModeControls m_c;
};

} // namespace zov
