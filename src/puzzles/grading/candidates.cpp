#include "puzzles/grading/candidates.h"

#include "board/cells.h"

#include <algorithm>

namespace zov::puzzles::grading {

Units::Units()
{
    // groups() runs rows, boxes, columns; the grader's order is rows, columns, boxes.
    constexpr int kinds[3] = { 0, 18, 9 };
    for (int k = 0; k < 3; ++k) {
        std::array<std::array<std::uint8_t, 9>, 9> kind {};
        for (std::size_t n = 0; n < 9; ++n) {
            const Group &group = groups()[static_cast<std::size_t>(kinds[k]) + n];
            for (std::size_t i = 0; i < 9; ++i)
                kind[n][i] = static_cast<std::uint8_t>(textPositionOf(group[i]));
            std::sort(kind[n].begin(), kind[n].end());
        }
        std::sort(kind.begin(), kind.end());
        std::copy(kind.begin(), kind.end(), cells.begin() + 9 * k);
    }
    for (int u = 0; u < 27; ++u)
        for (const auto p : cells[u]) {
            of[p][static_cast<std::size_t>(u / 9)] = static_cast<std::uint8_t>(u);
            for (const auto q : cells[u])
                sees[p][q] = sees[p][q] || q != p;
        }
    for (int p = 0; p < 81; ++p) {
        int n = 0;
        for (int q = 0; q < 81; ++q)
            if (sees[p][q]) {
                peers[p][n++] = static_cast<std::uint8_t>(q);
                peerSet[p].add(q);
            }
    }
    for (unsigned m = 0; m < 512; ++m)
        masks[bits(m)].push_back(static_cast<Mask>(m));
}

const Units units;

} // namespace zov::puzzles::grading
