#include "entry/puzzleentry.h"

#include <QCheckBox>
#include <QPushButton>

namespace zov {

PuzzleEntry::PuzzleEntry(Board &board, Game &game, ModeControls controls)
    : m_board(board)
    , m_game(game)
    , m_c(controls)
{
}

void PuzzleEntry::setPlayControlsEnabled(bool play)
{
    m_c.chkShuffle->setEnabled(play);
    m_c.cmdNew->setEnabled(play);
    m_c.cmdClear->setEnabled(play);
    m_c.cmdDone->setEnabled(play);
    m_c.cmdSave->setEnabled(!play);
}

void PuzzleEntry::chkAddModeClick()
{
    if (!m_c.chkAddMode->isChecked()) {
        setPlayControlsEnabled(true);
        return;
    }
    // Decide before anything changes, so that a refusal leaves the window in play untouched.
    const auto highest = m_game.store().highestGameNumber();
    QString refusal;
    if (!highest)
        refusal = QStringLiteral("The next puzzle number cannot be read.\n\n%1")
                      .arg(QString::fromStdString(highest.error().reason));
    else if (*highest >= MaxGameNumber)
        refusal = QStringLiteral("The puzzle library is full: puzzle numbers end at %1, so no "
                                 "further puzzle can be added.")
                      .arg(MaxGameNumber);
    if (!refusal.isEmpty()) {
        m_game.prompter().messageBox(refusal, MessageStyle::Exclamation);
        // Unticking runs this handler again, which gives the play controls back.
        m_c.chkAddMode->setChecked(false);
        return;
    }
    setPlayControlsEnabled(false);
    m_board.setText(0, QString::number(*highest + 1));
    for (CellIndex i = 1; i <= CellCount; ++i) {
        m_board.setBackColour(i, OpenColour);
        m_board.setText(i, QString());
    }
}

void PuzzleEntry::cmdSaveClick()
{
    store::Puzzle puzzle;
    for (CellIndex i = 1; i <= CellCount; ++i) {
        const QString text = m_board.text(i);
        if (!text.isEmpty())
            puzzle.push_back({ i, text.toInt() });
    }
    if (!puzzle.empty()) {
        const int proposed = m_board.gameNumberText().toInt();
        const auto stored = m_game.store().appendPuzzles({ puzzle }, proposed);
        if (!stored) {
            m_game.prompter().messageBox(
                QStringLiteral("The puzzle was not stored.\n\n%1\n\nYour digits are still on the "
                               "board.")
                    .arg(QString::fromStdString(stored.error().reason)),
                MessageStyle::Critical);
            return;
        }
        if (*stored != proposed) {
            // Another program stored a puzzle under our number meanwhile; ours went to the next
            // one.
            m_board.setText(0, QString::number(*stored));
            m_game.prompter().messageBox(
                QStringLiteral("Puzzle %1 was taken by another program meanwhile, so this puzzle "
                               "was stored as puzzle %2.")
                    .arg(proposed)
                    .arg(*stored),
                MessageStyle::Information);
        }
    }
    m_c.chkShuffle->setChecked(false);
    m_c.chkAddMode->setChecked(false);
    m_game.newGame(m_c.chkShuffle->isChecked());
}

} // namespace zov
