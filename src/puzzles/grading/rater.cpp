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
    [](CandidateGrid &g, Rater &r) { return fish(g, r, 3, Technique::Swordfish); },
    [](CandidateGrid &g, Rater &r) { return fish(g, r, 4, Technique::Jellyfish); },
    skyscraper,
    twoStringKite,
    emptyRectangle,
    [](CandidateGrid &g, Rater &r) { return finnedFish(g, r, 2, false, Technique::FinnedXWing); },
    [](CandidateGrid &g, Rater &r) { return finnedFish(g, r, 2, true, Technique::SashimiXWing); },
    [](CandidateGrid &g, Rater &r) {
        return finnedFish(g, r, 3, false, Technique::FinnedSwordfish);
    },
    [](CandidateGrid &g, Rater &r) {
        return finnedFish(g, r, 3, true, Technique::SashimiSwordfish);
    },
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
    niceLoop,
    groupedAic,
    alsXZ,
    alsXYWing,
    cellForcingChain,
    unitForcingChain,
    contradictionChain,
    forcingNet,
    nullptr,
};

} // namespace

std::optional<Break> brokenAt(const CandidateGrid &g)
{
    // Taken after every step, so kept to one pass over the rows, a third of a row at a time:
    // what the cells may still hold, into their row, column and box.
    static constexpr std::array<Mask, 10> placed { 0, 1, 2, 4, 8, 16, 32, 64, 128, 256 };
    std::array<Mask, 27> seen {};
    bool empty = false;
    for (std::size_t row = 0; row < 9; ++row) {
        std::array<Mask, 9> held;
        for (std::size_t col = 0; col < 9; ++col) {
            const Mask digit = placed[g.grid[row * 9 + col]];
            held[col] = digit ? digit : g.cand[row * 9 + col];
            empty = empty || !held[col];
            seen[9 + col] = static_cast<Mask>(seen[9 + col] | held[col]);
        }
        for (std::size_t third = 0; third < 3; ++third) {
            const auto m
                = static_cast<Mask>(held[third * 3] | held[third * 3 + 1] | held[third * 3 + 2]);
            seen[row] = static_cast<Mask>(seen[row] | m);
            seen[18 + row / 3 * 3 + third] = static_cast<Mask>(seen[18 + row / 3 * 3 + third] | m);
        }
    }
    if (empty)
        for (int p = 0; p < 81; ++p)
            if (!g.grid[static_cast<std::size_t>(p)] && !g.cand[static_cast<std::size_t>(p)])
                return Break { p, -1, 0 };
    for (int u = 0; u < 27; ++u)
        if (seen[static_cast<std::size_t>(u)] != AllDigits)
            return Break { -1, u,
                lowest(static_cast<Mask>(AllDigits & ~seen[static_cast<std::size_t>(u)])) + 1 };
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

// What was noted is read only where its bit says so, so the notes themselves start unset: a
// rater is made for every puzzle rated.
struct Rater::Searched
{
    std::array<std::uint16_t, TechniqueCount> digits {}; // the digits noted, a bit each
    std::array<std::array<Cells, 9>, TechniqueCount> places;
    std::array<std::uint32_t, TechniqueCount> inUnits {}; // the units noted, a bit each
    std::array<UnitPlaces, TechniqueCount> placesIn; // by unit, as unitPlaces() has them
};

Rater::Rater(Rater &&) noexcept = default;
Rater::~Rater() = default;

const std::array<Cells, 9> &Rater::places(const CandidateGrid &g)
{
    if (!m_placesFresh) {
        m_places = {};
        for (int p = 0; p < 81; ++p)
            for (unsigned m = g.cand[static_cast<std::size_t>(p)]; m; m &= m - 1)
                m_places[static_cast<std::size_t>(lowest(m))].add(p);
        m_placesFresh = true;
    }
    return m_places;
}

const UnitPlaces &Rater::unitPlaces(const CandidateGrid &g)
{
    if (!m_unitPlacesFresh) {
        // Rows and columns from each candidate, boxes from three rows' thirds.
        m_unitPlaces = {};
        for (std::size_t p = 0; p < 81; ++p)
            for (unsigned m = g.cand[p]; m; m &= m - 1) {
                const auto d = static_cast<std::size_t>(lowest(m));
                m_unitPlaces[p / 9][d] |= static_cast<Mask>(1u << (p % 9));
                m_unitPlaces[9 + p % 9][d] |= static_cast<Mask>(1u << (p / 9));
            }
        for (std::size_t b = 0; b < 9; ++b)
            for (std::size_t d = 0; d < 9; ++d) {
                unsigned at = 0;
                for (std::size_t i = 0; i < 3; ++i)
                    at |= (m_unitPlaces[b / 3 * 3 + i][d] >> (b % 3 * 3) & 7u) << (3 * i);
                m_unitPlaces[Units::FirstBox + b][d] = static_cast<Mask>(at);
            }
        m_unitPlacesFresh = true;
    }
    return m_unitPlaces;
}

bool Rater::fruitless(Technique tech, int d, const CandidateGrid &g)
{
    const auto k = static_cast<std::size_t>(tech);
    if (!m_searched || !(m_searched->digits[k] >> d & 1))
        return false;
    const Cells &now = places(g)[static_cast<std::size_t>(d)];
    const Cells &then = m_searched->places[k][static_cast<std::size_t>(d)];
    return now.lo == then.lo && now.hi == then.hi;
}

void Rater::barren(Technique tech, int d, const CandidateGrid &g)
{
    if (!m_searched)
        m_searched.reset(new Searched);
    const auto k = static_cast<std::size_t>(tech);
    m_searched->places[k][static_cast<std::size_t>(d)] = places(g)[static_cast<std::size_t>(d)];
    m_searched->digits[k] = static_cast<std::uint16_t>(m_searched->digits[k] | 1u << d);
}

// A unit is compared by its digits' places, worked out for the step anyway: the same
// content as its cells' candidates, read in one piece.
bool Rater::fruitlessUnit(Technique tech, int u, const CandidateGrid &g)
{
    const auto k = static_cast<std::size_t>(tech);
    return m_searched && (m_searched->inUnits[k] >> u & 1)
        && m_searched->placesIn[k][static_cast<std::size_t>(u)]
        == unitPlaces(g)[static_cast<std::size_t>(u)];
}

void Rater::barrenUnit(Technique tech, int u, const CandidateGrid &g)
{
    if (!m_searched)
        m_searched.reset(new Searched);
    const auto k = static_cast<std::size_t>(tech);
    m_searched->placesIn[k][static_cast<std::size_t>(u)]
        = unitPlaces(g)[static_cast<std::size_t>(u)];
    m_searched->inUnits[k] |= 1u << u;
}

Outcome Rater::solve(CandidateGrid &g, int depth)
{
    for (;;) {
        if (g.empty == 0)
            return Outcome::Solved;
        // While every digit placed is the solution's and no step took one of its candidates,
        // the board holds the solution and cannot have broken down.
        if ((!g.onPath || m_rating.unsoundSteps > 0) && brokenAt(g))
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
    m_placesFresh = m_unitPlacesFresh = false;
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
    if (tech == Technique::Trial)
        return false;
    m_watch = &pattern;
    m_depth = 0;
    m_placesFresh = m_unitPlacesFresh = false;
    const bool found = Finders[static_cast<std::size_t>(tech)](g, *this);
    m_watch = nullptr;
    return found;
}

void StepPattern::chain(const std::vector<std::pair<int, int>> &nodes, bool firstStrong)
{
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        const Candidate c { nodes[k].first, nodes[k].second, Role::Node, static_cast<int>(k) };
        if (k > 0)
            links.push_back({ candidates.back(), c, (k % 2 == 1) == firstStrong });
        candidates.push_back(c);
    }
}

bool Rater::counted(Technique tech)
{
    if (m_watch) {
        // The result in the record's own terms, after the pattern the technique told.
        m_watch->technique = tech;
        for (const auto &[p, m] : m_watch->removed)
            m_watch->mark(p, m, Role::Removal);
        if (m_watch->placedCell >= 0)
            m_watch->mark(m_watch->placedCell, digitBit(m_watch->placedDigit), Role::Placement);
    }
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
    Cells all { ~std::uint64_t { 0 }, ~std::uint64_t { 0 } };
    for (const int e : ends)
        all = all & units.peerSet[static_cast<std::size_t>(e)];
    bool progress = false;
    all.each([&](int p) { progress |= remove(g, p, m); });
    return progress;
}

} // namespace zov::puzzles::grading
