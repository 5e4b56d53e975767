#pragma once

// The grader's step loop and the moves every technique makes through it. A technique looks at
// the candidate grid, and when it finds something, places or removes through the Rater, which
// keeps the counts, the log and the check against the solution, then reports it counted.

#include "puzzles/grader.h"
#include "puzzles/grading/candidates.h"

#include <initializer_list>
#include <string>

namespace zov::puzzles::grading {

inline constexpr std::array<int, TechniqueCount> Grades {
    1, 2, // singles
    3, 3, // locked candidates
    4, 4, 4, 4, 4, 4, // subsets
    5, 5, 5, // fish
    6, 6, // wings
    7, 7, 7, // colouring and chains
    8, // trial
};

enum class Outcome { Solved, Broken, Stuck };

class Rater
{
public:
    Rater(const Grid &solution, const RateOptions &options, Rating &rating);

    // Steps until solved, broken (a cell or a unit without candidates) or stuck.
    Outcome solve(CandidateGrid &g, int depth);

    void place(CandidateGrid &g, int p, int d)
    {
        const auto m = static_cast<Mask>(1u << (d - 1));
        if (g.onPath && m_solution[p] != d)
            ++m_rating.unsoundSteps;
        note(p, '=', m);
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
        g.cand[p] = static_cast<Mask>(g.cand[p] & ~m);
        return true;
    }
    // Removes `m` from every cell of `from` that sees a cell of `ends`.
    bool removeFromSeers(CandidateGrid &g, Cells from, const Cells &ends, Mask m);
    // Removes `m` from every cell that sees all of `ends` (and is none of them).
    bool removeSeenBy(CandidateGrid &g, std::initializer_list<int> ends, Mask m);
    // The step just taken made progress with `tech`. True, for the technique to return.
    bool counted(Technique tech);

private:
    const Grid &m_solution;
    const RateOptions &m_options;
    Rating &m_rating;
    unsigned m_enabled = 0;
    int m_depth = 0; // guesses held during the step being taken
    std::string m_pending; // what the step being taken changed, for the log

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
