// Uniqueness: patterns that would leave a puzzle two solutions. They hold only for a puzzle
// with exactly one solution, which every puzzle the grader rates has (and the hints check
// first). A rectangle's four cells must all be open: a digit already placed may be a given,
// which breaks the argument.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {
namespace {

// Four open cells on two rows, two columns and two boxes, and two digits all four may hold.
struct Rectangle
{
    std::array<int, 4> cells {}; // (r1,c1), (r1,c2), (r2,c1), (r2,c2)
    Mask pair = 0;
    std::array<Mask, 4> cand {}; // the corners' candidates when found
};

// Hands every rectangle and pair of shared digits to `use` until it returns true.
template <class Use> bool eachRectangle(const CandidateGrid &g, Use use)
{
    for (int r1 = 0; r1 < 9; ++r1)
        for (int c1 = 0; c1 < 9; ++c1) {
            const Mask a = g.cand[r1 * 9 + c1];
            if (bits(a) < 2)
                continue;
            for (int c2 = c1 + 1; c2 < 9; ++c2) {
                const Mask ab = static_cast<Mask>(a & g.cand[r1 * 9 + c2]);
                if (bits(ab) < 2)
                    continue;
                for (int r2 = r1 + 1; r2 < 9; ++r2) {
                    if ((r1 / 3 == r2 / 3) == (c1 / 3 == c2 / 3))
                        continue; // four boxes, or one
                    const std::array<int, 4> cells { r1 * 9 + c1, r1 * 9 + c2, r2 * 9 + c1,
                        r2 * 9 + c2 };
                    const Mask common = static_cast<Mask>(ab & g.cand[cells[2]] & g.cand[cells[3]]);
                    if (bits(common) < 2)
                        continue;
                    Rectangle ur { cells, 0,
                        { g.cand[cells[0]], g.cand[cells[1]], g.cand[cells[2]],
                            g.cand[cells[3]] } };
                    for (unsigned x = common; x; x &= x - 1)
                        for (unsigned y = x & (x - 1); y; y &= y - 1) {
                            ur.pair = static_cast<Mask>((x & -x) | (y & -y));
                            if (use(ur))
                                return true;
                        }
                }
            }
        }
    return false;
}

// The rectangle in the record: its two digits as the pattern, the corners' other candidates as
// fins, as they stood before the step.
void tellRectangle(StepPattern *seen, const Rectangle &ur)
{
    if (!seen)
        return;
    seen->cells.assign(ur.cells.begin(), ur.cells.end());
    seen->digits = ur.pair;
    for (std::size_t k = 0; k < 4; ++k) {
        seen->mark(ur.cells[k], static_cast<Mask>(ur.cand[k] & ur.pair), Role::Pattern);
        seen->mark(ur.cells[k], static_cast<Mask>(ur.cand[k] & ~ur.pair), Role::Fin);
    }
}

// The rectangle's sides: pairs of corners that share a row or a column, with the other two.
constexpr std::array<std::array<std::size_t, 4>, 4> Sides { { { 0, 1, 2, 3 }, { 2, 3, 0, 1 },
    { 0, 2, 1, 3 }, { 1, 3, 0, 2 } } };

} // namespace

// Three corners hold only the two digits: the fourth cannot hold either, or the two could
// swap places in every solution.
bool uniqueRectangle1(CandidateGrid &g, Rater &r)
{
    return eachRectangle(g, [&](const Rectangle &ur) {
        int plain = 0, roof = -1;
        for (std::size_t k = 0; k < 4; ++k)
            if (ur.cand[k] == ur.pair)
                ++plain;
            else
                roof = ur.cells[k];
        if (plain != 3 || !r.remove(g, roof, ur.pair))
            return false;
        tellRectangle(r.watched(), ur);
        return r.counted(Technique::UniqueRectangle1);
    });
}

// Two corners of one side hold only the two digits and the other two the two and one more,
// the same: one of those two holds it, so no cell that sees both does.
bool uniqueRectangle2(CandidateGrid &g, Rater &r)
{
    return eachRectangle(g, [&](const Rectangle &ur) {
        for (const auto &s : Sides) {
            const Mask t = ur.cand[s[2]];
            if (ur.cand[s[0]] != ur.pair || ur.cand[s[1]] != ur.pair || ur.cand[s[3]] != t
                || bits(t) != 3)
                continue;
            if (!r.removeSeenBy(
                    g, { ur.cells[s[2]], ur.cells[s[3]] }, static_cast<Mask>(t & ~ur.pair)))
                continue;
            tellRectangle(r.watched(), ur);
            return r.counted(Technique::UniqueRectangle2);
        }
        return false;
    });
}

// Two corners of one side hold only the two digits; the other two share a unit in which one of
// the digits has no other place: one of them holds it, so neither can hold the other digit
// (that would leave the two to swap).
bool uniqueRectangle4(CandidateGrid &g, Rater &r)
{
    return eachRectangle(g, [&](const Rectangle &ur) {
        for (const auto &s : Sides) {
            if (ur.cand[s[0]] != ur.pair || ur.cand[s[1]] != ur.pair)
                continue;
            const int t1 = ur.cells[s[2]], t2 = ur.cells[s[3]];
            for (int k = 0; k < 2; ++k) {
                const auto a = k ? static_cast<Mask>(ur.pair & (ur.pair - 1))
                                 : static_cast<Mask>(ur.pair & -ur.pair);
                const auto b = static_cast<Mask>(ur.pair & ~a);
                for (std::size_t t = 0; t < 3; ++t) {
                    const int u = units.of[t1][t];
                    if (u != units.of[t2][t] || bits(where(g, u, a)) != 2)
                        continue;
                    const bool progress = r.remove(g, t1, b) | r.remove(g, t2, b);
                    if (!progress)
                        continue;
                    if (auto *seen = r.watched()) {
                        tellRectangle(seen, ur);
                        seen->units = { u };
                        seen->unit(u, Role::Look);
                        seen->links.push_back({ { t1, lowest(a) + 1, Role::Pattern },
                            { t2, lowest(a) + 1, Role::Pattern }, true });
                    }
                    return r.counted(Technique::UniqueRectangle4);
                }
            }
        }
        return false;
    });
}

// Every open cell but one holds two candidates and that one three, and every digit has two
// places in each unit but the extra one: without it the board would have two solutions, so the
// cell holds the digit that it has a third place for.
bool bugPlusOne(CandidateGrid &g, Rater &r)
{
    int three = -1;
    for (int p = 0; p < 81; ++p) {
        const int n = bits(g.cand[p]);
        if (g.grid[p] || n == 2)
            continue;
        if (n != 3 || three >= 0)
            return false;
        three = p;
    }
    if (three < 0)
        return false;
    const auto &of = units.of[three];
    int extra = 0;
    for (unsigned m = g.cand[three]; m; m &= m - 1)
        if (bits(where(g, of[0], static_cast<Mask>(m & -m))) == 3)
            extra = lowest(static_cast<Mask>(m)) + 1;
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
        for (std::size_t t = 0; t < 3; ++t)
            seen->unit(of[t], Role::Look);
        seen->mark(three, static_cast<Mask>(g.cand[three] & ~digitBit(extra)), Role::Pattern);
    }
    r.place(g, three, extra);
    return r.counted(Technique::BugPlusOne);
}

} // namespace zov::puzzles::grading
