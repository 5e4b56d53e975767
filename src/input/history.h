#pragma once

// The board's undo history. A step is one player action: whatever the cells went through while
// it ran, kept as each changed cell's state before and after. Nothing of it is ever stored.

#include "board/cells.h"
#include "puzzles/position.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <vector>

namespace zov::input {

// All that a cell means: its digit (0 when empty), notes, whether it is given, marked or
// open, and the digit whose colour its text and cursor carry (0 for the cell's first colour).
// The colours the board shows follow from these.
struct CellState
{
    std::uint8_t digit = 0;
    puzzles::Digits notes = 0;
    puzzles::CellKind kind = puzzles::CellKind::Open;
    std::uint8_t ink = 0;
    bool operator==(const CellState &) const = default;
};

class History
{
public:
    struct Change
    {
        CellIndex cell;
        CellState before, after;
    };
    // Changed cells in ascending order.
    using Step = std::vector<Change>;

    // A cell is about to change; the first call in a step keeps what it shows now.
    void touch(CellIndex cell, const CellState &now)
    {
        if (m_touched.test(static_cast<std::size_t>(cell)))
            return;
        m_touched.set(static_cast<std::size_t>(cell));
        m_open.push_back({ cell, now, now });
    }
    // Ends the step in progress; `shown` reads a cell as it is now. A step that left every cell
    // as it was is no step, and keeps what can be redone.
    void seal(const std::function<CellState(CellIndex)> &shown);
    // Drops the step in progress and hands back what it touched, each cell's `before` state
    // to be shown again.
    Step abandon();
    // Forgets everything: a new puzzle, or a switch of mode.
    void reset();

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    // The step to take back (its `before` states are to be shown), moved to the redo side.
    const Step *undo();
    // The step to take again (its `after` states), moved back to the undo side.
    const Step *redo();

    std::size_t size() const { return m_undo.size(); }
    bool pending() const { return !m_open.empty(); }

private:
    std::vector<Step> m_undo, m_redo;
    Step m_open;
    std::bitset<CellCount + 1> m_touched;
};

} // namespace zov::input
