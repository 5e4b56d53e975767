// Single-digit patterns: two strong links of one digit joined by a weak one (skyscraper,
// two-string kite), and a box whose digit lies on a cross joined to a strong link (empty
// rectangle).

#include "puzzles/grading/record.h"
#include "puzzles/grading/techniques.h"

#include <vector>

namespace zov::puzzles::grading {
namespace {

// A unit where the digit has only two places.
struct StrongLink
{
    int unit = 0, a = 0, b = 0;
};

std::vector<StrongLink> strongLinks(const CandidateGrid &g, Mask m, int firstUnit, int endUnit)
{
    std::vector<StrongLink> links;
    for (int u = firstUnit; u < endUnit; ++u) {
        const Mask at = where(g, u, m);
        if (bits(at) != 2)
            continue;
        const auto &cells = units.cells[static_cast<std::size_t>(u)];
        links.push_back({ u, cells[static_cast<std::size_t>(lowest(at))],
            cells[static_cast<std::size_t>(lowest(static_cast<Mask>(at & (at - 1))))] });
    }
    return links;
}

int rowOf(int p) { return p / 9; }
int colOf(int p) { return p % 9; }
int boxOf(int p) { return units.of[static_cast<std::size_t>(p)][2]; }
bool sees(int p, int q)
{
    return units.sees[static_cast<std::size_t>(p)][static_cast<std::size_t>(q)];
}

// Two strong links y1=x1 and x2=y2 of digit bit `m` with x1 seeing x2: if y1 lacks the digit
// x1 has it, so x2 lacks it and y2 has it; no cell that sees both y1 and y2 holds it.
// `shaped(x1, x2, y1, y2)` says whether the links make the technique's shape.
template <class Shaped>
bool twoLinks(CandidateGrid &g, Rater &r, Technique tech, Mask m,
    const std::vector<StrongLink> &first, const std::vector<StrongLink> &second, bool samePool,
    Shaped shaped)
{
    for (std::size_t i = 0; i < first.size(); ++i)
        for (std::size_t j = samePool ? i + 1 : 0; j < second.size(); ++j) {
            const StrongLink &l1 = first[i], &l2 = second[j];
            for (int e1 = 0; e1 < 2; ++e1)
                for (int e2 = 0; e2 < 2; ++e2) {
                    const int x1 = e1 ? l1.b : l1.a, y1 = e1 ? l1.a : l1.b;
                    const int x2 = e2 ? l2.b : l2.a, y2 = e2 ? l2.a : l2.b;
                    if (x1 == x2 || y1 == y2 || x1 == y2 || y1 == x2 || !sees(x1, x2)
                        || sees(y1, y2) || !shaped(x1, x2, y1, y2))
                        continue;
                    if (!r.removeSeenBy(g, { y1, y2 }, m))
                        continue;
                    if (auto *seen = r.watched()) {
                        const int d = lowest(m) + 1;
                        seen->units = { l1.unit, l2.unit };
                        seen->cells = { y1, x1, x2, y2 };
                        seen->digits = m;
                        tellUnit(seen, l1.unit, Role::Base);
                        tellUnit(seen, l2.unit, Role::Base);
                        const Candidate c[4] = { { y1, d, Role::Node, 0 }, { x1, d, Role::Node, 1 },
                            { x2, d, Role::Node, 2 }, { y2, d, Role::Node, 3 } };
                        for (const auto &n : c)
                            seen->candidates.push_back(n);
                        tellLink(seen, c[0], c[1], true);
                        tellLink(seen, c[1], c[2], false);
                        tellLink(seen, c[2], c[3], true);
                        tellRemovals(seen);
                    }
                    return r.counted(tech);
                }
        }
    return false;
}

} // namespace

// Two rows (or two columns) where a digit has two places each, one place of each in the same
// column (row): one of the two other places holds the digit.
bool skyscraper(CandidateGrid &g, Rater &r)
{
    for (int d = 0; d < 9; ++d) {
        const auto m = static_cast<Mask>(1u << d);
        for (int base = 0; base < 18; base += 9) {
            const auto links = strongLinks(g, m, base, base + 9);
            const bool rows = base == 0;
            if (twoLinks(g, r, Technique::Skyscraper, m, links, links, true,
                    [&](int x1, int x2, int y1, int y2) {
                        return rows ? colOf(x1) == colOf(x2) && colOf(y1) != colOf(y2)
                                    : rowOf(x1) == rowOf(x2) && rowOf(y1) != rowOf(y2);
                    }))
                return true;
        }
    }
    return false;
}

// A row and a column where a digit has two places each, one place of each in the same box:
// one of the two other places holds the digit.
bool twoStringKite(CandidateGrid &g, Rater &r)
{
    for (int d = 0; d < 9; ++d) {
        const auto m = static_cast<Mask>(1u << d);
        const auto rows = strongLinks(g, m, 0, 9), cols = strongLinks(g, m, 9, 18);
        if (twoLinks(g, r, Technique::TwoStringKite, m, rows, cols, false,
                [](int x1, int x2, int y1, int y2) {
                    return boxOf(x1) == boxOf(x2) && boxOf(y1) != boxOf(x1)
                        && boxOf(y2) != boxOf(x1);
                }))
            return true;
    }
    return false;
}

// A box whose digit stands only on one of its rows and one of its columns (a cross, and on
// both of them), and a column outside it where the digit has two places, one on the cross's
// row: the other place's row loses the digit where it meets the cross's column, as the box
// would lose its last place. The same with rows and columns swapped.
bool emptyRectangle(CandidateGrid &g, Rater &r)
{
    for (int d = 0; d < 9; ++d) {
        const auto m = static_cast<Mask>(1u << d);
        for (int b = 18; b < 27; ++b) {
            const Mask at = where(g, b, m);
            if (bits(at) < 2)
                continue;
            const int top = (b - 18) / 3 * 3, left = (b - 18) % 3 * 3;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    const int row = top + i, col = left + j;
                    bool onCross = true, offRow = false, offCol = false;
                    for (int k = 0; k < 9; ++k)
                        if (at >> k & 1) {
                            const int kr = top + k / 3, kc = left + k % 3;
                            onCross = onCross && (kr == row || kc == col);
                            offRow = offRow || kr != row;
                            offCol = offCol || kc != col;
                        }
                    if (!onCross || !offRow || !offCol)
                        continue;
                    // Both directions: a column outside the box (its strong link's end on the
                    // cross's row), then a row outside the box.
                    for (int dir = 0; dir < 2; ++dir)
                        for (const auto &l : strongLinks(g, m, dir ? 0 : 9, dir ? 9 : 18)) {
                            const int line = dir ? l.unit : l.unit - 9;
                            if (dir ? line / 3 * 3 == top : line / 3 * 3 == left)
                                continue;
                            for (int e = 0; e < 2; ++e) {
                                const int near = e ? l.b : l.a, far = e ? l.a : l.b;
                                if (dir ? colOf(near) != col : rowOf(near) != row)
                                    continue;
                                if (dir ? colOf(far) / 3 * 3 == left : rowOf(far) / 3 * 3 == top)
                                    continue;
                                const int target
                                    = dir ? row * 9 + colOf(far) : rowOf(far) * 9 + col;
                                if (!r.remove(g, target, m))
                                    continue;
                                if (auto *seen = r.watched()) {
                                    seen->units = { b, row, 9 + col, l.unit };
                                    seen->cells.clear();
                                    for (int k = 0; k < 9; ++k)
                                        if (at >> k & 1)
                                            seen->cells.push_back((top + k / 3) * 9 + left + k % 3);
                                    seen->digits = m;
                                    tellUnit(seen, b, Role::Base);
                                    tellUnit(seen, row, Role::Look);
                                    tellUnit(seen, 9 + col, Role::Look);
                                    tellUnit(seen, l.unit, Role::Cover);
                                    for (const int p : seen->cells)
                                        tellCandidate(seen, p, d + 1, Role::Pattern);
                                    const Candidate a { far, d + 1, Role::Node, 0 },
                                        z { near, d + 1, Role::Node, 1 };
                                    seen->candidates.push_back(a);
                                    seen->candidates.push_back(z);
                                    tellLink(seen, a, z, true);
                                    tellRemovals(seen);
                                }
                                return r.counted(Technique::EmptyRectangle);
                            }
                        }
                }
        }
    }
    return false;
}

} // namespace zov::puzzles::grading
