#pragma once

// The board's undo history. A step is one action as the player sees it: whatever the cells went
// through between two of the player's inputs, kept as each changed cell's state before and
// after. Nothing of it is ever stored.

#include "board/cells.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <vector>

namespace zov::input {

// Bit d-1 for a note of digit d.
using Notes = std::uint16_t;
inline constexpr Notes AllNotes = 0x1FF;
constexpr Notes noteBit(int digit) { return static_cast<Notes>(1u << (digit - 1)); }

// All that a cell shows: its digit (0 when empty), notes, back and text colours.
struct CellState
{
    std::uint8_t digit = 0;
    Notes notes = 0;
    ColourValue back = OpenColour;
    ColourValue fore = Black;
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
