// Finned fish: a fish that holds but for a few extra places of its digit (fins) in one box.

#include "puzzles/grading/record.h"
#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// n base lines whose digit stands within n cover lines but for fins, all in one box: either
// no fin holds the digit and the fish removes it from the cover lines, or a fin does and every
// cell of the box sees it. So a cell on a cover line, in the fins' box and on no base line,
// cannot hold the digit. Sashimi: a base line has only one place on the cover lines.
bool finnedFish(CandidateGrid &g, Rater &r, int n, bool sashimi, Technique tech)
{
    for (int d = 0; d < 9; ++d) {
        const auto m = static_cast<Mask>(1u << d);
        for (int base = 0; base < 18; base += 9) {
            const int cover = 9 - base;
            std::array<Mask, 9> at {};
            for (int i = 0; i < 9; ++i)
                at[static_cast<std::size_t>(i)] = where(g, base + i, m);
            for (const Mask lines : units.masks[static_cast<std::size_t>(n)]) {
                bool usable = true;
                Mask all = 0;
                for (unsigned s = lines; s; s &= s - 1) {
                    const Mask a = at[static_cast<std::size_t>(lowest(s))];
                    usable = usable && a && bits(a) <= n + 3;
                    all = static_cast<Mask>(all | a);
                }
                if (!usable || bits(all) <= n)
                    continue;
                auto found = [&](Mask covers) {
                    bool thin = false, everyLine = true, oneBox = true;
                    Cells fins;
                    int finBox = -1;
                    for (unsigned s = lines; s; s &= s - 1) {
                        const int line = lowest(s);
                        const Mask a = at[static_cast<std::size_t>(line)];
                        const int inCover = bits(static_cast<Mask>(a & covers));
                        everyLine = everyLine && inCover > 0;
                        thin = thin || inCover == 1;
                        for (unsigned f = a & ~covers; f; f &= f - 1) {
                            const int p = units.cells[static_cast<std::size_t>(base + line)]
                                                     [static_cast<std::size_t>(lowest(f))];
                            fins.add(p);
                            const int box = units.of[static_cast<std::size_t>(p)][2];
                            oneBox = oneBox && (finBox < 0 || finBox == box);
                            finBox = box;
                        }
                    }
                    if (!everyLine || !oneBox || finBox < 0 || thin != sashimi)
                        return false;
                    bool progress = false;
                    for (unsigned c = covers; c; c &= c - 1)
                        for (const auto p :
                            units.cells[static_cast<std::size_t>(cover + lowest(c))])
                            if (units.of[p][2] == finBox
                                && !(lines >> units.of[p][base / 9] % 9 & 1))
                                progress |= r.remove(g, p, m);
                    if (!progress)
                        return false;
                    if (auto *seen = r.watched()) {
                        seen->units.clear();
                        seen->cells.clear();
                        seen->digits = m;
                        for (unsigned s = lines; s; s &= s - 1) {
                            seen->units.push_back(base + lowest(s));
                            tellUnit(seen, base + lowest(s), Role::Base);
                        }
                        for (unsigned c = covers; c; c &= c - 1) {
                            seen->units.push_back(cover + lowest(c));
                            tellUnit(seen, cover + lowest(c), Role::Cover);
                        }
                        for (unsigned s = lines; s; s &= s - 1)
                            for (const auto p :
                                units.cells[static_cast<std::size_t>(base + lowest(s))])
                                if (g.cand[p] & m) {
                                    seen->cells.push_back(p);
                                    tellCandidate(
                                        seen, p, d + 1, fins.has(p) ? Role::Fin : Role::Pattern);
                                }
                        tellRemovals(seen);
                    }
                    return r.counted(tech);
                };
                // The fins lie in one box, so within one band of three cover-direction lines;
                // the lines outside that band that hold the digit must all be covers, and every
                // cover holds some of the fish.
                for (int band = 0; band < 3; ++band) {
                    const auto inBand = static_cast<Mask>(7u << (3 * band));
                    const auto need = static_cast<Mask>(all & ~inBand);
                    const auto optional = static_cast<Mask>(all & inBand);
                    if (bits(need) > n || bits(need) + bits(optional) < n)
                        continue;
                    for (const Mask extra : units.masks[static_cast<std::size_t>(n - bits(need))])
                        if ((extra & optional) == extra && found(static_cast<Mask>(need | extra)))
                            return true;
                }
            }
        }
    }
    return false;
}

} // namespace zov::puzzles::grading
