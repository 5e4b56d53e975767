// Locked candidates: where a box and a line meet, a digit confined to the meeting cells of one
// of them is not elsewhere in the other.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {
namespace {

// For the units `first` to `last` - 1 and each digit one holds in two places or more, `confine`
// names the unit that holds all those places (or -1); the digit then leaves that unit's other
// cells. The first such step that removes something is counted as `tech`.
template <class Confine>
bool eachConfinedDigit(
    CandidateGrid &g, Rater &r, int first, int last, Technique tech, Confine confine)
{
    for (int u = first; u < last; ++u)
        for (int d = 0; d < 9; ++d) {
            const auto m = static_cast<Mask>(1u << d);
            const Mask at
                = r.unitPlaces(g)[static_cast<std::size_t>(u)][static_cast<std::size_t>(d)];
            if (bits(at) < 2)
                continue;
            const int other = confine(u, at);
            if (other < 0)
                continue;
            bool progress = false;
            for (const auto p : units.cells[static_cast<std::size_t>(other)])
                if (units.of[p][static_cast<std::size_t>(u / 9)] != u)
                    progress |= r.remove(g, p, m);
            if (!progress)
                continue;
            if (auto *seen = r.watched()) {
                seen->units = { u, other };
                seen->cells.clear();
                for (unsigned s = at; s; s &= s - 1)
                    seen->cells.push_back(units.cells[static_cast<std::size_t>(u)][lowest(s)]);
                seen->digits = m;
                seen->unit(u, Role::Base);
                seen->unit(other, Role::Cover);
                for (const int p : seen->cells)
                    seen->mark(p, m, Role::Pattern);
            }
            return r.counted(tech);
        }
    return false;
}

// Places 0-2, 3-5 or 6-8 of a unit: one row of a box, or one box of a line.
bool inOneTriple(Mask at) { return (at & 0007) == at || (at & 0070) == at || (at & 0700) == at; }
// Places i, i + 3 and i + 6: one column of a box.
bool inOneBoxColumn(Mask at) { return (at & 0111) == at || (at & 0222) == at || (at & 0444) == at; }

} // namespace

// A digit that a box holds only in one row or column is not elsewhere in that line.
bool pointing(CandidateGrid &g, Rater &r)
{
    return eachConfinedDigit(g, r, Units::FirstBox, 27, Technique::Pointing, [](int box, Mask at) {
        const auto &lines = units.of[units.cells[static_cast<std::size_t>(box)][lowest(at)]];
        if (inOneTriple(at))
            return static_cast<int>(lines[0]); // the row
        if (inOneBoxColumn(at))
            return static_cast<int>(lines[1]); // the column
        return -1;
    });
}

// A digit that a line holds only within one box is not elsewhere in that box.
bool claiming(CandidateGrid &g, Rater &r)
{
    return eachConfinedDigit(g, r, 0, Units::FirstBox, Technique::Claiming, [](int line, Mask at) {
        if (!inOneTriple(at))
            return -1;
        return static_cast<int>(
            units.of[units.cells[static_cast<std::size_t>(line)][lowest(at)]][2]);
    });
}

} // namespace zov::puzzles::grading
