#pragma once

// Contradiction chains: a candidate assumed, the digits it forces followed in order until a cell
// or a unit is left without a digit, which proves the candidate false. Kept apart from the
// techniques so that any chain of forced steps can be told the same way.

#include "puzzles/grading/rater.h"
#include "puzzles/hints/words.h"

#include <optional>

namespace zov::puzzles::hints {

struct ContradictionStep
{
    words::Contradiction told;
    grading::StepPattern record; // the assumption, the forced digits in order, the empty end
};

// The shortest chain of singles from a wrong candidate of a cell with the fewest candidates to a
// contradiction (cells with more where none has one); where singles never reach one, the
// shortest with locked candidates too, then with every technique but trial. Nothing where none
// does. `solution` is the puzzle's only solution, which tells the wrong candidates.
std::optional<ContradictionStep> findContradiction(
    const grading::CandidateGrid &g, const Grid &solution);

} // namespace zov::puzzles::hints
