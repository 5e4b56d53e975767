#include "board/cells.h"

namespace zov {

std::array<Group, 27> const &groups()
{
    static const std::array<Group, 27> all = [] {
        std::array<Group, 27> g {};
        for (int r = 0; r < 9; ++r)
            for (int c = 0; c < 9; ++c)
                g[r][c] = cellAt(r + 1, c + 1);
        std::array<int, 9> filled {};
        for (CellIndex i = 1; i <= CellCount; ++i) {
            const auto b = static_cast<std::size_t>(boxOf(i) - 1);
            g[9 + b][static_cast<std::size_t>(filled[b]++)] = i;
        }
        for (int c = 0; c < 9; ++c)
            for (int r = 0; r < 9; ++r)
                g[18 + c][r] = cellAt(r + 1, c + 1);
        return g;
    }();
    return all;
}

} // namespace zov
