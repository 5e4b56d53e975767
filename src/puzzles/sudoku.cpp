#include "puzzles/sudoku.h"

#include <algorithm>
#include <bit>

namespace zov::puzzles {
namespace {

constexpr std::uint16_t AllDigits = 0x1FF;

struct Units {
  std::array<std::array<std::uint8_t, 9>, 27> cells {};
  std::array<std::uint8_t, 81> row {}, col {}, box {};
  Units()
  {
    for (int p = 0; p < 81; ++p) {
      const int r = p / 9, c = p % 9, b = (r / 3) * 3 + c / 3;
      row[p] = static_cast<std::uint8_t>(r);
      col[p] = static_cast<std::uint8_t>(c);
      box[p] = static_cast<std::uint8_t>(b);
      cells[r][c] = static_cast<std::uint8_t>(p);
      cells[9 + c][r] = static_cast<std::uint8_t>(p);
      cells[18 + b][(r % 3) * 3 + c % 3] = static_cast<std::uint8_t>(p);
    }
  }
};
const Units units;

// Digits used per row, column and box; candidates are whatever is left.
struct State {
  Grid grid {};
  std::array<std::uint16_t, 9> row {}, col {}, box {};
  int empty = 81;

  std::uint16_t candidates(int p) const
  {
    return AllDigits & ~(row[units.row[p]] | col[units.col[p]] | box[units.box[p]]);
  }
  bool place(int p, int digit)
  {
    const auto bit = static_cast<std::uint16_t>(1u << (digit - 1));
    if (!(candidates(p) & bit))
      return false;
    grid[p] = static_cast<std::uint8_t>(digit);
    row[units.row[p]] |= bit;
    col[units.col[p]] |= bit;
    box[units.box[p]] |= bit;
    --empty;
    return true;
  }
  static std::optional<State> from(const Grid& g)
  {
    State s;
    for (int p = 0; p < 81; ++p)
      if (g[p] != 0 && (g[p] > 9 || !s.place(p, g[p])))
        return std::nullopt;
    return s;
  }
};

int digitOf(std::uint16_t bit) { return std::countr_zero(bit) + 1; }

// Naked and hidden singles until nothing changes. False on a contradiction.
bool propagate(State& s)
{
  bool progress = true;
  while (progress && s.empty > 0) {
    progress = false;
    for (int p = 0; p < 81; ++p) {
      if (s.grid[p])
        continue;
      const std::uint16_t m = s.candidates(p);
      if (m == 0)
        return false;
      if (std::has_single_bit(m)) {
        s.place(p, digitOf(m));
        progress = true;
      }
    }
    for (const auto& unit : units.cells) {
      std::uint16_t once = 0, twice = 0, placed = 0;
      for (const auto p : unit) {
        if (s.grid[p]) {
          placed |= static_cast<std::uint16_t>(1u << (s.grid[p] - 1));
          continue;
        }
        const std::uint16_t m = s.candidates(p);
        twice |= once & m;
        once |= m;
      }
      if ((once | placed) != AllDigits)
        return false;
      std::uint16_t singles = once & ~twice & ~placed;
      while (singles) {
        const auto bit = static_cast<std::uint16_t>(singles & -singles);
        singles &= static_cast<std::uint16_t>(singles - 1);
        for (const auto p : unit)
          if (!s.grid[p] && (s.candidates(p) & bit)) {
            if (!s.place(p, digitOf(bit)))
              return false;
            progress = true;
            break;
          }
      }
    }
  }
  return true;
}

struct Search {
  int limit;
  int found = 0;
  Grid* first;
  std::mt19937_64* rng;

  void run(State s)
  {
    if (!propagate(s))
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
      const int n = std::popcount(s.candidates(p));
      if (n < bestCount) {
        best = p;
        bestCount = n;
      }
    }
    std::array<int, 9> digits {};
    int count = 0;
    for (std::uint16_t m = s.candidates(best); m; m &= static_cast<std::uint16_t>(m - 1))
      digits[count++] = std::countr_zero(m) + 1;
    if (rng)
      std::shuffle(digits.begin(), digits.begin() + count, *rng);
    for (int k = 0; k < count && found < limit; ++k) {
      State next = s;
      next.place(best, digits[k]);
      run(next);
    }
  }
};

} // namespace

bool isConsistent(const Grid& grid) { return State::from(grid).has_value(); }

bool isSolved(const Grid& grid)
{
  const auto s = State::from(grid);
  return s && s->empty == 0;
}

int clueCount(const Grid& grid)
{
  return static_cast<int>(std::count_if(grid.begin(), grid.end(), [](auto d) { return d != 0; }));
}

int countSolutions(const Grid& grid, int limit, Grid* first)
{
  const auto start = State::from(grid);
  if (!start || limit <= 0)
    return 0;
  Search search { limit, 0, first, nullptr };
  search.run(*start);
  return search.found;
}

std::optional<Grid> solve(const Grid& grid)
{
  Grid solution {};
  if (countSolutions(grid, 2, &solution) != 1)
    return std::nullopt;
  return solution;
}

namespace {

Grid carve(std::mt19937_64& rng, int targetClues)
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

Grid generate(std::mt19937_64& rng, int targetClues)
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

std::string toText(const Grid& grid)
{
  std::string text(81, '.');
  for (std::size_t p = 0; p < 81; ++p)
    if (grid[p] >= 1 && grid[p] <= 9)
      text[p] = static_cast<char>('0' + grid[p]);
  return text;
}

} // namespace zov::puzzles
