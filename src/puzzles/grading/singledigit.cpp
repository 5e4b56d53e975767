// Single-digit patterns: two strong links of one digit joined by a weak one (skyscraper,
// two-string kite), and a box whose digit lies on a cross, joined to a strong link (empty
// rectangle).

#include "puzzles/grading/techniques.h"

#include <array>

namespace zov::puzzles::grading {
namespace {

// A unit where the digit has only two places, `a` before `b` in the unit.
struct StrongLink
{
    int unit = 0, a = 0, b = 0;
};

// The strong links of digit bit `m` in units [first, end): at most nine.
struct Links
{
    std::array<StrongLink, 9> at {};
    int count = 0;
    const StrongLink *begin() const { return at.data(); }
    const StrongLink *end() const { return at.data() + count; }
};

Links strongLinks(const UnitPlaces &places, int d, int first, int end)
{
    Links links;
    for (int u = first; u < end; ++u) {
        const Mask at = places[static_cast<std::size_t>(u)][static_cast<std::size_t>(d)];
        if (bits(at) != 2)
            continue;
        const auto &cells = units.cells[u];
        links.at[static_cast<std::size_t>(links.count++)]
            = { u, cells[lowest(at)], cells[lowest(static_cast<Mask>(at & (at - 1)))] };
    }
    return links;
}

int rowOf(int p) { return units.of[p][0]; }
int colOf(int p) { return units.of[p][1] - 9; }
int boxOf(int p) { return units.of[p][2]; }

// Removes `m` from the cells that see both `y1` and `y2`, other than the chain's own cells.
bool removeSeenByEnds(CandidateGrid &g, Rater &r, Mask m, const std::array<int, 4> &chain)
{
    Cells targets = units.peerSet[chain[0]] & units.peerSet[chain[3]];
    bool progress = false;
    targets.each([&](int p) {
        if (p != chain[1] && p != chain[2])
            progress |= r.remove(g, p, m);
    });
    return progress;
}

// Two strong links y1=x1 and x2=y2 of digit bit `m`, x1 seeing x2 but y1 not seeing y2, in the
// shape `shaped(x1, x2, y1, y2)` asks: if y1 lacks the digit x1 has it, so x2 lacks it and y2
// has it. One of y1 and y2 holds the digit; no cell that sees both can.
template <class Shaped>
bool twoLinks(CandidateGrid &g, Rater &r, Technique tech, Mask m, const Links &first,
    const Links &second, bool samePool, Shaped shaped)
{
    for (int i = 0; i < first.count; ++i)
        for (int j = samePool ? i + 1 : 0; j < second.count; ++j) {
            const StrongLink &l1 = first.at[static_cast<std::size_t>(i)];
            const StrongLink &l2 = second.at[static_cast<std::size_t>(j)];
            for (int e1 = 0; e1 < 2; ++e1)
                for (int e2 = 0; e2 < 2; ++e2) {
                    const int x1 = e1 ? l1.b : l1.a, y1 = e1 ? l1.a : l1.b;
                    const int x2 = e2 ? l2.b : l2.a, y2 = e2 ? l2.a : l2.b;
                    if (x1 == x2 || y1 == y2 || x1 == y2 || y1 == x2 || !units.sees[x1][x2]
                        || units.sees[y1][y2] || !shaped(x1, x2, y1, y2))
                        continue;
                    if (!removeSeenByEnds(g, r, m, { y1, x1, x2, y2 }))
                        continue;
                    if (auto *seen = r.watched()) {
                        const int d = lowest(m) + 1;
                        seen->units = { l1.unit, l2.unit };
                        seen->cells = { y1, x1, x2, y2 };
                        seen->digits = m;
                        seen->unit(l1.unit, Role::Base);
                        seen->unit(l2.unit, Role::Base);
                        seen->chain({ { y1, d }, { x1, d }, { x2, d }, { y2, d } }, true);
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
        if (r.fruitless(Technique::Skyscraper, d, g))
            continue;
        const Mask m = digitBit(d + 1);
        for (const int base : { 0, 9 }) {
            const auto links = strongLinks(r.unitPlaces(g), d, base, base + 9);
            const bool rows = base == 0;
            if (twoLinks(g, r, Technique::Skyscraper, m, links, links, true,
                    [&](int x1, int x2, int y1, int y2) {
                        return rows ? colOf(x1) == colOf(x2) && colOf(y1) != colOf(y2)
                                    : rowOf(x1) == rowOf(x2) && rowOf(y1) != rowOf(y2);
                    }))
                return true;
        }
        r.barren(Technique::Skyscraper, d, g);
    }
    return false;
}

// A row and a column where a digit has two places each, one place of each in the same box
// (the other two outside it): one of the two other places holds the digit.
bool twoStringKite(CandidateGrid &g, Rater &r)
{
    for (int d = 0; d < 9; ++d) {
        if (r.fruitless(Technique::TwoStringKite, d, g))
            continue;
        const Mask m = digitBit(d + 1);
        const auto rows = strongLinks(r.unitPlaces(g), d, 0, 9),
                   cols = strongLinks(r.unitPlaces(g), d, 9, 18);
        if (twoLinks(g, r, Technique::TwoStringKite, m, rows, cols, false,
                [](int x1, int x2, int y1, int y2) {
                    return boxOf(x1) == boxOf(x2) && boxOf(y1) != boxOf(x1)
                        && boxOf(y2) != boxOf(x1);
                }))
            return true;
        r.barren(Technique::TwoStringKite, d, g);
    }
    return false;
}

// A box whose digit stands only on one of its rows and one of its columns (a cross, with
// places off the crossing on both), and a column outside the box's stack where the digit has
// two places, one on the cross's row: the cell where the other place's row meets the cross's
// column loses the digit, since with it the box would have no place left. The same with rows
// and columns swapped.
bool emptyRectangle(CandidateGrid &g, Rater &r)
{
    for (int d = 0; d < 9; ++d) {
        if (r.fruitless(Technique::EmptyRectangle, d, g))
            continue;
        const Mask m = digitBit(d + 1);
        const std::array<Links, 2> lines { strongLinks(r.unitPlaces(g), d, 9, 18),
            strongLinks(r.unitPlaces(g), d, 0, 9) };
        if (lines[0].count == 0 && lines[1].count == 0)
            continue;
        for (int b = Units::FirstBox; b < 27; ++b) {
            const Mask at
                = r.unitPlaces(g)[static_cast<std::size_t>(b)][static_cast<std::size_t>(d)];
            if (bits(at) < 2)
                continue;
            const int top = (b - Units::FirstBox) / 3 * 3, left = (b - Units::FirstBox) % 3 * 3;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    const int row = top + i, col = left + j;
                    bool onCross = true, offRow = false, offCol = false;
                    for (Mask k = at; k; k = static_cast<Mask>(k & (k - 1))) {
                        const int kr = top + lowest(k) / 3, kc = left + lowest(k) % 3;
                        onCross = onCross && (kr == row || kc == col);
                        offRow = offRow || kr != row;
                        offCol = offCol || kc != col;
                    }
                    if (!onCross || !offRow || !offCol)
                        continue;
                    // dir 0: a column's strong link, its near end on the cross's row; dir 1: a
                    // row's, its near end on the cross's column.
                    for (int dir = 0; dir < 2; ++dir)
                        for (const auto &l : lines[static_cast<std::size_t>(dir)]) {
                            const int line = dir ? l.unit : l.unit - 9;
                            if (line / 3 * 3 == (dir ? top : left))
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
                                    for (Mask k = at; k; k = static_cast<Mask>(k & (k - 1)))
                                        seen->cells.push_back(units.cells[b][lowest(k)]);
                                    seen->digits = m;
                                    seen->unit(b, Role::Base);
                                    seen->unit(dir ? 9 + col : row, Role::Look);
                                    seen->unit(dir ? row : 9 + col, Role::Look);
                                    seen->unit(l.unit, Role::Cover);
                                    for (const int p : seen->cells)
                                        seen->mark(p, m, Role::Pattern);
                                    seen->chain({ { far, d + 1 }, { near, d + 1 } }, true);
                                }
                                return r.counted(Technique::EmptyRectangle);
                            }
                        }
                }
        }
        r.barren(Technique::EmptyRectangle, d, g);
    }
    return false;
}

} // namespace zov::puzzles::grading
