#pragma once

// The board: the control array txtRow1 of 82 text boxes. Element 0 is the game-number box,
// 1 to 81 are the cells. What the boxes show is the whole state of a game.

#include "board/cells.h"

#include <QLineEdit>
#include <QObject>
#include <array>

namespace zov {

// One text box of the array. It keeps its back and text colours as the logical values the
// game reads back, and shows them through the desktop palette.
class CellBox : public QLineEdit
{
    Q_OBJECT
public:
    CellBox(int index, QWidget *parent);
    int index() const { return m_index; }
    ColourValue backColour() const { return m_back; }
    void setBackColour(ColourValue colour);
    ColourValue foreColour() const { return m_fore; }
    void setForeColour(ColourValue colour);

    // Where the game-number box draws its number, and in which font: the box's own font when
    // the whole number fits with a pixel to spare on either side, otherwise the largest smaller
    // size, in quarter points, that fits so.
    QRect numberArea() const;
    QFont numberFont() const;

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The colours the box shows on a scheme: back, text, and the window colour its edge is
    // drawn from.
    struct Look
    {
        QColor back, fore, window;
    };
    Look lookOn(const QPalette &scheme) const;
    void updatePalette();
    void updateDescription();
    int m_index;
    ColourValue m_back = OpenColour;
    ColourValue m_fore = Black;
};

class Board : public QObject
{
    Q_OBJECT
public:
    // Creates the boxes as children of `surface`, at their places.
    explicit Board(QWidget *surface);

    CellBox *txtRow1(int index) const { return m_boxes.at(static_cast<std::size_t>(index)); }
    QString text(int index) const { return txtRow1(index)->text(); }
    // Runs CellInputFilter before it returns when the text changes, as typing does. Emptying an
    // empty box changes nothing, and skipping it spares a text layout per box (New empties 82).
    void setText(int index, const QString &text)
    {
        CellBox *box = txtRow1(index);
        if (!text.isEmpty() || !box->text().isEmpty())
            box->setText(text);
    }
    ColourValue backColour(int index) const { return txtRow1(index)->backColour(); }
    void setBackColour(int index, ColourValue c) { txtRow1(index)->setBackColour(c); }
    QString gameNumberText() const { return text(0); }

    // Keeps a box empty or holding a non-zero number, and gives a single digit its colour.
    void CellInputFilter(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void KeyDown(int index, int key, Qt::KeyboardModifiers modifiers);
    void MouseDown(int index, Qt::MouseButton button);
    std::array<CellBox *, CellCount + 1> m_boxes {};
};

} // namespace zov
