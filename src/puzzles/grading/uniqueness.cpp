// Uniqueness: patterns that would leave a puzzle two solutions. They hold only for a puzzle
// with exactly one solution, which every puzzle the grader rates has. A rectangle's four cells
// must all be open: a digit already placed may be a given, which breaks the argument.

#include "puzzles/grading/record.h"
#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {
namespace {

// Four open cells on two rows, two columns and two boxes, and two digits all four may hold.
struct Rectangle
{
    std::array<int, 4> cells {}; // (r1,c1), (r1,c2), (r2,c1), (r2,c2)
    Mask pair = 0;
};

// Hands every rectangle and pair of shared digits to `use` until it returns true.
template <class Use> bool eachRectangle(const CandidateGrid &g, Use use)
{
    for (int r1 = 0; r1 < 9; ++r1)
        for (int r2 = r1 + 1; r2 < 9; ++r2)
            for (int c1 = 0; c1 < 9; ++c1)
                for (int c2 = c1 + 1; c2 < 9; ++c2) {
                    if ((r1 / 3 == r2 / 3) == (c1 / 3 == c2 / 3))
                        continue; // four boxes, or one
                    const std::array<int, 4> cells { r1 * 9 + c1, r1 * 9 + c2, r2 * 9 + c1,
                        r2 * 9 + c2 };
                    Mask common = AllDigits;
                    for (const int p : cells)
                        common = static_cast<Mask>(common & g.cand[static_cast<std::size_t>(p)]);
                    if (bits(common) < 2)
                        continue;
                    for (unsigned a = common; a; a &= a - 1)
                        for (unsigned b = a & (a - 1); b; b &= b - 1) {
                            const auto pair = static_cast<Mask>((a & -a) | (b & -b));
                            if (use(Rectangle { cells, pair }))
                                return true;
                        }
                }
    return false;
}

void tellRectangle(StepPattern *seen, const CandidateGrid &before, const Rectangle &ur)
{
    if (!seen)
        return;
    seen->cells.assign(ur.cells.begin(), ur.cells.end());
    seen->digits = ur.pair;
    for (const int p : ur.cells)
        for (unsigned m = before.cand[static_cast<std::size_t>(p)]; m; m &= m - 1)
            tellCandidate(
                seen, p, lowest(m) + 1, (ur.pair >> lowest(m) & 1) ? Role::Pattern : Role::Fin);
}

// The rectangle's sides: pairs of corners that share a row or a column, with the other two.
constexpr std::array<std::array<int, 4>, 4> Sides { { { 0, 1, 2, 3 }, { 2, 3, 0, 1 },
    { 0, 2, 1, 3 }, { 1, 3, 0, 2 } } };

} // namespace

// Three corners hold only the two digits: the fourth cannot hold either, or the two could
// swap places in every solution.
bool uniqueRectangle1(CandidateGrid &g, Rater &r)
{
    return eachRectangle(g, [&](const Rectangle &ur) {
        int plain = 0, roof = -1;
        for (const int p : ur.cells)
            if (g.cand[static_cast<std::size_t>(p)] == ur.pair)
                ++plain;
            else
                roof = p;
        if (plain != 3)
            return false;
        const CandidateGrid before = g;
        if (!r.remove(g, roof, ur.pair))
            return false;
        tellRectangle(r.watched(), before, ur);
        tellRemovals(r.watched());
        return r.counted(Technique::UniqueRectangle1);
    });
}

// Two corners of one side hold only the two digits and the other two the two and one more,
// the same: one of those two holds it, so no cell that sees both does.
bool uniqueRectangle2(CandidateGrid &g, Rater &r)
{
    return eachRectangle(g, [&](const Rectangle &ur) {
        for (const auto &s : Sides) {
            const int f1 = ur.cells[s[0]], f2 = ur.cells[s[1]], t1 = ur.cells[s[2]],
                      t2 = ur.cells[s[3]];
            if (g.cand[static_cast<std::size_t>(f1)] != ur.pair
                || g.cand[static_cast<std::size_t>(f2)] != ur.pair
                || g.cand[static_cast<std::size_t>(t1)] != g.cand[static_cast<std::size_t>(t2)]
                || bits(g.cand[static_cast<std::size_t>(t1)]) != 3)
                continue;
            const auto extra = static_cast<Mask>(g.cand[static_cast<std::size_t>(t1)] & ~ur.pair);
            const CandidateGrid before = g;
            if (!r.removeSeenBy(g, { t1, t2 }, extra))
                continue;
            tellRectangle(r.watched(), before, ur);
            tellRemovals(r.watched());
            return r.counted(Technique::UniqueRectangle2);
        }
        return false;
    });
}

// Two corners of one side hold only the two digits; the other two share a unit in which one
// of the digits has no other place: one of them holds it, so neither can hold the other digit
// (that would leave the two to swap).
bool uniqueRectangle4(CandidateGrid &g, Rater &r)
{
    return eachRectangle(g, [&](const Rectangle &ur) {
        for (const auto &s : Sides) {
            const int f1 = ur.cells[s[0]], f2 = ur.cells[s[1]], t1 = ur.cells[s[2]],
                      t2 = ur.cells[s[3]];
            if (g.cand[static_cast<std::size_t>(f1)] != ur.pair
                || g.cand[static_cast<std::size_t>(f2)] != ur.pair)
                continue;
            for (int k = 0; k < 2; ++k) {
                const auto a = k ? static_cast<Mask>(ur.pair & (ur.pair - 1))
                                 : static_cast<Mask>(ur.pair & -ur.pair);
                const auto b = static_cast<Mask>(ur.pair & ~a);
                for (int t = 0; t < 3; ++t) {
                    const int u
                        = units.of[static_cast<std::size_t>(t1)][static_cast<std::size_t>(t)];
                    if (u != units.of[static_cast<std::size_t>(t2)][static_cast<std::size_t>(t)]
                        || bits(where(g, u, a)) != 2)
                        continue;
                    const CandidateGrid before = g;
                    const bool progress = r.remove(g, t1, b) | r.remove(g, t2, b);
                    if (!progress)
                        continue;
                    if (auto *seen = r.watched()) {
                        tellRectangle(seen, before, ur);
                        seen->units = { u };
                        tellUnit(seen, u, Role::Look);
                        const Candidate c1 { t1, lowest(a) + 1, Role::Node, 0 },
                            c2 { t2, lowest(a) + 1, Role::Node, 1 };
                        tellLink(seen, c1, c2, true);
                        tellRemovals(seen);
                    }
                    return r.counted(Technique::UniqueRectangle4);
                }
            }
        }
        return false;
    });
}

// Every open cell but one holds two candidates and that one three, and every digit has two
// places in each unit but the extra one: without it the board would have two solutions, so
// the cell holds the digit that it has a third place for.
bool bugPlusOne(CandidateGrid &g, Rater &r)
{
    int three = -1;
    for (int p = 0; p < 81; ++p) {
        const int n = bits(g.cand[static_cast<std::size_t>(p)]);
        if (g.grid[static_cast<std::size_t>(p)] || n == 2)
            continue;
        if (n != 3 || three >= 0)
            return false;
        three = p;
    }
    if (three < 0)
        return false;
    const auto &of = units.of[static_cast<std::size_t>(three)];
    int extra = 0;
    for (unsigned m = g.cand[static_cast<std::size_t>(three)]; m; m &= m - 1)
        if (bits(where(g, of[0], static_cast<Mask>(m & -m))) == 3)
            extra = lowest(m) + 1;
    if (!extra)
        return false;
    for (int u = 0; u < 27; ++u)
        for (int d = 1; d <= 9; ++d) {
            const int n = bits(where(g, u, digitBit(d)));
            const bool mine = d == extra && (u == of[0] || u == of[1] || u == of[2]);
            if (n != (mine ? 3 : 2) && n != 0)
                return false;
        }
    if (auto *seen = r.watched()) {
        seen->cells = { three };
        seen->digits = digitBit(extra);
        for (int t = 0; t < 3; ++t)
            tellUnit(seen, of[static_cast<std::size_t>(t)], Role::Look);
        tellCandidate(seen, three, extra, Role::Placement);
    }
    r.place(g, three, extra);
    return r.counted(Technique::BugPlusOne);
}

} // namespace zov::puzzles::grading
