// Chains: colouring and chains along the places a digit is forced between, and chains of
// two-candidate cells.

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {
namespace {

// For each cell, the cells it shares a unit with in which a digit has exactly two places.
struct StrongLinks
{
    std::array<std::array<int, 3>, 81> to {};
    std::array<int, 81> count {};
};

void findStrongLinks(const CandidateGrid &g, Mask m, StrongLinks &links)
{
    links.count.fill(0);
    for (int u = 0; u < 27; ++u) {
        const Mask at = where(g, u, m);
        if (bits(at) != 2)
            continue;
        const int p = units.cells[u][static_cast<std::size_t>(lowest(at))];
        const int q = units.cells[u][static_cast<std::size_t>(lowest(at & (at - 1)))];
        auto add = [&](int from, int to) {
            for (int i = 0; i < links.count[from]; ++i)
                if (links.to[from][i] == to)
                    return;
            links.to[from][links.count[from]++] = to;
        };
        add(p, q);
        add(q, p);
    }
}

// Each digit with its strong links, handed to `use(digit bit, links)` until that makes
// progress, which is counted as `tech`.
template <class Use> bool eachDigitsLinks(const CandidateGrid &g, Rater &r, Technique tech, Use use)
{
    StrongLinks links;
    for (int d = 0; d < 9; ++d) {
        const auto m = static_cast<Mask>(1u << d);
        findStrongLinks(g, m, links);
        if (use(m, links))
            return r.counted(tech);
    }
    return false;
}

// Colours the cells linked to `start`, alternately 0 and 1, and lists them in `chain`, `start`
// first; returns how many there are.
int colourChain(
    const StrongLinks &links, int start, std::array<int, 81> &colour, std::array<int, 81> &chain)
{
    int size = 0;
    colour[start] = 0;
    chain[size++] = start;
    for (int i = 0; i < size; ++i)
        for (int k = 0; k < links.count[chain[i]]; ++k) {
            const int q = links.to[chain[i]][k];
            if (colour[q] < 0) {
                colour[q] = 1 - colour[chain[i]];
                chain[size++] = q;
            }
        }
    return size;
}

// The colour of which two cells of the chain see each other, or -1.
int clashingColour(const std::array<int, 81> &colour, const std::array<int, 81> &chain, int size)
{
    for (int i = 0; i < size; ++i)
        for (int j = i + 1; j < size; ++j)
            if (colour[chain[i]] == colour[chain[j]] && units.sees[chain[i]][chain[j]])
                return colour[chain[i]];
    return -1;
}

// The cells that an x-chain from `s` reaches on a strong link: if `s` lacks the digit, they
// hold it.
Cells xChainEnds(const CandidateGrid &g, const StrongLinks &links, Mask m, int s)
{
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
            for (const auto q : units.peers[p])
                if ((g.cand[q] & m) && !seen[q][0]) {
                    seen[q][0] = true;
                    queue[tail++] = q * 2;
                }
        } else {
            for (int k = 0; k < links.count[p]; ++k) {
                const int q = links.to[p][k];
                if (!seen[q][1]) {
                    seen[q][1] = true;
                    queue[tail++] = q * 2 + 1;
                }
            }
        }
    }
    return ends;
}

void tellChain(StepPattern &seen, int start, const Cells &ends, Mask m)
{
    seen.cells = { start };
    seen.ends.clear();
    ends.each([&](int e) { seen.ends.push_back(e); });
    seen.digits = m;
}

} // namespace

// Per digit, chains of cells where the digit is in one of two places of a unit, coloured
// alternately: two cells of one colour in one unit make that colour false, and a cell that
// sees both colours cannot hold the digit.
bool colouring(CandidateGrid &g, Rater &r)
{
    return eachDigitsLinks(g, r, Technique::SimpleColouring, [&](Mask m, const StrongLinks &links) {
        std::array<int, 81> colour;
        colour.fill(-1);
        for (int start = 0; start < 81; ++start) {
            if (links.count[start] == 0 || colour[start] >= 0)
                continue;
            std::array<int, 81> chain {};
            const int size = colourChain(links, start, colour, chain);
            auto tell = [&](int falseColour) {
                if (auto *seen = r.watched()) {
                    seen->cells.assign(chain.begin(), chain.begin() + size);
                    seen->colours.clear();
                    for (int k = 0; k < size; ++k)
                        seen->colours.push_back(colour[chain[k]]);
                    seen->falseColour = falseColour;
                    seen->digits = m;
                }
            };
            if (const int wrong = clashingColour(colour, chain, size); wrong >= 0) {
                for (int k = 0; k < size; ++k)
                    if (colour[chain[k]] == wrong)
                        r.remove(g, chain[k], m);
                tell(wrong);
                return true;
            }
            bool progress = false;
            for (int p = 0; p < 81; ++p) {
                if (!(g.cand[p] & m) || colour[p] >= 0)
                    continue;
                bool seen[2] = { false, false };
                for (int i = 0; i < size; ++i)
                    if (units.sees[p][chain[i]])
                        seen[colour[chain[i]]] = true;
                if (seen[0] && seen[1])
                    progress |= r.remove(g, p, m);
            }
            if (progress) {
                tell(-1);
                return true;
            }
        }
        return false;
    });
}

// Per digit, chains that alternate between a unit's only two places (strong) and any two
// cells that see each other (weak), beginning and ending strong: if the first cell lacks
// the digit the last has it, so no cell that sees both ends holds it.
bool xChain(CandidateGrid &g, Rater &r)
{
    return eachDigitsLinks(g, r, Technique::XChain, [&](Mask m, const StrongLinks &links) {
        const Cells holders = holding(g, m);
        for (int s = 0; s < 81; ++s) {
            if (links.count[s] == 0)
                continue;
            const Cells ends = xChainEnds(g, links, m, s);
            if (r.removeFromSeers(g, holders & units.peerSet[s], ends, m)) {
                if (auto *seen = r.watched())
                    tellChain(*seen, s, ends, m);
                return true;
            }
        }
        return false;
    });
}

// Chains of two-candidate cells, each sharing a digit with the next: if the first is not
// digit a, each in turn is forced, and when the last is then forced to a, one of the two
// ends is a and no cell that sees both holds it.
bool xyChain(CandidateGrid &g, Rater &r)
{
    for (int s = 0; s < 81; ++s) {
        if (bits(g.cand[s]) != 2)
            continue;
        for (Mask rest = g.cand[s]; rest; rest = static_cast<Mask>(rest & (rest - 1))) {
            const Mask a = static_cast<Mask>(rest & -rest);
            // State: a cell and the digit it is forced to hold.
            std::array<Mask, 81> seen {};
            std::array<std::pair<std::uint8_t, Mask>, 729> queue {};
            int head = 0, tail = 0;
            const Mask first = static_cast<Mask>(g.cand[s] & ~a);
            Cells ends;
            seen[s] = first;
            queue[tail++] = { static_cast<std::uint8_t>(s), first };
            while (head < tail) {
                const auto [p, v] = queue[head++];
                if (v == a && p != s)
                    ends.add(p);
                for (const auto q : units.peers[p]) {
                    if (bits(g.cand[q]) != 2 || !(g.cand[q] & v))
                        continue;
                    const Mask w = static_cast<Mask>(g.cand[q] & ~v);
                    if (seen[q] & w)
                        continue;
                    seen[q] = static_cast<Mask>(seen[q] | w);
                    queue[tail++] = { q, w };
                }
            }
            if (r.removeFromSeers(g, holding(g, a) & units.peerSet[s], ends, a)) {
                if (auto *seen = r.watched())
                    tellChain(*seen, s, ends, a);
                return r.counted(Technique::XYChain);
            }
        }
    }
    return false;
}

} // namespace zov::puzzles::grading
