#include "board/cells.h"

namespace zov {

std::array<Group, 27> const &groups()
{
    static const std::array<Group, 27> all = [] {
        std::array<Group, 27> g {};
        for (int r = 0; r < 9; ++r)
            for (int c = 0; c < 9; ++c)
                g[r][c] = cellAt(r + 1, c + 1);
        const int boxBase[9] = { 1, 4, 7, 28, 31, 34, 55, 58, 61 };
        for (int b = 0; b < 9; ++b)
            for (int k = 0; k < 9; ++k)
                g[9 + b][k] = boxBase[b] + (k / 3) * 9 + k % 3;
        for (int c = 0; c < 9; ++c)
            for (int r = 0; r < 9; ++r)
                g[18 + c][r] = cellAt(r + 1, c + 1);
        return g;
    }();
    return all;
}

} // namespace zov
