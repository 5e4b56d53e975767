#include "puzzles/sudoku.h"

#include <algorithm>
#include <bit>

namespace zov::puzzles {
namespace {

constexpr std::uint16_t AllDigits = 0x1FF;

// Units (rows, columns, boxes) and the 20 peers of every cell.
struct Tables
{
    std::array<std::array<std::uint8_t, 9>, 27> units {};
    std::array<std::array<std::uint8_t, 20>, 81> peers {};
    Tables()
    {
        for (int p = 0; p < 81; ++p) {
            const int r = p / 9, c = p % 9, b = (r / 3) * 3 + c / 3;
            units[r][c] = static_cast<std::uint8_t>(p);
            units[9 + c][r] = static_cast<std::uint8_t>(p);
            units[18 + b][(r % 3) * 3 + c % 3] = static_cast<std::uint8_t>(p);
        }
        for (int p = 0; p < 81; ++p) {
            int n = 0;
            for (int q = 0; q < 81; ++q) {
                const bool sameRow = p / 9 == q / 9, sameCol = p % 9 == q % 9;
                const bool sameBox = (p / 27 == q / 27) && ((p % 9) / 3 == (q % 9) / 3);
                if (q != p && (sameRow || sameCol || sameBox))
                    peers[p][n++] = static_cast<std::uint8_t>(q);
            }
        }
    }
};
const Tables tables;

int digitOf(std::uint16_t bit) { return std::countr_zero(bit) + 1; }

// The candidates of every open cell, kept up to date as digits are placed. Placing a digit
// queues every peer that is left with a single candidate.
struct State
{
    Grid grid {};
    std::array<std::uint16_t, 81> cand {};
    int empty = 81;

    State() { cand.fill(AllDigits); }

    // False when the digit is not a candidate or a peer runs out of candidates.
    bool place(int p, int digit, std::array<std::uint8_t, 81> &queue, int &queued)
    {
        const auto bit = static_cast<std::uint16_t>(1u << (digit - 1));
        if (grid[p] || !(cand[p] & bit))
            return false;
        grid[p] = static_cast<std::uint8_t>(digit);
        cand[p] = 0;
        --empty;
        for (const auto q : tables.peers[p]) {
            if (!(cand[q] & bit))
                continue;
            cand[q] = static_cast<std::uint16_t>(cand[q] & ~bit);
            if (cand[q] == 0)
                return false;
            if (std::has_single_bit(cand[q]) && queued < 81)
                queue[static_cast<std::size_t>(queued++)] = q;
        }
        return true;
    }

    // Places every queued single, then hidden singles, until nothing changes.
    bool propagate(std::array<std::uint8_t, 81> &queue, int &queued)
    {
        for (;;) {
            while (queued > 0) {
                const int p = queue[static_cast<std::size_t>(--queued)];
                if (grid[p])
                    continue;
                if (cand[p] == 0 || !place(p, digitOf(cand[p]), queue, queued))
                    return false;
            }
            if (empty == 0)
                return true;
            bool placed = false;
            for (const auto &unit : tables.units) {
                std::uint16_t once = 0, twice = 0, solved = 0;
                for (const auto p : unit) {
                    if (grid[p]) {
                        solved = static_cast<std::uint16_t>(solved | (1u << (grid[p] - 1)));
                        continue;
                    }
                    twice = static_cast<std::uint16_t>(twice | (once & cand[p]));
                    once = static_cast<std::uint16_t>(once | cand[p]);
                }
                if ((once | solved) != AllDigits)
                    return false;
                std::uint16_t singles = static_cast<std::uint16_t>(once & ~twice & ~solved);
                while (singles) {
                    const auto bit = static_cast<std::uint16_t>(singles & -singles);
                    singles = static_cast<std::uint16_t>(singles & (singles - 1));
                    for (const auto p : unit)
                        if (!grid[p] && (cand[p] & bit)) {
                            if (!place(p, digitOf(bit), queue, queued))
                                return false;
                            placed = true;
                            break;
                        }
                }
                if (queued > 0)
                    break;
            }
            if (!placed && queued == 0)
                return true;
        }
    }

    // The givens placed; nothing only when a digit stands twice in a unit. An open cell left
    // without candidates is no inconsistency of the givens: the search finds it.
    static std::optional<State> from(const Grid &g)
    {
        State s;
        for (int p = 0; p < 81; ++p) {
            if (g[p] == 0)
                continue;
            const auto bit = static_cast<std::uint16_t>(1u << (g[p] - 1));
            if (g[p] > 9 || !(s.cand[p] & bit))
                return std::nullopt;
            s.grid[p] = g[p];
            s.cand[p] = 0;
            --s.empty;
            for (const auto q : tables.peers[p])
                s.cand[q] = static_cast<std::uint16_t>(s.cand[q] & ~bit);
        }
        return s;
    }
};

struct Search
{
    int limit;
    int found = 0;
    Grid *first;
    std::mt19937_64 *rng;

    void run(State s)
    {
        std::array<std::uint8_t, 81> queue {};
        int queued = 0;
        for (int p = 0; p < 81; ++p) {
            if (s.grid[p])
                continue;
            if (s.cand[p] == 0)
                return;
            if (std::has_single_bit(s.cand[p]))
                queue[static_cast<std::size_t>(queued++)] = static_cast<std::uint8_t>(p);
        }
        descend(s, queue, queued);
    }

    void descend(State &s, std::array<std::uint8_t, 81> &queue, int &queued)
    {
        if (!s.propagate(queue, queued))
            return;
        if (s.empty == 0) {
            if (found++ == 0 && first)
                *first = s.grid;
            return;
        }
        int best = -1, bestCount = 10;
        for (int p = 0; p < 81 && bestCount > 2; ++p) {
            if (s.grid[p])
                continue;
            const int n = std::popcount(s.cand[p]);
            if (n < bestCount) {
                best = p;
                bestCount = n;
            }
        }
        std::array<int, 9> digits {};
        int count = 0;
        for (std::uint16_t m = s.cand[best]; m; m = static_cast<std::uint16_t>(m & (m - 1)))
            digits[static_cast<std::size_t>(count++)] = std::countr_zero(m) + 1;
        if (rng)
            std::shuffle(digits.begin(), digits.begin() + count, *rng);
        for (int k = 0; k < count && found < limit; ++k) {
            State next = s;
            std::array<std::uint8_t, 81> q {};
            int nq = 0;
            if (next.place(best, digits[static_cast<std::size_t>(k)], q, nq))
                descend(next, q, nq);
        }
    }
};

} // namespace

bool isConsistent(const Grid &grid) { return State::from(grid).has_value(); }

bool isSolved(const Grid &grid)
{
    const auto s = State::from(grid);
    return s && s->empty == 0;
}

int clueCount(const Grid &grid)
{
    return static_cast<int>(std::count_if(grid.begin(), grid.end(), [](auto d) { return d != 0; }));
}

int countSolutions(const Grid &grid, int limit, Grid *first)
{
    const auto start = State::from(grid);
    if (!start || limit <= 0)
        return 0;
    Search search { limit, 0, first, nullptr };
    search.run(*start);
    return search.found;
}

std::optional<Grid> solve(const Grid &grid)
{
    Grid solution {};
    if (countSolutions(grid, 2, &solution) != 1)
        return std::nullopt;
    return solution;
}

namespace {

Grid carve(std::mt19937_64 &rng, int targetClues)
{
    Grid full {};
    Search fill { 1, 0, &full, &rng };
    fill.run(State {});

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
