#include "puzzles/bandsolver.h"

#include <algorithm>
#include <bit>

namespace zov::puzzles::band {
namespace {

// A band's 27 cells, bit 9 * row + column with the row counted within the band.
constexpr std::uint32_t AllCells = 0x7FFFFFF;
constexpr std::uint32_t AllColumns = 0x1FF;

// The nine columns of a band folded onto one row, and a row mask repeated on all three rows.
constexpr std::uint32_t fold(std::uint32_t m) { return (m | m >> 9 | m >> 18) & AllColumns; }
constexpr std::uint32_t spread(std::uint32_t columns) { return columns * 0x40201u; }

constexpr std::uint32_t rowOf(std::uint32_t cell)
{
    return cell <= 0x100 ? 0x1FFu : cell <= 0x20000 ? 0x3FE00u : 0x7FC0000u;
}

struct Tables
{
    // For one row of a band: which of its three box segments hold a candidate (3 bits).
    std::array<std::uint8_t, 512> boxesOfRow {};
    // The row itself when it holds exactly one candidate, else 0.
    std::array<std::uint16_t, 512> single {};
    // For a digit's columns found in this band and in no other: each box holding such a column
    // keeps only those columns (the digit must go there), the other boxes keep all three.
    std::array<std::uint16_t, 512> keepColumns {};
    // For a digit's columns in a band: the columns that are a box's only one, which the other
    // bands lose.
    std::array<std::uint16_t, 512> lockedColumns {};
    // Indexed by the nine segments (row r, box k at bit 3r + k) that hold a candidate: the cells
    // of every segment that lies on some placement of the digit in the band, one segment per
    // row and per box. No placement leaves nothing, which tells a dead end.
    std::array<std::uint32_t, 512> placeable {};

    constexpr Tables()
    {
        for (std::uint32_t m = 0; m < 512; ++m) {
            for (int k = 0; k < 3; ++k)
                if (m >> (3 * k) & 7)
                    boxesOfRow[m] = static_cast<std::uint8_t>(boxesOfRow[m] | 1u << k);
            if (m && (m & (m - 1)) == 0)
                single[m] = static_cast<std::uint16_t>(m);
            std::uint32_t keep = 0;
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t only = m >> (3 * k) & 7;
                keep |= (only ? only : 7u) << (3 * k);
            }
            keepColumns[m] = static_cast<std::uint16_t>(keep);
            std::uint32_t locked = 0;
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t box = m >> (3 * k) & 7;
                if ((box & (box - 1)) == 0)
                    locked |= box << (3 * k);
            }
            lockedColumns[m] = static_cast<std::uint16_t>(locked);
            constexpr int orders[6][3]
                = { { 0, 1, 2 }, { 0, 2, 1 }, { 1, 0, 2 }, { 1, 2, 0 }, { 2, 0, 1 }, { 2, 1, 0 } };
            std::uint32_t cells = 0;
            for (const auto &box : orders) {
                std::uint32_t segments = 0, mask = 0;
                for (int r = 0; r < 3; ++r) {
                    segments |= 1u << (3 * r + box[r]);
                    mask |= 7u << (9 * r + 3 * box[r]);
                }
                if ((m & segments) == segments)
                    cells |= mask;
            }
            placeable[m] = cells;
        }
    }
};
constexpr Tables tables;

// The other two bands of a band.
constexpr int otherA[3] = { 1, 0, 0 };
constexpr int otherB[3] = { 2, 2, 1 };

// Candidates per digit and band, index 3 * digit + band. A placed digit keeps its bit and loses
// its row, column and box; the cell leaves `open`. Small enough to copy at every guess.
struct BandState
{
    std::array<std::uint32_t, 27> cand;
    // Each word as it was when last brought to its own fixed point; a difference means work.
    // The Stale bit, which no candidate word has, asks for an update while keeping the word.
    static constexpr std::uint32_t Stale = 1u << 31;
    std::array<std::uint32_t, 27> seen;
    std::array<std::uint32_t, 3> open;
    // Each word's columns as its last update left them. The other bands of a digit read these
    // rather than fold their words again: columns only shrink, so a claim made on them is
    // sound, and a band whose columns shrink marks the others that may gain one.
    std::array<std::uint16_t, 27> cols;

    // Keeps only `cell` of its row for the digit; updating the word does the rest.
    void place(int digit, int band, std::uint32_t cell)
    {
        cand[3 * digit + band] &= ~(rowOf(cell) ^ cell);
    }

    // One digit in one band: columns held by no other band claim their box, rows and boxes
    // keep only segments that fit a placement, and rows left with one cell place the digit.
    bool update(int i)
    {
        const int b = i % 3, base = i - b;
        const int ia = base + otherA[b], ib = base + otherB[b];
        std::uint32_t m = cand[i];
        const std::uint32_t elsewhere = cols[ia] | cols[ib];
        if (const std::uint32_t only = fold(m) & ~elsewhere)
            m &= spread(tables.keepColumns[only]);
        const std::uint32_t segments = tables.boxesOfRow[m & 0x1FF]
            | tables.boxesOfRow[m >> 9 & 0x1FF] << 3 | tables.boxesOfRow[m >> 18] << 6;
        m &= tables.placeable[segments];
        const std::uint32_t here = fold(m);
        if (m == 0 || (here | elsewhere) != AllColumns)
            return false;
        const std::uint32_t placed = (tables.single[m & 0x1FF] | tables.single[m >> 9 & 0x1FF] << 9
                                         | static_cast<std::uint32_t>(tables.single[m >> 18]) << 18)
            & open[b];
        if (placed) {
            open[b] &= ~placed;
            for (int e = b; e < 27; e += 3)
                cand[e] &= ~placed;
        }
        // A box that keeps the digit in one column takes that column from the other bands;
        // so does every placed cell.
        const std::uint32_t columns = spread(tables.lockedColumns[here]);
        cand[ia] &= ~columns;
        cand[ib] &= ~columns;
        // Columns this band gave up may now belong to one of the others alone.
        if (const std::uint32_t gone = cols[i] & ~here) {
            cols[i] = static_cast<std::uint16_t>(here);
            const std::uint32_t ca = cols[ia], cb = cols[ib];
            if (gone & ca & ~cb)
                seen[ia] |= Stale;
            if (gone & cb & ~ca)
                seen[ib] |= Stale;
        }
        cand[i] = seen[i] = m;
        return true;
    }

    // Updates every changed word and places cells left with one digit, until nothing changes.
    // False at a dead end.
    bool propagate()
    {
        for (;;) {
            bool changed;
            do {
                changed = false;
                for (int i = 0; i < 27; ++i)
                    if (cand[i] != seen[i]) {
                        if (!update(i))
                            return false;
                        changed = true;
                    }
            } while (changed);
            bool placed = false;
            for (int b = 0; b < 3; ++b) {
                if (!open[b])
                    continue;
                std::uint32_t once = 0, twice = 0;
                for (int i = b; i < 27; i += 3) {
                    twice |= once & cand[i];
                    once |= cand[i];
                }
                if (open[b] & ~once)
                    return false;
                for (std::uint32_t singles = open[b] & ~twice; singles; singles &= singles - 1) {
                    const std::uint32_t cell = singles & (0u - singles);
                    // A single placed just before in the same row may have taken its digit.
                    int d = 0;
                    while (d < 9 && !(cand[3 * d + b] & cell))
                        ++d;
                    if (d == 9)
                        return false;
                    place(d, b, cell);
                    placed = true;
                }
            }
            if (!placed)
                return true;
        }
    }

    bool solved() const { return (open[0] | open[1] | open[2]) == 0; }

    Grid grid() const
    {
        Grid g {};
        for (int i = 0; i < 27; ++i)
            for (std::uint32_t m = cand[i]; m; m &= m - 1)
                g[static_cast<std::size_t>(27 * (i % 3) + std::countr_zero(m))]
                    = static_cast<std::uint8_t>(i / 3 + 1);
        return g;
    }
};

struct Search
{
    int limit;
    Grid *first;
    std::mt19937_64 *rng;
    int found = 0;

    static int bits(std::uint32_t m)
    {
        int n = 0;
        for (; m; m &= m - 1)
            ++n;
        return n;
    }

    // The open cell to guess on: one with two candidates where there is one, else the fewest.
    // Of the cells with two, one in the band with the most of them and of open cells, in its
    // row with the most of them: measured, that needs about a quarter fewer guesses on hard
    // puzzles than the first such cell.
    static void choose(const BandState &s, int &band, std::uint32_t &cell)
    {
        int bestScore = 0;
        for (int b = 0; b < 3; ++b) {
            if (!s.open[b])
                continue;
            std::uint32_t one = 0, two = 0, three = 0;
            for (int i = b; i < 27; i += 3) {
                three |= two & s.cand[i];
                two |= one & s.cand[i];
                one |= s.cand[i];
            }
            if (const std::uint32_t pairs = two & ~three & s.open[b]) {
                const int score = 2 * bits(pairs) + bits(s.open[b]);
                if (score > bestScore) {
                    bestScore = score;
                    band = b;
                    int bestRow = 0;
                    for (std::uint32_t row = 0x1FF; row <= 0x7FC0000; row <<= 9)
                        if (const int n = bits(pairs & row); n > bestRow) {
                            bestRow = n;
                            const std::uint32_t inRow = pairs & row;
                            cell = inRow & (0u - inRow);
                        }
                }
            }
        }
        if (bestScore > 0)
            return;
        int bestCount = 10;
        for (int b = 0; b < 3; ++b)
            for (std::uint32_t m = s.open[b]; m && bestCount > 3; m &= m - 1) {
                const std::uint32_t c = m & (0u - m);
                int n = 0;
                for (int i = b; i < 27; i += 3)
                    n += (s.cand[i] & c) != 0;
                if (n < bestCount) {
                    bestCount = n;
                    band = b;
                    cell = c;
                }
            }
    }

    void run(BandState &s)
    {
        if (!s.propagate())
            return;
        if (s.solved()) {
            if (found++ == 0 && first)
                *first = s.grid();
            return;
        }
        int b = 0;
        std::uint32_t cell = 0;
        choose(s, b, cell);
        std::array<int, 9> digits {};
        int count = 0;
        for (int d = 0; d < 9; ++d)
            if (s.cand[3 * d + b] & cell)
                digits[static_cast<std::size_t>(count++)] = d;
        if (rng)
            std::shuffle(digits.begin(), digits.begin() + count, *rng);
        for (int k = 0; k + 1 < count; ++k) {
            const int d = digits[static_cast<std::size_t>(k)];
            BandState next = s;
            next.place(d, b, cell);
            run(next);
            if (found >= limit)
                return;
            // Every solution with this digit here is counted: the rest may rule it out.
            s.cand[3 * d + b] &= ~cell;
        }
        s.place(digits[static_cast<std::size_t>(count - 1)], b, cell);
        run(s);
    }
};

} // namespace

int countSolutions(const Grid &grid, int limit, Grid *first, std::mt19937_64 *rng)
{
    if (limit <= 0)
        return 0;
    BandState s;
    s.cand.fill(AllCells);
    s.seen.fill(BandState::Stale | AllCells);
    s.open.fill(AllCells);
    s.cols.fill(AllColumns);
    // Givens take their peers at once, which spares the updates a cascade of placings costs.
    for (int p = 0; p < 81; ++p) {
        const int d = grid[static_cast<std::size_t>(p)] - 1;
        if (d < 0)
            continue;
        const int b = p / 27, column = p % 9;
        const std::uint32_t cell = 1u << (p % 27);
        const std::uint32_t peers = (rowOf(cell) | 0x1C0E07u << (column / 3 * 3)) ^ cell;
        for (int e = b; e < 27; e += 3)
            s.cand[e] &= ~cell;
        s.cand[3 * d + b] = (s.cand[3 * d + b] & ~peers) | cell;
        s.cand[3 * d + otherA[b]] &= ~spread(1u << column);
        s.cand[3 * d + otherB[b]] &= ~spread(1u << column);
        s.open[b] &= ~cell;
    }
    Search search { limit, first, rng };
    search.run(s);
    return search.found;
}

} // namespace zov::puzzles::band
