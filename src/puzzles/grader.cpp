#include "puzzles/grader.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace zov::puzzles {
namespace {

using Mask = std::uint16_t; // bit d-1 for digit d, or bit i for the i-th cell of a unit
constexpr Mask AllDigits = 0x1FF;

// A table, as without POPCNT in the baseline instruction set std::popcount is a library call.
constexpr auto BitCounts = [] {
    std::array<std::uint8_t, 512> n {};
    for (unsigned m = 1; m < 512; ++m)
        n[m] = static_cast<std::uint8_t>(n[m >> 1] + (m & 1));
    return n;
}();
int bits(unsigned m) { return BitCounts[m & 0x1FF]; }
int lowest(unsigned m) { return std::countr_zero(m); }

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

struct Tables
{
    std::array<std::array<std::uint8_t, 9>, 27> units {}; // rows, columns, boxes
    std::array<std::array<std::uint8_t, 20>, 81> peers {};
    std::array<std::array<bool, 81>, 81> sees {};
    std::array<Cells, 81> peerSet {};
    std::array<std::array<std::uint8_t, 3>, 81> unitsOf {};
    // Subsets of up to nine items by size: masks[n] lists every 9-bit mask with n bits.
    std::array<std::vector<Mask>, 10> masks;

    Tables()
    {
        for (int p = 0; p < 81; ++p) {
            const int r = p / 9, c = p % 9, b = (r / 3) * 3 + c / 3;
            units[r][c] = units[9 + c][r] = units[18 + b][(r % 3) * 3 + c % 3]
                = static_cast<std::uint8_t>(p);
            unitsOf[p] = { static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(9 + c),
                static_cast<std::uint8_t>(18 + b) };
        }
        for (int p = 0; p < 81; ++p) {
            int n = 0;
            for (int q = 0; q < 81; ++q) {
                const bool row = p / 9 == q / 9, col = p % 9 == q % 9;
                const bool box = p / 27 == q / 27 && (p % 9) / 3 == (q % 9) / 3;
                sees[p][q] = q != p && (row || col || box);
                if (sees[p][q]) {
                    peers[p][n++] = static_cast<std::uint8_t>(q);
                    peerSet[p].add(q);
                }
            }
        }
        for (unsigned m = 0; m < 512; ++m)
            masks[bits(m)].push_back(static_cast<Mask>(m));
    }
};
const Tables t;

constexpr std::array<int, TechniqueCount> Grades {
    1, 2, // singles
    3, 3, // locked candidates
    4, 4, 4, 4, 4, 4, // subsets
    5, 5, 5, // fish
    6, 6, // wings
    7, 7, 7, // colouring and chains
    8, // trial
};

constexpr std::array<std::string_view, TechniqueCount> TechniqueNames { "hidden-single",
    "naked-single", "pointing", "claiming", "naked-pair", "hidden-pair", "naked-triple",
    "hidden-triple", "naked-quad", "hidden-quad", "x-wing", "swordfish", "jellyfish", "xy-wing",
    "xyz-wing", "simple-colouring", "x-chain", "xy-chain", "trial" };

constexpr std::array<std::string_view, TopGrade + 1> GradeNames { "invalid", "hidden-singles",
    "naked-singles", "locked-candidates", "subsets", "fish", "wings", "chains", "trial" };

// Digits placed and candidates left; `onPath` while every digit placed agrees with the
// solution, so that a step there must never remove the solution's digit.
struct Board
{
    Grid grid {};
    std::array<Mask, 81> cand {};
    int empty = 81;
    bool onPath = true;
};

enum class Outcome { Solved, Broken, Stuck };

class Rater
{
public:
    Rater(const Grid &solution, const RateOptions &options, Rating &rating)
        : m_solution(solution)
        , m_options(options)
        , m_rating(rating)
    {
        for (int k = 0; k < TechniqueCount; ++k) {
            const auto tech = static_cast<Technique>(k);
            if (Grades[static_cast<std::size_t>(k)] <= options.ceiling
                && !(options.disabled & bit(tech)))
                m_enabled |= bit(tech);
        }
    }

    Outcome solve(Board &b, int depth)
    {
        for (;;) {
            if (b.empty == 0)
                return Outcome::Solved;
            if (!consistent(b))
                return Outcome::Broken;
            if (step(b, depth))
                continue;
            if (!(m_enabled & bit(Technique::Trial)))
                return Outcome::Stuck;
            if (guess(b, depth) == Outcome::Broken)
                return Outcome::Broken;
        }
    }

private:
    const Grid &m_solution;
    const RateOptions &m_options;
    Rating &m_rating;
    unsigned m_enabled = 0;
    int m_depth = 0; // guesses held during the step being taken

    std::string m_pending; // what the step being taken changed, for the log

    void counted(Technique tech)
    {
        ++m_rating.counts[static_cast<std::size_t>(tech)];
        if (m_options.log)
            m_options.log->push_back(std::string(techniqueName(tech)) + ':' + m_pending);
        m_pending.clear();
    }

    // "r3c5=4" for a placed digit, "r3c5-47" for removed candidates.
    void note(int p, char sign, Mask m)
    {
        if (!m_options.log)
            return;
        m_pending += ' ';
        m_pending
            += { 'r', static_cast<char>('1' + p / 9), 'c', static_cast<char>('1' + p % 9), sign };
        for (int d = 0; d < 9; ++d)
            if (m >> d & 1)
                m_pending += static_cast<char>('1' + d);
    }

    void place(Board &b, int p, int d)
    {
        const auto m = static_cast<Mask>(1u << (d - 1));
        if (b.onPath && m_solution[p] != d)
            ++m_rating.unsoundSteps;
        note(p, '=', m);
        b.grid[p] = static_cast<std::uint8_t>(d);
        b.cand[p] = 0;
        --b.empty;
        for (const auto q : t.peers[p])
            b.cand[q] = static_cast<Mask>(b.cand[q] & ~m);
    }

    // True when something went.
    bool remove(Board &b, int p, Mask m)
    {
        m = static_cast<Mask>(m & b.cand[p]);
        if (!m)
            return false;
        if (b.onPath && (m >> (m_solution[p] - 1) & 1))
            ++m_rating.unsoundSteps;
        note(p, '-', m);
        b.cand[p] = static_cast<Mask>(b.cand[p] & ~m);
        return true;
    }

    static bool consistent(const Board &b)
    {
        for (int p = 0; p < 81; ++p)
            if (!b.grid[p] && !b.cand[p])
                return false;
        for (const auto &unit : t.units) {
            Mask seen = 0;
            for (const auto p : unit)
                seen = static_cast<Mask>(
                    seen | b.cand[p] | (b.grid[p] ? 1u << (b.grid[p] - 1) : 0u));
            if (seen != AllDigits)
                return false;
        }
        return true;
    }

    // Where digit bit `m` may go in `unit`, as a mask of unit positions.
    static Mask where(const Board &b, int unit, Mask m)
    {
        Mask at = 0;
        for (int i = 0; i < 9; ++i)
            if (b.cand[t.units[unit][i]] & m)
                at = static_cast<Mask>(at | (1u << i));
        return at;
    }

    static Mask placedIn(const Board &b, int unit)
    {
        Mask placed = 0;
        for (const auto p : t.units[unit])
            if (b.grid[p])
                placed = static_cast<Mask>(placed | (1u << (b.grid[p] - 1)));
        return placed;
    }

    static Cells holding(const Board &b, Mask m)
    {
        Cells at;
        for (int p = 0; p < 81; ++p)
            if (b.cand[p] & m)
                at.add(p);
        return at;
    }

    // Removes `m` from every cell of `from` that sees a cell of `ends`.
    bool removeFromSeers(Board &b, Cells from, const Cells &ends, Mask m)
    {
        Cells seers;
        ends.each([&](int e) { seers |= t.peerSet[e]; });
        bool progress = false;
        (from & seers).each([&](int p) { progress |= remove(b, p, m); });
        return progress;
    }

    // A guess is followed with singles and locked candidates only: what a person can keep
    // track of while holding a guess, and twice as fast as everything.
    bool on(Technique tech) const
    {
        return (m_enabled & bit(tech))
            && (m_depth == 0 || Grades[static_cast<std::size_t>(tech)] <= 3);
    }

    bool step(Board &b, int depth)
    {
        m_depth = depth;
        using T = Technique;
        if (on(T::HiddenSingle) && hiddenSingle(b))
            return true;
        if (on(T::NakedSingle) && nakedSingle(b))
            return true;
        if (on(T::Pointing) && pointing(b))
            return true;
        if (on(T::Claiming) && claiming(b))
            return true;
        for (int n = 2; n <= 4; ++n) {
            const auto naked = static_cast<T>(static_cast<int>(T::NakedPair) + 2 * (n - 2));
            const auto hidden = static_cast<T>(static_cast<int>(T::HiddenPair) + 2 * (n - 2));
            if (on(naked) && nakedSubset(b, n, naked))
                return true;
            if (on(hidden) && hiddenSubset(b, n, hidden))
                return true;
        }
        for (int n = 2; n <= 4; ++n) {
            const auto fishTech = static_cast<T>(static_cast<int>(T::XWing) + n - 2);
            if (on(fishTech) && fish(b, n, fishTech))
                return true;
        }
        if (on(T::XYWing) && xyWing(b))
            return true;
        if (on(T::XYZWing) && xyzWing(b))
            return true;
        if (on(T::SimpleColouring) && colouring(b))
            return true;
        if (on(T::XChain) && xChain(b))
            return true;
        if (on(T::XYChain) && xyChain(b))
            return true;
        return false;
    }

    // Boxes first, as people look for them.
    bool hiddenSingle(Board &b)
    {
        for (int k = 0; k < 27; ++k) {
            const int u = (k + 18) % 27;
            Mask once = 0, twice = 0;
            for (const auto p : t.units[u]) {
                twice = static_cast<Mask>(twice | (once & b.cand[p]));
                once = static_cast<Mask>(once | b.cand[p]);
            }
            const Mask single = static_cast<Mask>(once & ~twice);
            if (!single)
                continue;
            const Mask m = static_cast<Mask>(single & -single);
            for (const auto p : t.units[u])
                if (b.cand[p] & m) {
                    place(b, p, lowest(m) + 1);
                    counted(Technique::HiddenSingle);
                    return true;
                }
        }
        return false;
    }

    bool nakedSingle(Board &b)
    {
        for (int p = 0; p < 81; ++p)
            if (!b.grid[p] && bits(b.cand[p]) == 1) {
                place(b, p, lowest(b.cand[p]) + 1);
                counted(Technique::NakedSingle);
                return true;
            }
        return false;
    }

    // A digit that a box holds only in one row or column is not elsewhere in that line.
    bool pointing(Board &b)
    {
        for (int box = 18; box < 27; ++box)
            for (int d = 0; d < 9; ++d) {
                const auto m = static_cast<Mask>(1u << d);
                const Mask at = where(b, box, m);
                if (bits(at) < 2)
                    continue;
                int line = -1;
                if ((at & 0007) == at || (at & 0070) == at || (at & 0700) == at)
                    line = t.units[box][lowest(at)] / 9; // a row
                else if ((at & 0111) == at || (at & 0222) == at || (at & 0444) == at)
                    line = 9 + t.units[box][lowest(at)] % 9; // a column
                if (line < 0)
                    continue;
                bool progress = false;
                for (const auto p : t.units[line])
                    if (t.unitsOf[p][2] != box)
                        progress |= remove(b, p, m);
                if (progress) {
                    counted(Technique::Pointing);
                    return true;
                }
            }
        return false;
    }

    // A digit that a line holds only within one box is not elsewhere in that box.
    bool claiming(Board &b)
    {
        for (int line = 0; line < 18; ++line)
            for (int d = 0; d < 9; ++d) {
                const auto m = static_cast<Mask>(1u << d);
                const Mask at = where(b, line, m);
                if (bits(at) < 2)
                    continue;
                if ((at & 0007) != at && (at & 0070) != at && (at & 0700) != at)
                    continue;
                const int box = t.unitsOf[t.units[line][lowest(at)]][2];
                bool progress = false;
                for (const auto p : t.units[box])
                    if (t.unitsOf[p][line < 9 ? 0 : 1] != line)
                        progress |= remove(b, p, m);
                if (progress) {
                    counted(Technique::Claiming);
                    return true;
                }
            }
        return false;
    }

    // n cells of a unit that hold only n digits between them: those digits are nowhere else.
    bool nakedSubset(Board &b, int n, Technique tech)
    {
        for (int u = 0; u < 27; ++u) {
            std::array<int, 9> cells {};
            int k = 0;
            for (const auto p : t.units[u])
                if (!b.grid[p] && bits(b.cand[p]) >= 2 && bits(b.cand[p]) <= n)
                    cells[static_cast<std::size_t>(k++)] = p;
            if (k < n)
                continue;
            for (const Mask pick : t.masks[static_cast<std::size_t>(n)]) {
                if (pick >> k)
                    break; // the masks ascend, so no later one fits either
                Mask digits = 0;
                for (unsigned m = pick; m; m &= m - 1)
                    digits = static_cast<Mask>(
                        digits | b.cand[cells[static_cast<std::size_t>(lowest(m))]]);
                if (bits(digits) != n)
                    continue;
                bool progress = false;
                for (const auto p : t.units[u]) {
                    bool inSet = false;
                    for (unsigned m = pick; m; m &= m - 1)
                        inSet |= cells[static_cast<std::size_t>(lowest(m))] == p;
                    if (!inSet)
                        progress |= remove(b, p, digits);
                }
                if (progress) {
                    counted(tech);
                    return true;
                }
            }
        }
        return false;
    }

    // n digits that a unit holds only in n cells: those cells hold nothing else.
    bool hiddenSubset(Board &b, int n, Technique tech)
    {
        for (int u = 0; u < 27; ++u) {
            std::array<Mask, 9> at {};
            std::array<int, 9> digits {};
            int k = 0;
            for (int d = 0; d < 9; ++d) {
                const Mask w = where(b, u, static_cast<Mask>(1u << d));
                if (bits(w) >= 2 && bits(w) <= n) {
                    at[static_cast<std::size_t>(k)] = w;
                    digits[static_cast<std::size_t>(k++)] = d;
                }
            }
            if (k < n)
                continue;
            for (const Mask pick : t.masks[static_cast<std::size_t>(n)]) {
                if (pick >> k)
                    break; // the masks ascend, so no later one fits either
                Mask cells = 0, keep = 0;
                for (unsigned m = pick; m; m &= m - 1) {
                    cells = static_cast<Mask>(cells | at[static_cast<std::size_t>(lowest(m))]);
                    keep = static_cast<Mask>(
                        keep | (1u << digits[static_cast<std::size_t>(lowest(m))]));
                }
                if (bits(cells) != n)
                    continue;
                bool progress = false;
                for (unsigned m = cells; m; m &= m - 1)
                    progress |= remove(b, t.units[u][static_cast<std::size_t>(lowest(m))],
                        static_cast<Mask>(AllDigits & ~keep));
                if (progress) {
                    counted(tech);
                    return true;
                }
            }
        }
        return false;
    }

    // n rows in which a digit stands only within the same n columns: the digit is in none of
    // the other cells of those columns; and the same with rows and columns swapped.
    bool fish(Board &b, int n, Technique tech)
    {
        for (int d = 0; d < 9; ++d) {
            const auto m = static_cast<Mask>(1u << d);
            for (int base = 0; base < 18; base += 9) {
                const int cover = 9 - base; // rows cover columns, columns cover rows
                std::array<Mask, 9> at {};
                std::array<int, 9> lines {};
                int k = 0;
                for (int i = 0; i < 9; ++i) {
                    const Mask w = where(b, base + i, m);
                    if (bits(w) >= 2 && bits(w) <= n) {
                        at[static_cast<std::size_t>(k)] = w;
                        lines[static_cast<std::size_t>(k++)] = i;
                    }
                }
                if (k < n)
                    continue;
                for (const Mask pick : t.masks[static_cast<std::size_t>(n)]) {
                    if (pick >> k)
                        break;
                    Mask covered = 0, chosen = 0;
                    for (unsigned s = pick; s; s &= s - 1) {
                        covered
                            = static_cast<Mask>(covered | at[static_cast<std::size_t>(lowest(s))]);
                        chosen = static_cast<Mask>(
                            chosen | (1u << lines[static_cast<std::size_t>(lowest(s))]));
                    }
                    if (bits(covered) != n)
                        continue;
                    bool progress = false;
                    for (unsigned c = covered; c; c &= c - 1) {
                        const int line = cover + lowest(c);
                        for (int i = 0; i < 9; ++i)
                            if (!(chosen >> i & 1))
                                progress
                                    |= remove(b, t.units[line][static_cast<std::size_t>(i)], m);
                    }
                    if (progress) {
                        counted(tech);
                        return true;
                    }
                }
            }
        }
        return false;
    }

    // Removes the digits `m` from every cell that sees all of `ends` (and is none of them).
    bool removeSeenBy(Board &b, std::initializer_list<int> ends, Mask m)
    {
        bool progress = false;
        for (int p = 0; p < 81; ++p) {
            if (!(b.cand[p] & m))
                continue;
            bool all = true;
            for (const int e : ends)
                all = all && t.sees[p][e];
            if (all)
                progress |= remove(b, p, m);
        }
        return progress;
    }

    // A pivot {x,y} seeing pincers {x,z} and {y,z}: one pincer is z.
    bool xyWing(Board &b)
    {
        for (int p = 0; p < 81; ++p) {
            const Mask pivot = b.cand[p];
            if (bits(pivot) != 2)
                continue;
            for (const auto a : t.peers[p]) {
                const Mask ca = b.cand[a];
                if (bits(ca) != 2 || bits(ca & pivot) != 1)
                    continue;
                const Mask z = static_cast<Mask>(ca & ~pivot);
                const Mask want = static_cast<Mask>((pivot & ~ca) | z);
                for (const auto c : t.peers[p])
                    if (c != a && b.cand[c] == want && removeSeenBy(b, { a, c }, z)) {
                        counted(Technique::XYWing);
                        return true;
                    }
            }
        }
        return false;
    }

    // A pivot {x,y,z} seeing pincers {x,z} and {y,z}: one of the three is z.
    bool xyzWing(Board &b)
    {
        for (int p = 0; p < 81; ++p) {
            const Mask pivot = b.cand[p];
            if (bits(pivot) != 3)
                continue;
            for (const auto a : t.peers[p]) {
                const Mask ca = b.cand[a];
                if (bits(ca) != 2 || (ca & pivot) != ca)
                    continue;
                for (const auto c : t.peers[p]) {
                    const Mask cc = b.cand[c];
                    if (c <= a || bits(cc) != 2 || (cc & pivot) != cc || cc == ca)
                        continue;
                    const Mask z = static_cast<Mask>(ca & cc);
                    if (removeSeenBy(b, { p, a, c }, z)) {
                        counted(Technique::XYZWing);
                        return true;
                    }
                }
            }
        }
        return false;
    }

    // The cells of a unit holding a digit in exactly two places, for each cell.
    static void strongLinks(const Board &b, Mask m, std::array<std::array<int, 3>, 81> &links,
        std::array<int, 81> &count)
    {
        count.fill(0);
        for (int u = 0; u < 27; ++u) {
            const Mask at = where(b, u, m);
            if (bits(at) != 2)
                continue;
            const int p = t.units[u][static_cast<std::size_t>(lowest(at))];
            const int q = t.units[u][static_cast<std::size_t>(lowest(at & (at - 1)))];
            auto add = [&](int from, int to) {
                for (int i = 0; i < count[from]; ++i)
                    if (links[from][i] == to)
                        return;
                links[from][count[from]++] = to;
            };
            add(p, q);
            add(q, p);
        }
    }

    // Per digit, chains of cells where the digit is in one of two places of a unit, coloured
    // alternately: two cells of one colour in one unit make that colour false, and a cell that
    // sees both colours cannot hold the digit.
    bool colouring(Board &b)
    {
        std::array<std::array<int, 3>, 81> links {};
        std::array<int, 81> count {};
        for (int d = 0; d < 9; ++d) {
            const auto m = static_cast<Mask>(1u << d);
            strongLinks(b, m, links, count);
            std::array<int, 81> colour;
            colour.fill(-1);
            for (int start = 0; start < 81; ++start) {
                if (count[start] == 0 || colour[start] >= 0)
                    continue;
                std::array<int, 81> chain {};
                int size = 0;
                colour[start] = 0;
                chain[size++] = start;
                for (int i = 0; i < size; ++i)
                    for (int k = 0; k < count[chain[i]]; ++k) {
                        const int q = links[chain[i]][k];
                        if (colour[q] < 0) {
                            colour[q] = 1 - colour[chain[i]];
                            chain[size++] = q;
                        }
                    }
                for (int i = 0; i < size; ++i)
                    for (int j = i + 1; j < size; ++j)
                        if (colour[chain[i]] == colour[chain[j]] && t.sees[chain[i]][chain[j]]) {
                            const int wrong = colour[chain[i]];
                            for (int k = 0; k < size; ++k)
                                if (colour[chain[k]] == wrong)
                                    remove(b, chain[k], m);
                            counted(Technique::SimpleColouring);
                            return true;
                        }
                bool progress = false;
                for (int p = 0; p < 81; ++p) {
                    if (!(b.cand[p] & m) || colour[p] >= 0)
                        continue;
                    bool seen[2] = { false, false };
                    for (int i = 0; i < size; ++i)
                        if (t.sees[p][chain[i]])
                            seen[colour[chain[i]]] = true;
                    if (seen[0] && seen[1])
                        progress |= remove(b, p, m);
                }
                if (progress) {
                    counted(Technique::SimpleColouring);
                    return true;
                }
            }
        }
        return false;
    }

    // Per digit, chains that alternate between a unit's only two places (strong) and any two
    // cells that see each other (weak), beginning and ending strong: if the first cell lacks
    // the digit the last has it, so no cell that sees both ends holds it.
    bool xChain(Board &b)
    {
        std::array<std::array<int, 3>, 81> links {};
        std::array<int, 81> count {};
        for (int d = 0; d < 9; ++d) {
            const auto m = static_cast<Mask>(1u << d);
            strongLinks(b, m, links, count);
            const Cells holders = holding(b, m);
            for (int s = 0; s < 81; ++s) {
                if (count[s] == 0)
                    continue;
                // State: a cell, and whether it is false (next: a strong link) or true.
                std::array<std::array<bool, 2>, 81> seen {};
                std::array<int, 162> queue {};
                int head = 0, tail = 0;
                Cells ends;
                seen[s][0] = true;
                queue[tail++] = s * 2;
                while (head < tail) {
                    const int p = queue[head] / 2, isTrue = queue[head] % 2;
                    ++head;
                    if (isTrue) {
                        if (p != s)
                            ends.add(p);
                        for (const auto q : t.peers[p])
                            if ((b.cand[q] & m) && !seen[q][0]) {
                                seen[q][0] = true;
                                queue[tail++] = q * 2;
                            }
                    } else {
                        for (int k = 0; k < count[p]; ++k) {
                            const int q = links[p][k];
                            if (!seen[q][1]) {
                                seen[q][1] = true;
                                queue[tail++] = q * 2 + 1;
                            }
                        }
                    }
                }
                const bool progress = removeFromSeers(b, holders & t.peerSet[s], ends, m);
                if (progress) {
                    counted(Technique::XChain);
                    return true;
                }
            }
        }
        return false;
    }

    // Chains of two-candidate cells, each sharing a digit with the next: if the first is not
    // digit a, each in turn is forced, and when the last is then forced to a, one of the two
    // ends is a and no cell that sees both holds it.
    bool xyChain(Board &b)
    {
        for (int s = 0; s < 81; ++s) {
            if (bits(b.cand[s]) != 2)
                continue;
            for (Mask rest = b.cand[s]; rest; rest = static_cast<Mask>(rest & (rest - 1))) {
                const Mask a = static_cast<Mask>(rest & -rest);
                // State: a cell and the digit it is forced to hold.
                std::array<Mask, 81> seen {};
                std::array<std::pair<std::uint8_t, Mask>, 729> queue {};
                int head = 0, tail = 0;
                const Mask first = static_cast<Mask>(b.cand[s] & ~a);
                Cells ends;
                seen[s] = first;
                queue[tail++] = { static_cast<std::uint8_t>(s), first };
                while (head < tail) {
                    const auto [p, v] = queue[head++];
                    if (v == a && p != s)
                        ends.add(p);
                    for (const auto q : t.peers[p]) {
                        if (bits(b.cand[q]) != 2 || !(b.cand[q] & v))
                            continue;
                        const Mask w = static_cast<Mask>(b.cand[q] & ~v);
                        if (seen[q] & w)
                            continue;
                        seen[q] = static_cast<Mask>(seen[q] | w);
                        queue[tail++] = { q, w };
                    }
                }
                if (removeFromSeers(b, holding(b, a) & t.peerSet[s], ends, a)) {
                    counted(Technique::XYChain);
                    return true;
                }
            }
        }
        return false;
    }

    // Guesses the lowest digit of a cell with the fewest candidates and follows it with every
    // technique and further guesses: a contradiction removes the digit and the logic goes on;
    // otherwise the guess led to the solution.
    Outcome guess(Board &b, int depth)
    {
        int best = -1;
        for (int p = 0; p < 81; ++p)
            if (!b.grid[p] && (best < 0 || bits(b.cand[p]) < bits(b.cand[best])))
                best = p;
        const int d = lowest(b.cand[best]) + 1;
        Board next = b;
        next.onPath = b.onPath && m_solution[best] == d;
        m_rating.trialDepth = std::max(m_rating.trialDepth, depth + 1);
        ++m_rating.counts[static_cast<std::size_t>(Technique::Trial)];
        // The steps of a guess that fails are not on the way to the solution: they are
        // forgotten, but the guesses inside it still count.
        const auto counts = m_rating.counts;
        const std::size_t logged = m_options.log ? m_options.log->size() : 0;
        note(best, '=', static_cast<Mask>(1u << (d - 1)));
        if (m_options.log)
            m_options.log->push_back("guess:" + m_pending);
        m_pending.clear();
        m_depth = depth + 1;
        place(next, best, d);
        m_pending.clear();
        const Outcome o = solve(next, depth + 1);
        m_depth = depth;
        if (o == Outcome::Solved) {
            b = next;
            return Outcome::Solved;
        }
        const int guesses = m_rating.count(Technique::Trial);
        m_rating.counts = counts;
        m_rating.counts[static_cast<std::size_t>(Technique::Trial)] = guesses;
        if (m_options.log)
            m_options.log->resize(logged);
        // Further guesses inside always end in a solution or a contradiction.
        remove(b, best, static_cast<Mask>(1u << (d - 1)));
        if (m_options.log)
            m_options.log->push_back("trial:" + m_pending);
        m_pending.clear();
        return Outcome::Stuck;
    }
};

} // namespace

int gradeOf(Technique technique) { return Grades[static_cast<std::size_t>(technique)]; }

std::string_view gradeName(int grade)
{
    return grade >= 0 && grade <= TopGrade ? GradeNames[static_cast<std::size_t>(grade)] : "?";
}

std::string_view techniqueName(Technique technique)
{
    return TechniqueNames[static_cast<std::size_t>(technique)];
}

double Rating::score() const
{
    double s = 0, weight = 1;
    int lastGrade = 1;
    for (int k = 0; k < TechniqueCount; ++k) {
        const int g = Grades[static_cast<std::size_t>(k)];
        if (g != lastGrade) {
            weight *= 4;
            lastGrade = g;
        }
        s += weight * counts[static_cast<std::size_t>(k)];
    }
    return s + weight * 16 * trialDepth;
}

Rating rate(const Grid &puzzle, const RateOptions &options)
{
    Rating rating;
    Grid solution {};
    rating.solutions = countSolutions(puzzle, 2, &solution);
    if (rating.solutions != 1)
        return rating;
    Board b;
    b.cand.fill(AllDigits);
    Rater rater(solution, options, rating);
    for (int p = 0; p < 81; ++p)
        if (puzzle[p]) {
            b.grid[p] = puzzle[p];
            b.cand[p] = 0;
            --b.empty;
        }
    for (int p = 0; p < 81; ++p)
        if (puzzle[p])
            for (const auto q : t.peers[p])
                b.cand[q] = static_cast<Mask>(b.cand[q] & ~(1u << (puzzle[p] - 1)));
    rating.solved = rater.solve(b, 0) == Outcome::Solved;
    if (!rating.solved) {
        rating.grade = options.ceiling + 1;
        return rating;
    }
    rating.grade = 1;
    for (int k = 0; k < TechniqueCount; ++k)
        if (rating.counts[static_cast<std::size_t>(k)] > 0)
            rating.grade = std::max(rating.grade, Grades[static_cast<std::size_t>(k)]);
    return rating;
}

std::string describe(const Rating &rating)
{
    std::string text = std::to_string(rating.grade) + ' ' + std::string(gradeName(rating.grade));
    if (rating.grade == InvalidGrade) {
        text += rating.solutions == 0 ? " no-solution" : " not-unique";
        return text;
    }
    for (int k = 0; k < TechniqueCount; ++k)
        if (const int n = rating.counts[static_cast<std::size_t>(k)]; n > 0)
            text += ' ' + std::string(TechniqueNames[static_cast<std::size_t>(k)]) + '='
                + std::to_string(n);
    if (rating.trialDepth > 0)
        text += " depth=" + std::to_string(rating.trialDepth);
    return text;
}

namespace {

// A random full grid: the cell with the fewest digits left first, its digits in random order.
// Kept here rather than taken from the solver so that a seed gives the same puzzles however
// the solver searches.
bool fill(Grid &g, std::mt19937_64 &rng)
{
    int best = -1, bestCount = 10;
    Mask bestFree = 0;
    for (int p = 0; p < 81; ++p) {
        if (g[static_cast<std::size_t>(p)])
            continue;
        Mask used = 0;
        for (const auto q : t.peers[p])
            if (g[q])
                used = static_cast<Mask>(used | (1u << (g[q] - 1)));
        const Mask free = static_cast<Mask>(AllDigits & ~used);
        if (bits(free) < bestCount) {
            best = p;
            bestCount = bits(free);
            bestFree = free;
        }
    }
    if (best < 0)
        return true;
    std::array<int, 9> digits {};
    int n = 0;
    for (Mask m = bestFree; m; m = static_cast<Mask>(m & (m - 1)))
        digits[static_cast<std::size_t>(n++)] = lowest(m) + 1;
    std::shuffle(digits.begin(), digits.begin() + n, rng);
    for (int k = 0; k < n; ++k) {
        g[static_cast<std::size_t>(best)]
            = static_cast<std::uint8_t>(digits[static_cast<std::size_t>(k)]);
        if (fill(g, rng))
            return true;
    }
    g[static_cast<std::size_t>(best)] = 0;
    return false;
}

} // namespace

std::optional<Grid> generateGraded(std::mt19937_64 &rng, int grade, int attempts)
{
    for (int a = 0; a < attempts; ++a) {
        Grid full {};
        fill(full, rng);
        std::array<int, 41> pairs {};
        for (int p = 0; p <= 40; ++p)
            pairs[static_cast<std::size_t>(p)] = p;
        std::shuffle(pairs.begin(), pairs.end(), rng);
        std::vector<Grid> path { full };
        for (const int p : pairs) {
            Grid next = path.back();
            next[static_cast<std::size_t>(p)] = next[static_cast<std::size_t>(80 - p)] = 0;
            if (hasUniqueSolution(next))
                path.push_back(next);
        }
        // Fewer givens make a puzzle harder, almost always: find the last puzzle on the path
        // that is no harder than asked, and keep it when it is exactly as hard.
        const RateOptions upTo { grade, 0 };
        auto within = [&](const Grid &g) { return rate(g, upTo).solved; };
        std::size_t lo = 0, hi = path.size() - 1;
        if (within(path[hi])) {
            lo = hi;
        } else {
            while (hi - lo > 1) {
                const std::size_t mid = (lo + hi) / 2;
                (within(path[mid]) ? lo : hi) = mid;
            }
        }
        if (rate(path[lo], upTo).grade == grade)
            return path[lo];
    }
    return std::nullopt;
}

} // namespace zov::puzzles
