#pragma once

// What a hint draws on the board: a see-through layer over the cells that takes no input, so
// that the board stays playable under it. It draws one Drawing: units shaded, cells framed,
// candidates marked in their notes' ninths, and links between them across cells.

#include "input/board.h"
#include "puzzles/hints/drawing.h"

#include <QWidget>

namespace zov {

class HintLayer : public QWidget
{
    Q_OBJECT
public:
    // Over the cells of `board`, hidden until it has something to draw.
    explicit HintLayer(input::Board &board);

    void setDrawing(const puzzles::hints::Drawing &drawing);
    void clear() { setDrawing({}); }
    const puzzles::hints::Drawing &drawing() const { return m_drawing; }

    // Where marks go, in the layer's pixels: a cell (text position) and its contents, and the
    // ninth of its contents where `digit` is noted.
    QRect cellArea(int cell) const;
    QRect contentsArea(int cell) const;
    QRect ninth(int cell, int digit) const;
    // Where a link from `cell`'s `digit` ends: the edge of the ring round it, towards `to`.
    QPointF linkEnd(int cell, int digit, QPointF to) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    input::CellBox *box(int cell) const;
    input::Board &m_board;
    puzzles::hints::Drawing m_drawing;
};

} // namespace zov
