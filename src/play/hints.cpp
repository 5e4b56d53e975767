#include "play/hints.h"

#include <algorithm>

namespace zov {
namespace {

using puzzles::hints::Drawing;
using puzzles::hints::Hint;
using puzzles::hints::Role;

// The cells a hint names, text positions, each once.
std::vector<int> namedCells(const Hint &hint)
{
    std::vector<int> cells = hint.pattern;
    for (const auto &c : hint.changes)
        cells.push_back(c.cell);
    for (const auto &d : hint.drawings) {
        for (const auto &m : d.cells)
            cells.push_back(m.cell);
        for (const auto &m : d.candidates)
            cells.push_back(m.cell);
        for (const auto &l : d.lines) {
            cells.push_back(l.fromCell);
            cells.push_back(l.toCell);
        }
    }
    std::erase_if(cells, [](int p) { return p < 0 || p >= 81; });
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    return cells;
}

} // namespace

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

bool hintHolds(const puzzles::Position &then, const puzzles::Position &now, const Hint &hint)
{
    const std::vector<int> cells = namedCells(hint);
    if (cells.empty())
        return then.digits == now.digits && then.notes == now.notes;
    const auto before = then.candidates(), after = now.candidates();
    return std::all_of(cells.begin(), cells.end(), [&](int p) {
        const auto k = static_cast<std::size_t>(p);
        return then.digits[k] == now.digits[k] && before[k] == after[k];
    });
}

bool hintTaken(const puzzles::Position &then, const puzzles::Position &now, const Hint &hint)
{
    if (hint.changes.empty())
        return false;
    const puzzles::Position done = puzzles::hints::applied(then, hint);
    const auto wanted = done.candidates(), shown = now.candidates();
    return std::all_of(hint.changes.begin(), hint.changes.end(), [&](const auto &c) {
        const auto k = static_cast<std::size_t>(c.cell);
        return now.digits[k] == done.digits[k] && shown[k] == wanted[k];
    });
}

Drawing hintDrawing(const Hint &hint, int level, const puzzles::Position &state)
{
    const auto at = static_cast<std::size_t>(std::max(level, 0));
    if (at < hint.drawings.size() && !hint.drawings[at].empty())
        return hint.drawings[at];
    const bool own = std::any_of(
        hint.drawings.begin(), hint.drawings.end(), [](const Drawing &d) { return !d.empty(); });
    if (own || hint.levels.empty() || at + 1 < hint.levels.size())
        return {};
    Drawing d;
    for (const int p : hint.pattern)
        d.cells.push_back({ p, Role::Pattern, 0 });
    const auto candidates = state.candidates();
    for (const auto &c : hint.changes) {
        const auto k = static_cast<std::size_t>(c.cell);
        if (c.digit) {
            if (c.digit != state.digits[k])
                d.candidates.push_back({ c.cell, c.digit, Role::Placement, 0,
                    !(state.notes[k] & puzzles::digitBit(c.digit)) });
            continue;
        }
        for (int digit = 1; digit <= 9; ++digit) {
            const auto bit = puzzles::digitBit(digit);
            if ((candidates[k] & bit) && !(c.notes & bit))
                d.candidates.push_back(
                    { c.cell, digit, Role::Removal, 0, !(state.notes[k] & bit) });
        }
    }
    return d;
}

} // namespace zov
