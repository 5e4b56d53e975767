#include "play/hints.h"

namespace zov {

puzzles::Position hintState(const input::Board &board, const Game &game)
{
    puzzles::Position s = board.position();
    s.givens = game.givens();
    return s;
}

std::vector<CellIndex> hintCells(const puzzles::hints::Hint &hint)
{
    std::vector<CellIndex> cells;
    for (const int p : hint.pattern)
        cells.push_back(cellOfTextPosition(p));
    return cells;
}

bool applyHint(input::Board &board, const puzzles::hints::Hint &hint)
{
    if (hint.changes.empty())
        return false;
    const input::Board::Action action(board);
    for (const auto &c : hint.changes) {
        const CellIndex i = cellOfTextPosition(c.cell);
        // The digit first: a placed digit takes notes as typing it would.
        board.setText(i, c.digit ? QString(QChar(u'0' + c.digit)) : QString());
        board.setNotes(i, c.notes);
    }
    board.cell(cellOfTextPosition(hint.changes.front().cell))->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace zov
