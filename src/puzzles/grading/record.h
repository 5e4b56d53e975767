#pragma once

// Small helpers for the techniques that tell their step by roles: each adds to the record of a
// watched step (StepPattern), and does nothing when the step is not watched.

#include "puzzles/grading/rater.h"

namespace zov::puzzles::grading {

inline void tellUnit(StepPattern *seen, int unit, Role role)
{
    if (seen)
        seen->unitRoles.push_back({ unit, role });
}

inline void tellCandidate(StepPattern *seen, int cell, int digit, Role role, int order = -1)
{
    if (seen)
        seen->candidates.push_back({ cell, digit, role, order });
}

// Every candidate of digit bit `m` in `cells`, with `role`.
inline void tellCells(StepPattern *seen, const Cells &cells, Mask m, Role role)
{
    if (seen)
        cells.each([&](int p) { seen->candidates.push_back({ p, lowest(m) + 1, role, -1 }); });
}

inline void tellLink(StepPattern *seen, Candidate from, Candidate to, bool strong)
{
    if (seen)
        seen->links.push_back({ from, to, strong });
}

// What went, as candidates with the role Removal, from the record's `removed`.
inline void tellRemovals(StepPattern *seen)
{
    if (!seen)
        return;
    for (const auto &[p, m] : seen->removed)
        for (unsigned r = m; r; r &= r - 1)
            seen->candidates.push_back({ p, lowest(static_cast<Mask>(r)) + 1, Role::Removal, -1 });
}

// Clears what a search that found nothing may have left in the record.
inline void forget(StepPattern *seen)
{
    if (seen)
        *seen = StepPattern {};
}

} // namespace zov::puzzles::grading
