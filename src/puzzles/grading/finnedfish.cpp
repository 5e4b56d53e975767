// Finned fish: a fish that holds but for a few extra places of its digit (fins), all in one box.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {

// n base lines whose digit stands within n cover lines but for fins, all in one box: either no
// fin holds the digit and the fish removes it from the cover lines, or a fin does and every
// cell of the box sees it. So a cell on a cover line, in the fins' box and on no base line,
// cannot hold the digit. Sashimi: a base line has only one place on the cover lines.
bool finnedFish(CandidateGrid &g, Rater &r, int n, bool sashimi, Technique tech)
{
    // Where each digit stands in each row (by column) and each column (by row), in one pass.
    std::array<std::array<std::array<Mask, 9>, 9>, 2> places {};
    for (int p = 0; p < 81; ++p)
        for (unsigned c = g.cand[p]; c; c &= c - 1) {
            const auto d = static_cast<std::size_t>(lowest(static_cast<Mask>(c)));
            places[0][d][static_cast<std::size_t>(p / 9)] |= static_cast<Mask>(1u << (p % 9));
            places[1][d][static_cast<std::size_t>(p % 9)] |= static_cast<Mask>(1u << (p / 9));
        }
    for (int d = 0; d < 9; ++d) {
        if (r.fruitless(tech, d, g))
            continue;
        const Mask m = digitBit(d + 1);
        for (const int base : { 0, 9 }) {
            const int cover = 9 - base;
            const auto &at
                = places[static_cast<std::size_t>(base / 9)][static_cast<std::size_t>(d)];
            Mask usable = 0; // the lines that can be a base: some places, and few fins
            for (int i = 0; i < 9; ++i) {
                const Mask a = at[static_cast<std::size_t>(i)];
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
                const auto &across
                    = places[static_cast<std::size_t>(1 - base / 9)][static_cast<std::size_t>(d)];
                auto found = [&](Mask covers) {
                    // First by masks alone: every base line on a cover, the fins in one box,
                    // and something to remove there.
                    Mask finLines = 0, finAt = 0;
                    bool anyThin = false;
                    for (unsigned s = lines; s; s &= s - 1) {
                        const int line = lowest(static_cast<Mask>(s));
                        const Mask a = at[static_cast<std::size_t>(line)];
                        const auto inCover = static_cast<Mask>(a & covers);
                        if (!inCover)
                            return false;
                        anyThin = anyThin || bits(inCover) == 1;
                        if (a & ~covers) {
                            finLines = static_cast<Mask>(finLines | 1u << line);
                            finAt = static_cast<Mask>(finAt | (a & ~covers));
                        }
                    }
                    if (!finLines || anyThin != sashimi)
                        return false;
                    const auto lineBand = static_cast<Mask>(7u << (lowest(finLines) / 3 * 3));
                    const auto atBand = static_cast<Mask>(7u << (lowest(finAt) / 3 * 3));
                    if ((finLines & ~lineBand) || (finAt & ~atBand))
                        return false;
                    bool removable = false;
                    for (unsigned c = covers & atBand; c; c &= c - 1)
                        removable = removable
                            || (across[static_cast<std::size_t>(lowest(static_cast<Mask>(c)))]
                                & lineBand & ~lines);
                    if (!removable)
                        return false;
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
        r.barren(tech, d, g);
    }
    return false;
}

} // namespace zov::puzzles::grading
