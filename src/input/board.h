#pragma once

// The board: the control array txtRow1 of 82 text boxes. Element 0 is the game-number box,
// 1 to 81 are the cells. What the boxes show is the whole state of a game; the board keeps it
// as a position too (puzzles/position.h), whose rules decide what a change does, and shows
// what they change. The notes drawn in empty cells and the undo history belong to the board,
// and are never stored.
//
// Every change to the cells runs inside an Action: one player action, one step for undo. The
// board's own input (keys, clicks) opens one; so do the game's buttons, and anything else that
// changes the board. A change outside every action is a programming error.

#include "board/cells.h"
#include "input/boxes.h"
#include "input/history.h"
#include "input/keys.h"
#include "puzzles/position.h"

#include <QObject>
#include <array>

namespace zov::input {

class Board : public QObject
{
    Q_OBJECT
public:
    // Creates the boxes as children of `surface`, at their places.
    explicit Board(QWidget *surface);

    // One player action, from its start to its end. Actions nest; the outermost one is the
    // step. Its start takes away what a hint shows on the board.
    class Action
    {
    public:
        explicit Action(Board &board);
        ~Action();
        Action(const Action &) = delete;
        Action &operator=(const Action &) = delete;

    private:
        Board &m_board;
    };

    BoardBox *txtRow1(int index) const { return m_boxes.at(static_cast<std::size_t>(index)); }
    CellBox *cell(CellIndex index) const { return static_cast<CellBox *>(txtRow1(index)); }
    GameNumberBox *gameNumberBox() const { return static_cast<GameNumberBox *>(txtRow1(0)); }
    QString text(int index) const { return txtRow1(index)->text(); }
    // Runs CellInputFilter before it returns when the text changes, as typing does. Emptying an
    // empty box changes nothing, and skipping it spares a text layout per box (New empties 82).
    void setText(int index, const QString &text)
    {
        BoardBox *box = txtRow1(index);
        if (!text.isEmpty() || !box->text().isEmpty())
            box->setText(text);
    }
    ColourValue backColour(int index) const { return txtRow1(index)->backColour(); }
    void setBackColour(int index, ColourValue c);
    QString gameNumberText() const { return text(0); }
    // Every cell empty and open, without notes.
    void empty();

    // Keeps a box empty or holding a non-zero number, and gives a single digit its colour.
    void CellInputFilter(int index);

    // The cells as the rules see them. Its givens are not the board's: the game knows them.
    const puzzles::Position &position() const { return m_position; }

    // Notes. They are taken in play only: a puzzle typed in add-game mode has givens only.
    void setNotesTaken(bool taken) { m_notesTaken = taken; }
    bool notesTaken() const { return m_notesTaken; }
    puzzles::Digits notes(CellIndex index) const { return m_position.notes[at(index)]; }
    void setNotes(CellIndex index, puzzles::Digits notes);
    void clearNotes(CellIndex index) { setNotes(index, 0); }
    // Toggles a note of an empty cell that is not given; false when the cell takes none.
    bool toggleNote(CellIndex index, int digit);
    // Every empty cell that is not given gets the digits its row, column and box allow.
    void fillNotes();
    // The digits no cell of `index`'s row, column or box holds.
    puzzles::Digits allowed(CellIndex index) const { return m_position.allowed(at(index)); }

    // A whole cell as the history keeps it, and put back so.
    CellState state(CellIndex index) const;
    void setState(CellIndex index, const CellState &s);

    // A key command on the focused cell `index`, or on none (0); an action of its own.
    void command(CellIndex index, const KeyCommand &c);
    // A new puzzle or mode: nothing to undo or redo.
    void resetHistory();
    // Puts back what the action in progress changed, as if it had never run.
    void rollback();
    bool undo();
    bool redo();
    const History &history() const { return m_history; }

    // The cells a hint shows, until the next action.
    void outline(const std::vector<CellIndex> &cells);
    void clearOutline();

Q_SIGNALS:
    // A key of the window's (the keys window, a hint) pressed in a cell.
    void commandKey(Command command);
    // The outermost action has ended: what it changed is on the board.
    void acted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static std::size_t at(CellIndex index)
    {
        return static_cast<std::size_t>(textPositionOf(index));
    }
    void begin();
    void end();
    void seal();
    void textChanged(int index);
    void touch(CellIndex index);
    // Runs a rule on the position and shows the notes of the cells it changed.
    template <typename Rule> void change(Rule rule);
    void KeyDown(int index, int key, Qt::KeyboardModifiers modifiers);
    void MouseDown(int index, Qt::MouseButton button);
    void replay(const History::Step &step, bool forward);

    std::array<BoardBox *, CellCount + 1> m_boxes {};
    puzzles::Position m_position;
    History m_history;
    int m_acting = 0;
    bool m_notesTaken = true;
    bool m_replaying = false;
    bool m_outlining = false; // some cell is outlined
};

} // namespace zov::input
