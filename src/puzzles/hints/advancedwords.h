#pragma once

// The words for the techniques past the chains of two-candidate cells: single-digit patterns,
// finned fish, W-wings, uniqueness, alternating chains, almost-locked sets and forcing chains,
// told from the step's record by roles.

#include "puzzles/grading/rater.h"
#include "puzzles/hints/words.h"

namespace zov::puzzles::hints::words {

// Nothing (empty) for a technique told elsewhere.
Levels advanced(const grading::StepPattern &seen);

} // namespace zov::puzzles::hints::words
