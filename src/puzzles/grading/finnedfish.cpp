// Finned fish: a fish that holds but for a few extra places of its digit (fins), all in one box.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// n base lines whose digit stands within n cover lines but for fins, all in one box: either no
// fin holds the digit and the fish removes it from the cover lines, or a fin does and every
// cell of the box sees it. So a cell on a cover line, in the fins' box and on no base line,
// cannot hold the digit. Sashimi: a base line has only one place on the cover lines.
bool finnedFish(CandidateGrid &g, Rater &r, int n, bool sashimi, Technique tech)
{
    for (int d = 0; d < 9; ++d) {
        const Mask m = digitBit(d + 1);
        for (const int base : { 0, 9 }) {
            const int cover = 9 - base;
            std::array<Mask, 9> at {};
            Mask usable = 0; // the lines that can be a base: some places, and few fins
            for (int i = 0; i < 9; ++i) {
                const Mask a = where(g, base + i, m);
                at[static_cast<std::size_t>(i)] = a;
                if (a && bits(a) <= n + 3)
                    usable = static_cast<Mask>(usable | 1u << i);
            }
            if (bits(usable) < n)
                continue;
            for (const Mask lines : units.masks[static_cast<std::size_t>(n)]) {
                if ((lines & usable) != lines)
                    continue;
                Mask all = 0;
                for (unsigned s = lines; s; s &= s - 1)
                    all = static_cast<Mask>(
                        all | at[static_cast<std::size_t>(lowest(static_cast<Mask>(s)))]);
                if (bits(all) <= n)
                    continue;
                auto found = [&](Mask covers) {
                    bool thin = false, everyLine = true, oneBox = true;
                    Cells fins;
                    int finBox = -1;
                    for (unsigned s = lines; s; s &= s - 1) {
                        const int line = lowest(static_cast<Mask>(s));
                        const Mask a = at[static_cast<std::size_t>(line)];
                        const int inCover = bits(static_cast<Mask>(a & covers));
                        everyLine = everyLine && inCover > 0;
                        thin = thin || inCover == 1;
                        for (unsigned f = a & ~covers; f; f &= f - 1) {
                            const int p = units.cells[base + line][lowest(static_cast<Mask>(f))];
                            fins.add(p);
                            const int box = units.of[p][2];
                            oneBox = oneBox && (finBox < 0 || finBox == box);
                            finBox = box;
                        }
                    }
                    if (!everyLine || !oneBox || finBox < 0 || thin != sashimi)
                        return false;
                    bool progress = false;
                    for (unsigned c = covers; c; c &= c - 1)
                        for (const auto p : units.cells[cover + lowest(static_cast<Mask>(c))])
                            if (units.of[p][2] == finBox
                                && !(lines >> (units.of[p][base / 9] % 9) & 1))
                                progress |= r.remove(g, p, m);
                    if (!progress)
                        return false;
                    if (auto *seen = r.watched()) {
                        seen->units.clear();
                        seen->cells.clear();
                        seen->digits = m;
                        for (unsigned s = lines; s; s &= s - 1) {
                            seen->units.push_back(base + lowest(static_cast<Mask>(s)));
                            seen->unit(base + lowest(static_cast<Mask>(s)), Role::Base);
                        }
                        for (unsigned c = covers; c; c &= c - 1) {
                            seen->units.push_back(cover + lowest(static_cast<Mask>(c)));
                            seen->unit(cover + lowest(static_cast<Mask>(c)), Role::Cover);
                        }
                        for (unsigned s = lines; s; s &= s - 1)
                            for (const auto p : units.cells[base + lowest(static_cast<Mask>(s))])
                                if (g.cand[p] & m) {
                                    seen->cells.push_back(p);
                                    seen->mark(p, m, fins.has(p) ? Role::Fin : Role::Pattern);
                                }
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
                    // Each choice of the band's lines that makes up the n covers, in rising order.
                    Mask extra = 0;
                    do {
                        if (bits(extra) == n - bits(need) && found(static_cast<Mask>(need | extra)))
                            return true;
                        extra = static_cast<Mask>((extra - optional) & optional);
                    } while (extra);
                }
            }
        }
    }
    return false;
}

} // namespace zov::puzzles::grading
