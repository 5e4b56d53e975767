#pragma once

// The board: the control array txtRow1 of 82 text boxes. Element 0 is the game-number box,
// 1 to 81 are the cells. What the boxes show is the whole state of a game; the notes drawn in
// empty cells and the undo history belong to the board too, and are never stored.

#include "board/cells.h"
#include "input/boxes.h"
#include "input/history.h"
#include "input/keys.h"

#include <QObject>
#include <array>

namespace zov {

class Board : public QObject
{
    Q_OBJECT
public:
    // Creates the boxes as children of `surface`, at their places.
    explicit Board(QWidget *surface);

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

    // Notes. They are taken in play only: a puzzle typed in add-game mode has givens only.
    void setNotesTaken(bool taken) { m_notesTaken = taken; }
    bool notesTaken() const { return m_notesTaken; }
    input::Notes notes(CellIndex index) const { return cell(index)->notes(); }
    void setNotes(CellIndex index, input::Notes notes);
    // Toggles a note of an empty cell that is not given; false when the cell takes none.
    bool toggleNote(CellIndex index, int digit);
    // Every empty cell that is not given gets the digits its row, column and box allow.
    void fillNotes();
    void clearNotes(CellIndex index) { setNotes(index, 0); }
    // The digits no cell of `index`'s row, column or box holds.
    input::Notes allowed(CellIndex index) const;

    // A whole cell as the history keeps it, and put back so: the text through the filter, the
    // colours and notes as they were.
    input::CellState state(CellIndex index) const { return cell(index)->state(); }
    void setState(CellIndex index, const input::CellState &s);

    // Ends the step in progress, so that what comes next is a step of its own.
    void sealStep();
    // A new puzzle or mode: nothing to undo or redo.
    void resetHistory();
    bool undo();
    bool redo();
    const input::History &history() const { return m_history; }

    // The cells a hint shows, until the next key or click on the board.
    void outline(const std::vector<CellIndex> &cells);
    void clearOutline();

Q_SIGNALS:
    // A key of the window's (the keys window, a hint) pressed in a cell.
    void commandKey(input::Command command);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void textChanged(int index);
    void touch(CellIndex index);
    void KeyDown(int index, int key, Qt::KeyboardModifiers modifiers);
    void MouseDown(int index, Qt::MouseButton button);
    void command(CellIndex index, const input::KeyCommand &c);
    void replay(const input::History::Step &step, bool forward);

    std::array<BoardBox *, CellCount + 1> m_boxes {};
    input::History m_history;
    bool m_notesTaken = true;
    bool m_replaying = false;
};

} // namespace zov
