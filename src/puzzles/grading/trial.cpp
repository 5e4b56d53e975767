// Trial: a guess followed to a contradiction, which removes the guessed digit, or to the
// solution.

#include "puzzles/grading/rater.h"

#include <algorithm>

namespace zov::puzzles::grading {

// Guesses the lowest digit of a cell with the fewest candidates and follows it with every
// technique and further guesses: a contradiction removes the digit and the logic goes on;
// otherwise the guess led to the solution.
Outcome Rater::guess(CandidateGrid &g, int depth)
{
    int best = -1;
    for (int p = 0; p < 81; ++p)
        if (!g.grid[p] && (best < 0 || bits(g.cand[p]) < bits(g.cand[best])))
            best = p;
    const int d = lowest(g.cand[best]) + 1;
    CandidateGrid next = g;
    next.onPath = g.onPath && m_solution[best] == d;
    m_rating.trialDepth = std::max(m_rating.trialDepth, depth + 1);
    ++m_rating.counts[static_cast<std::size_t>(Technique::Trial)];
    // The steps of a guess that fails are not on the way to the solution: they are
    // forgotten, but the guesses inside it still count.
    const auto counts = m_rating.counts;
    const std::size_t logged = m_options.log ? m_options.log->size() : 0;
    note(best, '=', digitBit(d));
    if (m_options.log)
        m_options.log->push_back("guess:" + m_pending);
    m_pending.clear();
    m_depth = depth + 1;
    place(next, best, d);
    m_pending.clear();
    const Outcome o = solve(next, depth + 1);
    m_depth = depth;
    if (o == Outcome::Solved) {
        g = next;
        return Outcome::Solved;
    }
    const int guesses = m_rating.count(Technique::Trial);
    m_rating.counts = counts;
    m_rating.counts[static_cast<std::size_t>(Technique::Trial)] = guesses;
    if (m_options.log)
        m_options.log->resize(logged);
    // Further guesses inside always end in a solution or a contradiction.
    remove(g, best, digitBit(d));
    if (m_options.log)
        m_options.log->push_back("trial:" + m_pending);
    m_pending.clear();
    return Outcome::Stuck;
}

} // namespace zov::puzzles::grading
