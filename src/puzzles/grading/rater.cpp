#include "puzzles/grading/rater.h"

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {
namespace {

// The technique's search, by Technique; trial is the step loop's own.
using Finder = bool (*)(CandidateGrid &, Rater &);
constexpr std::array<Finder, TechniqueCount> Finders {
    hiddenSingle,
    nakedSingle,
    pointing,
    claiming,
    [](CandidateGrid &g, Rater &r) { return nakedSubset(g, r, 2, Technique::NakedPair); },
    [](CandidateGrid &g, Rater &r) { return hiddenSubset(g, r, 2, Technique::HiddenPair); },
    [](CandidateGrid &g, Rater &r) { return nakedSubset(g, r, 3, Technique::NakedTriple); },
    [](CandidateGrid &g, Rater &r) { return hiddenSubset(g, r, 3, Technique::HiddenTriple); },
    [](CandidateGrid &g, Rater &r) { return nakedSubset(g, r, 4, Technique::NakedQuad); },
    [](CandidateGrid &g, Rater &r) { return hiddenSubset(g, r, 4, Technique::HiddenQuad); },
    [](CandidateGrid &g, Rater &r) { return fish(g, r, 2, Technique::XWing); },
    skyscraper,
    twoStringKite,
    emptyRectangle,
    [](CandidateGrid &g, Rater &r) { return finnedFish(g, r, 2, false, Technique::FinnedXWing); },
    [](CandidateGrid &g, Rater &r) { return finnedFish(g, r, 2, true, Technique::SashimiXWing); },
    [](CandidateGrid &g, Rater &r) { return fish(g, r, 3, Technique::Swordfish); },
    [](CandidateGrid &g, Rater &r) {
        return finnedFish(g, r, 3, false, Technique::FinnedSwordfish);
    },
    [](CandidateGrid &g, Rater &r) {
        return finnedFish(g, r, 3, true, Technique::SashimiSwordfish);
    },
    [](CandidateGrid &g, Rater &r) { return fish(g, r, 4, Technique::Jellyfish); },
    xyWing,
    xyzWing,
    wWing,
    uniqueRectangle1,
    uniqueRectangle2,
    uniqueRectangle4,
    bugPlusOne,
    colouring,
    xChain,
    xyChain,
    aic,
    // Nice loops are found with the chains above and counted on their own.
    [](CandidateGrid &, Rater &) { return false; },
    groupedAic,
    alsXZ,
    alsXYWing,
    contradictionChain,
    cellForcingChain,
    unitForcingChain,
    forcingNet,
    nullptr,
};

} // namespace

std::optional<Break> brokenAt(const CandidateGrid &g)
{
    for (int p = 0; p < 81; ++p)
        if (!g.grid[p] && !g.cand[p])
            return Break { p, -1, 0 };
    for (int u = 0; u < 27; ++u) {
        Mask seen = 0;
        for (const auto p : units.cells[u])
            seen = static_cast<Mask>(seen | g.cand[p] | (g.grid[p] ? digitBit(g.grid[p]) : 0));
        if (seen != AllDigits)
            return Break { -1, u, lowest(static_cast<Mask>(AllDigits & ~seen)) + 1 };
    }
    return std::nullopt;
}

Rater::Rater(const Grid &solution, const RateOptions &options, Rating &rating)
    : m_solution(solution)
    , m_options(options)
    , m_rating(rating)
{
    for (int k = 0; k < TechniqueCount; ++k) {
        const auto tech = static_cast<Technique>(k);
        if (Grades[static_cast<std::size_t>(k)] <= options.ceiling
            && !(options.disabled & bit(tech)))
            m_enabled |= bit(tech);
    }
}

Outcome Rater::solve(CandidateGrid &g, int depth)
{
    for (;;) {
        if (g.empty == 0)
            return Outcome::Solved;
        if (brokenAt(g))
            return Outcome::Broken;
        if (step(g, depth))
            continue;
        if (!(m_enabled & bit(Technique::Trial)))
            return Outcome::Stuck;
        if (guess(g, depth) == Outcome::Broken)
            return Outcome::Broken;
    }
}

// A guess is followed with singles and locked candidates only: what a person can keep track of
// while holding a guess, and twice as fast as everything.
bool Rater::on(Technique tech) const
{
    return (m_enabled & bit(tech)) && (m_depth == 0 || Grades[static_cast<std::size_t>(tech)] <= 3);
}

bool Rater::step(CandidateGrid &g, int depth)
{
    m_depth = depth;
    for (int k = 0; k < TechniqueCount; ++k)
        if (const auto tech = static_cast<Technique>(k);
            tech != Technique::Trial && on(tech) && Finders[static_cast<std::size_t>(k)](g, *this))
            return true;
    return false;
}

bool Rater::watchedStep(CandidateGrid &g, StepPattern &pattern)
{
    m_watch = &pattern;
    const bool found = step(g, 0);
    m_watch = nullptr;
    return found;
}

bool Rater::watchedStep(CandidateGrid &g, Technique tech, StepPattern &pattern)
{
    const auto finder = Finders[static_cast<std::size_t>(tech)];
    if (!finder)
        return false;
    m_watch = &pattern;
    m_depth = 0;
    const bool found = finder(g, *this);
    m_watch = nullptr;
    return found;
}

bool Rater::counted(Technique tech)
{
    if (m_watch)
        m_watch->technique = tech;
    ++m_rating.counts[static_cast<std::size_t>(tech)];
    if (m_options.log)
        m_options.log->push_back(std::string(techniqueName(tech)) + ':' + m_pending);
    m_pending.clear();
    return true;
}

void Rater::noteForLog(int p, char sign, Mask m)
{
    m_pending += ' ';
    m_pending += digitNotation(p, sign, m);
}

bool Rater::removeFromSeers(CandidateGrid &g, Cells from, const Cells &ends, Mask m)
{
    Cells seers;
    ends.each([&](int e) { seers |= units.peerSet[e]; });
    bool progress = false;
    (from & seers).each([&](int p) { progress |= remove(g, p, m); });
    return progress;
}

bool Rater::removeSeenBy(CandidateGrid &g, std::initializer_list<int> ends, Mask m)
{
    bool progress = false;
    for (int p = 0; p < 81; ++p) {
        if (!(g.cand[p] & m))
            continue;
        bool all = true;
        for (const int e : ends)
            all = all && units.sees[p][e];
        if (all)
            progress |= remove(g, p, m);
    }
    return progress;
}

} // namespace zov::puzzles::grading
