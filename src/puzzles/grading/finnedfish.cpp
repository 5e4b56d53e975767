// Finned fish: a fish that holds but for a few extra places of its digit (fins), all in one box.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {
namespace {

// Where a digit stands in each row (by column) and each column (by row): [0] rows, [1] columns.
using Places = std::array<std::array<Mask, 9>, 2>;

// One finned fish: its digit (index, -1 where none), the direction of its base lines (0 rows,
// 9 columns), its base lines and its cover lines.
struct Fish
{
    int d = -1, base = 0;
    Mask lines = 0, covers = 0;
};

// The first finned fish and the first sashimi one on a board, in the order they are searched.
// Finned and sashimi fish of one size are found by the same search, one technique after the
// other on the same board, so the search that looks for the finned one notes the sashimi one
// too; `whole` where it ran to the end, so that the sashimi one is the first.
struct Search
{
    std::array<Mask, 81> cand {};
    int n = 0;
    bool whole = false;
    Fish finned, sashimi;
};

// What base `lines` with `covers` make: 0 no finned fish, 1 a finned one, 2 a sashimi one (a
// base line with one place on the covers). Every base line stands on a cover, the fins (the
// places off the covers) lie in one box, and something there can go: a place on a cover line,
// in the fins' box and on no base line.
int kindOf(
    const std::array<Mask, 9> &at, const std::array<Mask, 9> &across, Mask lines, Mask covers)
{
    Mask finLines = 0, finAt = 0;
    bool thin = false;
    for (unsigned s = lines; s; s &= s - 1) {
        const int line = lowest(static_cast<Mask>(s));
        const Mask a = at[static_cast<std::size_t>(line)];
        const auto inCover = static_cast<Mask>(a & covers);
        if (!inCover)
            return 0;
        thin = thin || bits(inCover) == 1;
        if (a & ~covers) {
            finLines = static_cast<Mask>(finLines | 1u << line);
            finAt = static_cast<Mask>(finAt | (a & ~covers));
        }
    }
    if (!finLines)
        return 0;
    const auto lineBand = static_cast<Mask>(7u << (lowest(finLines) / 3 * 3));
    const auto atBand = static_cast<Mask>(7u << (lowest(finAt) / 3 * 3));
    if ((finLines & ~lineBand) || (finAt & ~atBand))
        return 0;
    for (unsigned c = covers & atBand; c; c &= c - 1)
        if (across[static_cast<std::size_t>(lowest(static_cast<Mask>(c)))] & lineBand & ~lines)
            return thin ? 2 : 1;
    return 0;
}

// Searches size `n`, digit by digit, for the first finned fish (where `finned`) and the first
// sashimi one, stopping at the first finned one, or at the first sashimi one where only that
// is wanted. Digits where the Rater knows a kind finds nothing are passed over for it.
Search search(const CandidateGrid &g, Rater &r, int n, bool finned, Technique finnedTech,
    Technique sashimiTech)
{
    Search found;
    found.cand = g.cand;
    found.n = n;
    const UnitPlaces &unitPlaces = r.unitPlaces(g);
    for (int d = 0; d < 9; ++d) {
        const bool lookFinned = finned && !r.fruitless(finnedTech, d, g);
        const bool lookSashimi = found.sashimi.d < 0 && !r.fruitless(sashimiTech, d, g);
        if (!lookFinned && !lookSashimi)
            continue;
        Places places;
        for (std::size_t line = 0; line < 9; ++line) {
            places[0][line] = unitPlaces[line][static_cast<std::size_t>(d)];
            places[1][line] = unitPlaces[9 + line][static_cast<std::size_t>(d)];
        }
        bool sashimiHere = false;
        // Hands each candidate pattern of the digit to `look(base, lines, covers)`, in order,
        // until it returns true.
        auto each = [&](auto look) {
            for (const int base : { 0, 9 }) {
                const auto &at = places[static_cast<std::size_t>(base / 9)];
                const auto &across = places[static_cast<std::size_t>(1 - base / 9)];
                Mask usable = 0; // the lines that can be a base: some places, and few fins
                for (int i = 0; i < 9; ++i) {
                    const Mask a = at[static_cast<std::size_t>(i)];
                    if (a && bits(a) <= n + 3)
                        usable = static_cast<Mask>(usable | 1u << i);
                }
                if (bits(usable) < n)
                    continue;
                // Whether, for some band of three cover-direction lines, the places `all`
                // outside it are few enough to be covers.
                auto fewOutside = [&](Mask all) {
                    for (int band = 0; band < 3; ++band)
                        if (bits(static_cast<Mask>(all & ~(7u << (3 * band)))) <= n)
                            return true;
                    return false;
                };
                auto tryLines = [&](Mask lines, Mask all) {
                    if (bits(all) <= n)
                        return false;
                    // The fins lie in one box, so within one band of three cover-direction
                    // lines; the lines outside that band that hold the digit must all be
                    // covers, and every cover holds some of the fish.
                    for (int band = 0; band < 3; ++band) {
                        const auto inBand = static_cast<Mask>(7u << (3 * band));
                        const auto need = static_cast<Mask>(all & ~inBand);
                        const auto optional = static_cast<Mask>(all & inBand);
                        if (bits(need) > n || bits(need) + bits(optional) < n)
                            continue;
                        // Each choice of the band's lines that makes up the n covers, in
                        // rising order.
                        Mask extra = 0;
                        do {
                            if (bits(extra) == n - bits(need)
                                && look(base, at, across, lines, static_cast<Mask>(need | extra)))
                                return true;
                            extra = static_cast<Mask>((extra - optional) & optional);
                        } while (extra);
                    }
                    return false;
                };
                // The base lines in rising order of their mask; a choice that already has too
                // many places outside every band is not made larger.
                auto at_ = [&](int i) { return at[static_cast<std::size_t>(i)]; };
                for (int k = n - 1; k < 9; ++k) {
                    if (!(usable >> k & 1))
                        continue;
                    for (int j = n - 2; j < k; ++j) {
                        if (!(usable >> j & 1))
                            continue;
                        const auto jk = static_cast<Mask>(at_(j) | at_(k));
                        if (n == 2) {
                            if (tryLines(static_cast<Mask>(1u << j | 1u << k), jk))
                                return true;
                            continue;
                        }
                        if (!fewOutside(jk))
                            continue;
                        for (int i = 0; i < j; ++i)
                            if ((usable >> i & 1)
                                && tryLines(static_cast<Mask>(1u << i | 1u << j | 1u << k),
                                    static_cast<Mask>(jk | at_(i))))
                                return true;
                    }
                }
            }
            return false;
        };
        const bool stop = each([&](int base, const std::array<Mask, 9> &at,
                                   const std::array<Mask, 9> &across, Mask lines, Mask covers) {
            const int kind = kindOf(at, across, lines, covers);
            if (kind == 1 && lookFinned) {
                found.finned = { d, base, lines, covers };
                return true;
            }
            if (kind == 2 && lookSashimi && !sashimiHere) {
                found.sashimi = { d, base, lines, covers };
                sashimiHere = true;
                return !finned;
            }
            return false;
        });
        if (stop && found.finned.d >= 0)
            return found;
        if (lookFinned)
            r.barren(finnedTech, d, g);
        if (lookSashimi && !sashimiHere)
            r.barren(sashimiTech, d, g);
        if (stop)
            break; // the sashimi one, all that was wanted
    }
    found.whole = true;
    return found;
}

// Takes the step of `fish`: removes its digit from the cells on its cover lines, in its fins'
// box and on none of its base lines.
bool take(CandidateGrid &g, Rater &r, const Fish &fish, Technique tech)
{
    const int base = fish.base, cover = 9 - base;
    const Mask m = digitBit(fish.d + 1);
    Cells fins;
    int finBox = -1;
    for (unsigned s = fish.lines; s; s &= s - 1)
        for (const auto p : units.cells[base + lowest(static_cast<Mask>(s))])
            if ((g.cand[p] & m) && !(fish.covers >> (units.of[p][cover / 9] % 9) & 1)) {
                fins.add(p);
                finBox = units.of[p][2];
            }
    bool progress = false;
    for (unsigned c = fish.covers; c; c &= c - 1)
        for (const auto p : units.cells[cover + lowest(static_cast<Mask>(c))])
            if (units.of[p][2] == finBox && !(fish.lines >> (units.of[p][base / 9] % 9) & 1))
                progress |= r.remove(g, p, m);
    if (!progress)
        return false;
    if (auto *seen = r.watched()) {
        seen->units.clear();
        seen->cells.clear();
        seen->digits = m;
        for (unsigned s = fish.lines; s; s &= s - 1) {
            seen->units.push_back(base + lowest(static_cast<Mask>(s)));
            seen->unit(base + lowest(static_cast<Mask>(s)), Role::Base);
        }
        for (unsigned c = fish.covers; c; c &= c - 1) {
            seen->units.push_back(cover + lowest(static_cast<Mask>(c)));
            seen->unit(cover + lowest(static_cast<Mask>(c)), Role::Cover);
        }
        for (unsigned s = fish.lines; s; s &= s - 1)
            for (const auto p : units.cells[base + lowest(static_cast<Mask>(s))])
                if (g.cand[p] & m) {
                    seen->cells.push_back(p);
                    seen->mark(p, m, fins.has(p) ? Role::Fin : Role::Pattern);
                }
    }
    return r.counted(tech);
}

} // namespace

// n base lines whose digit stands within n cover lines but for fins, all in one box: either no
// fin holds the digit and the fish removes it from the cover lines, or a fin does and every
// cell of the box sees it. So a cell on a cover line, in the fins' box and on no base line,
// cannot hold the digit. Sashimi: a base line has only one place on the cover lines.
bool finnedFish(CandidateGrid &g, Rater &r, int n, bool sashimi, Technique tech)
{
    const Technique finnedTech = n == 2 ? Technique::FinnedXWing : Technique::FinnedSwordfish;
    const Technique sashimiTech = n == 2 ? Technique::SashimiXWing : Technique::SashimiSwordfish;
    thread_local Search kept;
    if (!sashimi) {
        kept = search(g, r, n, true, finnedTech, sashimiTech);
        return kept.finned.d >= 0 && take(g, r, kept.finned, tech);
    }
    if (!(kept.whole && kept.n == n && kept.cand == g.cand))
        kept = search(g, r, n, false, finnedTech, sashimiTech);
    const Fish fish = kept.sashimi;
    kept.whole = false; // taken, or found to be none: the board is searched afresh next time
    return fish.d >= 0 && take(g, r, fish, tech);
}

} // namespace zov::puzzles::grading
