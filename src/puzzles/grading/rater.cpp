#include "puzzles/grading/rater.h"

#include "puzzles/grading/techniques.h"

namespace zov::puzzles::grading {
namespace {

// No cell without a digit or a candidate, and every digit still possible in every unit.
bool consistent(const CandidateGrid &g)
{
    for (int p = 0; p < 81; ++p)
        if (!g.grid[p] && !g.cand[p])
            return false;
    for (const auto &unit : units.cells) {
        Mask seen = 0;
        for (const auto p : unit)
            seen = static_cast<Mask>(seen | g.cand[p] | (g.grid[p] ? 1u << (g.grid[p] - 1) : 0u));
        if (seen != AllDigits)
            return false;
    }
    return true;
}

} // namespace

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
        if (!consistent(g))
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
    return (m_enabled & bit(tech)) && (m_depth == 0 || gradeOfTechnique(tech) <= 3);
}

bool Rater::step(CandidateGrid &g, int depth)
{
    m_depth = depth;
    using T = Technique;
    if (on(T::HiddenSingle) && hiddenSingle(g, *this))
        return true;
    if (on(T::NakedSingle) && nakedSingle(g, *this))
        return true;
    if (on(T::Pointing) && pointing(g, *this))
        return true;
    if (on(T::Claiming) && claiming(g, *this))
        return true;
    for (int n = 2; n <= 4; ++n) {
        const auto naked = static_cast<T>(static_cast<int>(T::NakedPair) + 2 * (n - 2));
        const auto hidden = static_cast<T>(static_cast<int>(T::HiddenPair) + 2 * (n - 2));
        if (on(naked) && nakedSubset(g, *this, n, naked))
            return true;
        if (on(hidden) && hiddenSubset(g, *this, n, hidden))
            return true;
    }
    for (int n = 2; n <= 4; ++n) {
        const auto fishTech = static_cast<T>(static_cast<int>(T::XWing) + n - 2);
        if (on(fishTech) && fish(g, *this, n, fishTech))
            return true;
    }
    if (on(T::XYWing) && xyWing(g, *this))
        return true;
    if (on(T::XYZWing) && xyzWing(g, *this))
        return true;
    if (on(T::SimpleColouring) && colouring(g, *this))
        return true;
    if (on(T::XChain) && xChain(g, *this))
        return true;
    return on(T::XYChain) && xyChain(g, *this);
}

void Rater::counted(Technique tech)
{
    ++m_rating.counts[static_cast<std::size_t>(tech)];
    if (m_options.log)
        m_options.log->push_back(std::string(techniqueName(tech)) + ':' + m_pending);
    m_pending.clear();
}

void Rater::noteForLog(int p, char sign, Mask m)
{
    m_pending += ' ';
    m_pending += { 'r', static_cast<char>('1' + p / 9), 'c', static_cast<char>('1' + p % 9), sign };
    for (int d = 0; d < 9; ++d)
        if (m >> d & 1)
            m_pending += static_cast<char>('1' + d);
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
