// Alternating inference chains: candidates joined alternately by strong links (one of the two
// holds) and weak links (not both hold), beginning and ending strong, so that one of the two
// ends holds and no candidate that sees both does. A loop of them makes every weak link's two
// ends "one of the two"; a chain from a candidate back to itself through two strong links
// places it. Grouped chains also pass through a digit's places in a box on one line.

#include "puzzles/grading/implications.h"
#include "puzzles/grading/techniques.h"

#include <algorithm>
#include <vector>

namespace zov::puzzles::grading {
namespace {

enum class Kind { Open, Loop, Grouped };

// Records the chain through `nodes` (node ids), links alternating from strong; `closing` adds
// the link from the last node back to the first, strong or weak.
void tellChain(StepPattern &seen, const Implications &im, const std::vector<int> &nodes,
    int closing /* -1 none, 0 weak, 1 strong */)
{
    std::vector<Candidate> heads;
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        const ChainNode &n = im.nodes()[static_cast<std::size_t>(nodes[k])];
        int first = -1;
        n.cells.each([&](int p) {
            seen.candidates.push_back({ p, n.digit, Role::Node, static_cast<int>(k) });
            if (first < 0)
                first = p;
        });
        heads.push_back({ first, n.digit, Role::Node, static_cast<int>(k) });
    }
    seen.cells = { heads.front().cell };
    for (std::size_t k = 1; k < heads.size(); ++k)
        seen.links.push_back({ heads[k - 1], heads[k], k % 2 == 1 });
    if (closing >= 0)
        seen.links.push_back({ heads.back(), heads.front(), closing == 1 });
}

// The single candidates off the chain that both `a` and `b` rule out.
template <class Use> void seenByBoth(const Implications &im, int a, int b, Use use)
{
    for (const int *w = im.begin(holds(a)); w != im.end(holds(a)); ++w) {
        const int x = nodeOf(*w);
        if (x < im.singles() && x != b && im.weak(b, x))
            use(x);
    }
}

bool chains(CandidateGrid &g, Rater &r, Kind kind)
{
    const Implications &im = implicationsOf(g, kind == Kind::Grouped);
    const Technique tech = kind == Kind::Open ? Technique::Aic
        : kind == Kind::Loop                  ? Technique::NiceLoop
                                              : Technique::GroupedAic;
    for (int c = 0; c < im.singles(); ++c) {
        const ChainNode &cn = im.nodes()[static_cast<std::size_t>(c)];
        // Not holding leads to holding: it holds.
        if (kind != Kind::Open && im.leads(fails(c), holds(c))) {
            if (auto *seen = r.watched()) {
                const auto path = im.path(fails(c), holds(c));
                std::vector<int> nodes;
                for (std::size_t k = 0; k + 1 < path.size(); ++k)
                    nodes.push_back(nodeOf(path[k]));
                tellChain(*seen, im, nodes, 1);
                seen->digits = digitBit(cn.digit);
            }
            r.place(g, cn.cell, cn.digit);
            return r.counted(tech);
        }
        if (!im.leads(holds(c), fails(c)))
            continue;
        // Holding leads to not holding, through a chain whose ends both rule it out.
        const auto path = im.path(holds(c), fails(c));
        std::vector<int> nodes;
        for (std::size_t k = 1; k + 1 < path.size(); ++k)
            nodes.push_back(nodeOf(path[k]));
        const int first = nodes.front(), last = nodes.back();
        if (first == last)
            continue; // the start itself holds: found as a loop when it is scanned
        const bool loop = im.weak(last, first);
        if ((kind == Kind::Open && loop) || (kind == Kind::Loop && !loop))
            continue;
        std::vector<int> targets;
        auto add = [&](int x) {
            if (std::find(nodes.begin(), nodes.end(), x) == nodes.end()
                && std::find(targets.begin(), targets.end(), x) == targets.end())
                targets.push_back(x);
        };
        if (loop) {
            // Of each weak link's two ends exactly one holds: what sees both goes.
            for (std::size_t k = 1; k < nodes.size(); k += 2)
                seenByBoth(im, nodes[k], nodes[(k + 1) % nodes.size()], add);
        } else {
            seenByBoth(im, first, last, add);
        }
        std::sort(targets.begin(), targets.end());
        bool progress = false;
        for (const int x : targets) {
            const ChainNode &xn = im.nodes()[static_cast<std::size_t>(x)];
            progress |= r.remove(g, xn.cell, digitBit(xn.digit));
        }
        if (!progress)
            continue;
        if (auto *seen = r.watched()) {
            tellChain(*seen, im, nodes, loop ? 0 : -1);
            Mask digits = 0;
            for (const auto &[p, m] : seen->removed)
                digits = static_cast<Mask>(digits | m);
            seen->digits = digits;
        }
        return r.counted(tech);
    }
    return false;
}

} // namespace

bool aic(CandidateGrid &g, Rater &r) { return chains(g, r, Kind::Open); }
bool niceLoop(CandidateGrid &g, Rater &r) { return chains(g, r, Kind::Loop); }
bool groupedAic(CandidateGrid &g, Rater &r) { return chains(g, r, Kind::Grouped); }

} // namespace zov::puzzles::grading
