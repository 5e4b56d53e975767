#pragma once

// The board's 27 units as every rule over text positions walks them (puzzles/grid.h), and the
// one spelling of a set of digits. Units hold their cells in text order: the rows top to bottom
// (0-8), the columns left to right (9-17), then the boxes from the top left (18-26), each box
// row by row.

#include "puzzles/grid.h"

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace zov::puzzles {

// Bit d-1 for digit d; also, in a unit, bit i for its i-th cell.
using Digits = std::uint16_t;
inline constexpr Digits AllDigits = 0x1FF;
constexpr Digits digitBit(int digit) { return static_cast<Digits>(1u << (digit - 1)); }

// A table, as without POPCNT in the baseline instruction set std::popcount is a library call.
inline constexpr auto BitCounts = [] {
    std::array<std::uint8_t, 512> n {};
    for (unsigned m = 1; m < 512; ++m)
        n[m] = static_cast<std::uint8_t>(n[m >> 1] + (m & 1));
    return n;
}();
inline int bits(unsigned m) { return BitCounts[m & 0x1FF]; }
inline int lowest(unsigned m) { return std::countr_zero(m); }

// A set of cells, bit p for cell p.
struct Cells
{
    std::uint64_t lo = 0, hi = 0;
    void add(int p) { (p < 64 ? lo : hi) |= std::uint64_t { 1 } << (p & 63); }
    bool has(int p) const { return ((p < 64 ? lo : hi) >> (p & 63)) & 1; }
    Cells operator&(const Cells &o) const { return { lo & o.lo, hi & o.hi }; }
    Cells &operator|=(const Cells &o)
    {
        lo |= o.lo;
        hi |= o.hi;
        return *this;
    }
    bool any() const { return lo || hi; }
    template <typename F> void each(F f) const
    {
        for (std::uint64_t m = lo; m; m &= m - 1)
            f(std::countr_zero(m));
        for (std::uint64_t m = hi; m; m &= m - 1)
            f(64 + std::countr_zero(m));
    }
};

struct Units
{
    static constexpr int FirstBox = 18; // after nine rows and nine columns
    std::array<std::array<std::uint8_t, 9>, 27> cells {};
    std::array<std::array<std::uint8_t, 20>, 81> peers {}; // ascending
    std::array<std::array<bool, 81>, 81> sees {};
    std::array<Cells, 81> peerSet {};
    std::array<std::array<std::uint8_t, 3>, 81> of {}; // a cell's row, column and box
    // Subsets of up to nine items by size: masks[n] lists every 9-bit mask with n bits.
    std::array<std::vector<Digits>, 10> masks;

    Units();
};
extern const Units units;

// The digits each unit holds.
std::array<Digits, 27> unitDigits(const Grid &grid);
// The digits no cell of p's row, column and box holds, from unitDigits().
inline Digits allowedBy(const std::array<Digits, 27> &held, int p)
{
    const auto &of = units.of[static_cast<std::size_t>(p)];
    return static_cast<Digits>(AllDigits & ~(held[of[0]] | held[of[1]] | held[of[2]]));
}
// The same for one cell, from its twenty peers.
Digits allowedAt(const Grid &grid, int p);

} // namespace zov::puzzles
