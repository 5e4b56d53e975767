#include "puzzles/rules.h"

#include "board/cells.h"

namespace zov::puzzles {

std::optional<Repeat> findRepeat(const Grid &grid)
{
    const auto &all = groups();
    for (std::size_t g = 0; g < all.size(); ++g) {
        unsigned seen = 0;
        for (const CellIndex i : all[g]) {
            const int digit = grid[static_cast<std::size_t>(textPositionOf(i))];
            if (digit < 1 || digit > 9)
                continue;
            const unsigned bit = 1u << digit;
            if (seen & bit) {
                // groups() runs rows, boxes, columns, nine of each.
                const auto unit = g < 9 ? Repeat::Unit::Row
                    : g < 18            ? Repeat::Unit::Box
                                        : Repeat::Unit::Column;
                return Repeat { digit, unit, static_cast<int>(g % 9) + 1 };
            }
            seen |= bit;
        }
    }
    return std::nullopt;
}

} // namespace zov::puzzles
