#include "puzzles/rules.h"

#include "board/cells.h"
#include "puzzles/units.h"

#include <algorithm>

namespace zov::puzzles {
namespace {

// The first group, in the order of groups(), that holds some digit twice; 27 when none does.
// One pass over the cells, as the solver asks this of every grid it is given.
std::size_t firstGroupWithRepeat(const Grid &grid)
{
    std::array<unsigned, 27> seen {};
    std::size_t first = seen.size();
    for (int p = 0; p < CellCount; ++p) {
        const int digit = grid[static_cast<std::size_t>(p)];
        if (digit < 1 || digit > 9)
            continue;
        const unsigned bit = 1u << digit;
        for (const int g : groupsOf(cellOfTextPosition(p))) {
            const auto k = static_cast<std::size_t>(g);
            if (seen[k] & bit)
                first = std::min(first, k);
            seen[k] |= bit;
        }
    }
    return first;
}

} // namespace

std::optional<Repeat> findRepeat(const Grid &grid)
{
    const std::size_t g = firstGroupWithRepeat(grid);
    if (g == groups().size())
        return std::nullopt;
    std::array<int, 10> at;
    at.fill(-1);
    for (const CellIndex i : groups()[g]) {
        const int p = textPositionOf(i);
        const int digit = grid[static_cast<std::size_t>(p)];
        if (digit < 1 || digit > 9)
            continue;
        if (const int q = at[static_cast<std::size_t>(digit)]; q >= 0) {
            // groups() runs rows, boxes, columns, nine of each.
            const auto unit = g < 9 ? Repeat::Unit::Row
                : g < 18            ? Repeat::Unit::Box
                                    : Repeat::Unit::Column;
            const std::size_t kind = unit == Repeat::Unit::Row ? 0
                : unit == Repeat::Unit::Column                 ? 1
                                                               : 2;
            return Repeat { digit, unit, static_cast<int>(g % 9) + 1, std::min(p, q),
                std::max(p, q), units.of[static_cast<std::size_t>(p)][kind] };
        }
        at[static_cast<std::size_t>(digit)] = p;
    }
    return std::nullopt; // not reached: group g holds a repeat
}

Cells clashes(const Grid &grid)
{
    Cells out;
    for (const auto &unit : units.cells) {
        // The first cell of each digit in the unit, to be marked too once a second turns up.
        std::array<int, 10> first;
        first.fill(-1);
        for (const int p : unit) {
            const int digit = grid[static_cast<std::size_t>(p)];
            if (digit < 1 || digit > 9)
                continue;
            int &seen = first[static_cast<std::size_t>(digit)];
            if (seen < 0) {
                seen = p;
                continue;
            }
            out.add(seen);
            out.add(p);
        }
    }
    return out;
}

} // namespace zov::puzzles
