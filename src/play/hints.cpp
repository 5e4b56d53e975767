#include "play/hints.h"

namespace zov {

puzzles::hints::BoardState hintState(const Board &board, const Game &game)
{
    puzzles::hints::BoardState s;
    // The rows ApplyGivens writes: those of the number the game-number box shows.
    const QString shown = board.gameNumberText();
    for (const auto &row : game.rsCurrentGame())
        if (row.wellFormed() && QString::number(*row.gameNo) == shown)
            s.givens[static_cast<std::size_t>(textPositionOf(*row.index))]
                = static_cast<std::uint8_t>(*row.number);
    for (CellIndex i = 1; i <= CellCount; ++i) {
        const auto p = static_cast<std::size_t>(textPositionOf(i));
        s.shown[p] = board.cell(i)->digit();
        s.notes[p] = board.notes(i);
    }
    return s;
}

std::vector<CellIndex> hintCells(const puzzles::hints::Hint &hint)
{
    std::vector<CellIndex> cells;
    for (const int p : hint.pattern)
        cells.push_back(cellOfTextPosition(p));
    return cells;
}

bool applyHint(Board &board, const puzzles::hints::Hint &hint)
{
    if (hint.changes.empty())
        return false;
    board.sealStep();
    for (const auto &c : hint.changes) {
        const CellIndex i = cellOfTextPosition(c.cell);
        // The digit first: a placed digit takes notes as typing it would.
        board.setText(i, c.digit ? QString(QChar(u'0' + c.digit)) : QString());
        board.setNotes(i, c.notes);
    }
    board.sealStep();
    board.cell(cellOfTextPosition(hint.changes.front().cell))->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace zov
