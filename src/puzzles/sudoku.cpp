#include "puzzles/sudoku.h"
#include "puzzles/bandsolver.h"

#include <algorithm>

namespace zov::puzzles {
namespace {

// The givens alone: no digit twice in a row, column or box, and none above 9.
bool givensFit(const Grid &grid, int &filled)
{
    std::array<std::uint16_t, 27> used {};
    filled = 0;
    for (int p = 0; p < 81; ++p) {
        const int d = grid[static_cast<std::size_t>(p)];
        if (d == 0)
            continue;
        if (d > 9)
            return false;
        const int r = p / 9, c = p % 9, b = (r / 3) * 3 + c / 3;
        const auto bit = static_cast<std::uint16_t>(1u << d);
        for (const int u : { r, 9 + c, 18 + b }) {
            if (used[static_cast<std::size_t>(u)] & bit)
                return false;
            used[static_cast<std::size_t>(u)]
                = static_cast<std::uint16_t>(used[static_cast<std::size_t>(u)] | bit);
        }
        ++filled;
    }
    return true;
}

} // namespace

bool isConsistent(const Grid &grid)
{
    int filled = 0;
    return givensFit(grid, filled);
}

bool isSolved(const Grid &grid)
{
    int filled = 0;
    return givensFit(grid, filled) && filled == 81;
}

int clueCount(const Grid &grid)
{
    return static_cast<int>(std::count_if(grid.begin(), grid.end(), [](auto d) { return d != 0; }));
}

int countSolutions(const Grid &grid, int limit, Grid *first)
{
    int filled = 0;
    if (limit <= 0 || !givensFit(grid, filled))
        return 0;
    return band::countSolutions(grid, limit, first);
}

namespace {

Grid carve(std::mt19937_64 &rng, int targetClues)
{
    Grid full {};
    band::countSolutions(Grid {}, 1, &full, &rng);

    Grid puzzle = full;
    std::array<int, 41> pairs {};
    for (int p = 0; p <= 40; ++p)
        pairs[p] = p;
    std::shuffle(pairs.begin(), pairs.end(), rng);
    int clues = 81;
    for (const int p : pairs) {
        const int mirror = 80 - p;
        const int removed = p == mirror ? 1 : 2;
        if (clues - removed < targetClues)
            continue;
        Grid trial = puzzle;
        trial[p] = trial[mirror] = 0;
        if (hasUniqueSolution(trial)) {
            puzzle = trial;
            clues -= removed;
        }
    }
    return puzzle;
}

} // namespace

Grid generate(std::mt19937_64 &rng, int targetClues)
{
    // Low targets are often out of reach of one grid; a few fresh grids usually get there.
    constexpr int Attempts = 40;
    Grid best = carve(rng, targetClues);
    for (int k = 1; k < Attempts && clueCount(best) > targetClues; ++k) {
        const Grid next = carve(rng, targetClues);
        if (clueCount(next) < clueCount(best))
            best = next;
    }
    return best;
}

std::optional<Grid> fromText(std::string_view text)
{
    if (text.size() != 81)
        return std::nullopt;
    Grid grid {};
    for (std::size_t p = 0; p < 81; ++p) {
        const char ch = text[p];
        if (ch == '.' || ch == '0')
            grid[p] = 0;
        else if (ch >= '1' && ch <= '9')
            grid[p] = static_cast<std::uint8_t>(ch - '0');
        else
            return std::nullopt;
    }
    return grid;
}

std::string toText(const Grid &grid)
{
    std::string text(81, '.');
    for (std::size_t p = 0; p < 81; ++p)
        if (grid[p] >= 1 && grid[p] <= 9)
            text[p] = static_cast<char>('0' + grid[p]);
    return text;
}

} // namespace zov::puzzles
