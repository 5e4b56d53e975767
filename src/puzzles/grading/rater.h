#pragma once

// The grader's step loop and the moves every technique makes through it. A technique looks at
// the candidate grid, and when it finds something, places or removes through the Rater, which
// keeps the counts, the log and the check against the solution, then reports it counted.

#include "puzzles/grader.h"
#include "puzzles/grading/candidates.h"
#include "puzzles/position.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zov::puzzles::grading {

inline constexpr std::array<int, TechniqueCount> Grades {
    1, 2, // singles
    3, 3, // locked candidates
    4, 4, 4, 4, 4, 4, // subsets
    5, 5, 5, // fish
    5, 5, 5, // single-digit patterns
    5, 5, 5, 5, // finned fish
    6, 6, 6, // wings
    6, 6, 6, 6, // uniqueness
    7, 7, 7, // colouring and chains
    7, 7, 7, // alternating inference chains
    8, 8, // almost-locked sets
    8, 8, 8, 8, // forcing chains and nets
    9, // trial
};

enum class Outcome { Solved, Broken, Stuck };

// Where candidates ran out: a cell with none (`cell`), or a unit (`unit`) where `digit` has no
// place left.
struct Break
{
    int cell = -1, unit = -1, digit = 0;
};
std::optional<Break> brokenAt(const CandidateGrid &g);

// The roles a candidate, a cell or a unit plays in a deduction, as the hints tell and draw it.
enum class Role : std::uint8_t {
    Pattern, // the pattern's own candidates: a fish's base, a subset's digits, a wing's digit
    Pivot, // a wing's pivot
    Pincer, // a wing's pincers
    Fin, // a finned fish's fins
    GroupA, // colouring: the first group
    GroupB, // colouring: the second group
    Node, // a chain's node; its place in the chain is `order`
    Assumed, // a forcing chain's assumption
    Forced, // a forcing chain's forced digit, in `order`
    Removal, // a candidate the step removes
    Placement, // the digit the step places
    Empty, // a cell or unit left without a digit (a contradiction's end)
    Base, // units: a fish's base lines; locked candidates: the box (pointing) or line (claiming)
    Cover, // units: a fish's cover lines; locked candidates: the other unit
    Look, // units: where to look (a single's unit, a subset's unit)
};

// A candidate: a digit in a cell (text position).
struct Candidate
{
    int cell = 0, digit = 0;
    Role role = Role::Pattern;
    int order = -1; // in a chain or a forced sequence, 0 first
    bool operator==(const Candidate &) const = default;
};

// A link between two candidates of a chain: strong (one of the two is true) or weak (not
// both).
struct Link
{
    Candidate from, to;
    bool strong = true;
};

struct UnitRole
{
    int unit = 0;
    Role role = Role::Look;
};

// What one step looked at and what it changed, for telling a person about it (the hints): the
// record of one deduction. Only a watched step fills it, so rating pays nothing for it.
struct StepPattern
{
    Technique technique = Technique::Trial;
    // The units looked at: a single's unit; the box, then the line (pointing) or the line,
    // then the box (claiming); a subset's unit; a fish's base lines, then its cover lines.
    std::vector<int> units;
    // The pattern's cells: a single's cell; the cells holding the digit (locked candidates,
    // fish); a subset's cells; a wing's pivot, then its pincers; a colouring's chain; a
    // chain's first cell.
    std::vector<int> cells;
    std::vector<int> colours; // simple colouring: 0 or 1 for each of `cells`
    int falseColour = -1; // simple colouring: the colour seen twice in a unit, or -1
    std::vector<int> ends; // chains: the cells that hold the digit if the first one does not
    // Forcing: for each digit forced (Role::Forced, in order), the unit where it is its digit's
    // last place, or -1 where it is its cell's last digit.
    std::vector<int> reasons;
    int emptyDigit = 0; // a contradiction in a unit (Role::Empty): the digit left without a place
    Mask digits = 0; // the pattern's digits (a wing's and a chain's: the digit removed)
    std::vector<std::pair<int, Mask>> removed; // in the order removed
    int placedCell = -1, placedDigit = 0;

    // The deduction by roles, for the words and the drawing: the units with their roles, the
    // candidates with theirs (chain nodes and forced digits in order), and a chain's links in
    // order.
    std::vector<UnitRole> unitRoles;
    std::vector<Candidate> candidates;
    std::vector<Link> links;

    // Empty again, keeping what the lists hold room for: a search that watches many steps.
    void clear()
    {
        technique = Technique::Trial;
        for (auto *list : { &units, &cells, &colours, &ends, &reasons })
            list->clear();
        digits = 0;
        falseColour = -1;
        emptyDigit = 0;
        removed.clear();
        placedCell = -1;
        placedDigit = 0;
        unitRoles.clear();
        candidates.clear();
        links.clear();
    }
    void unit(int u, Role role) { unitRoles.push_back({ u, role }); }
    // Each digit of `digits` in `cell`, in `role`.
    void mark(int cell, Mask digits, Role role, int order = -1)
    {
        for (unsigned m = digits; m; m &= m - 1)
            candidates.push_back({ cell, lowest(m) + 1, role, order });
    }
    // A chain's nodes in order (`nodes`, each a cell and a digit), linked alternately strong
    // and weak from `firstStrong`; the nodes are recorded as Role::Node.
    void chain(const std::vector<std::pair<int, int>> &nodes, bool firstStrong);
};

class Rater
{
public:
    Rater(const Grid &solution, const RateOptions &options, Rating &rating);
    Rater(Rater &&) noexcept;
    ~Rater();

    // Steps until solved, broken (a cell or a unit without candidates) or stuck.
    Outcome solve(CandidateGrid &g, int depth);

    void place(CandidateGrid &g, int p, int d)
    {
        const Mask m = digitBit(d);
        if (g.onPath && m_solution[p] != d)
            ++m_rating.unsoundSteps;
        note(p, '=', m);
        if (m_watch) {
            m_watch->placedCell = p;
            m_watch->placedDigit = d;
        }
        m_placesFresh = m_unitPlacesFresh = false;
        g.grid[p] = static_cast<std::uint8_t>(d);
        g.cand[p] = 0;
        --g.empty;
        for (const auto q : units.peers[p])
            g.cand[q] = static_cast<Mask>(g.cand[q] & ~m);
    }
    // Removes the candidates `m` of cell `p`; true when something went.
    bool remove(CandidateGrid &g, int p, Mask m)
    {
        m = static_cast<Mask>(m & g.cand[p]);
        if (!m)
            return false;
        if (g.onPath && (m >> (m_solution[p] - 1) & 1))
            ++m_rating.unsoundSteps;
        note(p, '-', m);
        if (m_watch)
            m_watch->removed.emplace_back(p, m);
        m_placesFresh = m_unitPlacesFresh = false;
        g.cand[p] = static_cast<Mask>(g.cand[p] & ~m);
        return true;
    }
    // Removes `m` from every cell of `from` that sees a cell of `ends`.
    bool removeFromSeers(CandidateGrid &g, Cells from, const Cells &ends, Mask m);
    // Removes `m` from every cell that sees all of `ends` (and is none of them).
    bool removeSeenBy(CandidateGrid &g, std::initializer_list<int> ends, Mask m);
    // The step just taken made progress with `tech`. True, for the technique to return.
    bool counted(Technique tech);

    // A technique that searches digit by digit, or unit by unit, finds what it found before
    // where nothing of that digit (those cells) changed: `fruitless` says whether the last
    // search of digit `d` (0 to 8), or of unit `u`, found nothing in what is there now, and
    // `barren` notes that this one found nothing. Between the hard steps of a long solve most
    // digits and units stay as they were.
    bool fruitless(Technique tech, int d, const CandidateGrid &g);
    void barren(Technique tech, int d, const CandidateGrid &g);
    bool fruitlessUnit(Technique tech, int u, const CandidateGrid &g);
    void barrenUnit(Technique tech, int u, const CandidateGrid &g);

    // Where each digit may go in each unit of `g`, worked out once for the techniques that
    // look at the board until it changes.
    const UnitPlaces &unitPlaces(const CandidateGrid &g);
    // Each digit's places on `g`, by digit index, worked out once the same way.
    const std::array<Cells, 9> &places(const CandidateGrid &g);

    // Where a step is watched, the pattern it fills; techniques describe what they found
    // only then (and before they count it).
    StepPattern *watched() const { return m_watch; }
    // One step of the easiest technique that applies (no trial), told into `pattern`: false
    // when none applies.
    bool watchedStep(CandidateGrid &g, StepPattern &pattern);
    // The same with `tech` alone.
    bool watchedStep(CandidateGrid &g, Technique tech, StepPattern &pattern);

private:
    const Grid &m_solution;
    const RateOptions &m_options;
    Rating &m_rating;
    std::uint64_t m_enabled = 0;
    int m_depth = 0; // guesses held during the step being taken
    std::string m_pending; // what the step being taken changed, for the log
    StepPattern *m_watch = nullptr;
    // Each digit's places on the grid being searched, while fresh; what each technique last
    // found nothing in, made on first use.
    std::array<Cells, 9> m_places {};
    bool m_placesFresh = false;
    UnitPlaces m_unitPlaces {};
    bool m_unitPlacesFresh = false;
    struct Searched;
    std::unique_ptr<Searched> m_searched;

    bool on(Technique tech) const;
    bool step(CandidateGrid &g, int depth);
    // "r3c5=4" for a placed digit, "r3c5-47" for removed candidates.
    void note(int p, char sign, Mask m)
    {
        if (m_options.log)
            noteForLog(p, sign, m);
    }
    void noteForLog(int p, char sign, Mask m);
    // In trial.cpp.
    Outcome guess(CandidateGrid &g, int depth);
};

} // namespace zov::puzzles::grading
