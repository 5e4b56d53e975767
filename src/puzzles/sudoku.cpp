#include "puzzles/sudoku.h"
#include "puzzles/bandsolver.h"
#include "puzzles/rules.h"

#include <algorithm>

namespace zov::puzzles {

bool isConsistent(const Grid &grid)
{
    return std::all_of(grid.begin(), grid.end(), [](auto d) { return d <= 9; })
        && !findRepeat(grid);
}

bool isSolved(const Grid &grid) { return isConsistent(grid) && clueCount(grid) == 81; }

int clueCount(const Grid &grid)
{
    return static_cast<int>(std::count_if(grid.begin(), grid.end(), [](auto d) { return d != 0; }));
}

int countSolutions(const Grid &grid, int limit, Grid *first)
{
    if (limit <= 0 || !isConsistent(grid))
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
        const int value = cellValue(text[p]);
        if (value < 0)
            return std::nullopt;
        grid[p] = static_cast<std::uint8_t>(value);
    }
    return grid;
}

std::string toText(const Grid &grid)
{
    std::string text(81, BlankCell);
    for (std::size_t p = 0; p < 81; ++p)
        text[p] = cellChar(grid[p]);
    return text;
}

} // namespace zov::puzzles
