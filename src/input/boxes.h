#pragma once

// The boxes of the board's array: the 81 cells and the game-number box. Each keeps its back and
// text colours as the logical values the game reads back, and shows them through the desktop's
// palette.

#include "board/cells.h"
#include "puzzles/units.h"

#include <QLineEdit>

namespace zov::input {

class BoardBox : public QLineEdit
{
    Q_OBJECT
public:
    int index() const { return m_index; }
    ColourValue backColour() const { return m_back; }
    void setBackColour(ColourValue colour);
    ColourValue foreColour() const { return m_fore; }
    void setForeColour(ColourValue colour);
    // Hands an event to the box itself, past every filter: the board delivers the player's
    // input so, inside the action that the input is.
    bool deliver(QEvent *event) { return QLineEdit::event(event); }

protected:
    BoardBox(int index, ColourValue back, ColourValue fore, QWidget *parent);
    // Sets the palette where the colours differ from the scheme's own; for the constructors of
    // the boxes, once they are set up.
    void showColours();
    void changeEvent(QEvent *event) override;
    virtual void backChanged() { }
    // Shown on a shaded back (the same-digit aid), its colour value unchanged.
    virtual bool tinted() const { return false; }
    void updatePalette();

private:
    // The colours the box shows on a scheme: back, text, and the window colour its edge is
    // drawn from.
    struct Look
    {
        QColor back, fore, window;
    };
    Look lookOn(const QPalette &scheme) const;
    int m_index;
    ColourValue m_back;
    ColourValue m_fore;
};

// A cell of the board: it holds nothing or one digit, and, while empty, the player's notes.
class CellBox : public BoardBox
{
    Q_OBJECT
public:
    CellBox(CellIndex index, QWidget *parent);

    puzzles::Digits notes() const { return m_notes; }
    void setNotes(puzzles::Digits notes);
    // Drawn round the cell while a hint shows it.
    bool outlined() const { return m_outlined; }
    void setOutlined(bool on);
    // Marked by the drawing of the hint shown (which draws it itself): said, not drawn here.
    bool hinted() const { return m_hinted; }
    void setHinted(bool on);
    // The aids a player may turn on, all off at the start. A digit that repeats in its row,
    // column or box gets a dashed frame and a strike, seen without colour; a cell holding the
    // digit looked at gets a shaded back, and an empty cell that notes it a shaded note.
    bool clashing() const { return m_clashing; }
    void setClashing(bool on);
    bool shaded() const { return m_shaded; }
    int shadedNote() const { return m_shadedNote; }
    void setShade(bool cell, int note);

    // Where a note of `digit` is drawn: the ninth of the contents that a keypad would give it,
    // 1 at the top left and 9 at the bottom right.
    QRect noteArea(int digit) const;
    QFont noteFont() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void backChanged() override { updateDescription(); }
    bool tinted() const override { return m_shaded; }

private:
    void updateDescription();
    puzzles::Digits m_notes = 0;
    bool m_outlined = false;
    bool m_hinted = false;
    bool m_clashing = false;
    bool m_shaded = false;
    int m_shadedNote = 0;
};

// The disabled box beside the board that shows the puzzle's number.
class GameNumberBox : public BoardBox
{
    Q_OBJECT
public:
    explicit GameNumberBox(QWidget *parent);

    // Where the number is drawn, and in which font: the box's own font when the whole number
    // fits with a pixel to spare on either side, otherwise the largest smaller size, in quarter
    // points, that fits so.
    QRect numberArea() const;
    QFont numberFont() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace zov::input
