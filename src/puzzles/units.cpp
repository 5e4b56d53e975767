#include "puzzles/units.h"

#include "board/cells.h"

#include <algorithm>

namespace zov::puzzles {

Units::Units()
{
    // groups() runs rows, boxes, columns; here the order is rows, columns, boxes.
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
        masks[bits(m)].push_back(static_cast<Digits>(m));
}

const Units units;

std::array<Digits, 27> unitDigits(const Grid &grid)
{
    std::array<Digits, 27> held {};
    for (int p = 0; p < 81; ++p)
        if (const int d = grid[static_cast<std::size_t>(p)]; d >= 1 && d <= 9)
            for (const auto u : units.of[static_cast<std::size_t>(p)])
                held[u] = static_cast<Digits>(held[u] | digitBit(d));
    return held;
}

Digits allowedAt(const Grid &grid, int p)
{
    Digits held = 0;
    for (const auto q : units.peers[static_cast<std::size_t>(p)])
        if (const int d = grid[q]; d >= 1 && d <= 9)
            held = static_cast<Digits>(held | digitBit(d));
    return static_cast<Digits>(AllDigits & ~held);
}

} // namespace zov::puzzles
