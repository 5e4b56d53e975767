#pragma once

// The patterns behind a chain or colouring step, rebuilt from the candidates so that the words
// can walk the player through them.

#include "puzzles/grading/rater.h"
#include "puzzles/hints/words.h"

#include <vector>

namespace zov::puzzles::hints::patterns {

// The x-chains behind a step: from the first cell, false, along strong links (true) and any
// sight of another holder (false) to each end used.
std::vector<words::XChain> xChainsOf(const grading::CandidateGrid &g,
    const grading::StepPattern &seen, const words::Removals &removed);
// The xy-chains behind a step: two-candidate cells, each forced by the one before it.
std::vector<words::XYChain> xyChainsOf(const grading::CandidateGrid &g,
    const grading::StepPattern &seen, const words::Removals &removed);
words::Colouring colouringOf(const grading::CandidateGrid &g, const grading::StepPattern &seen);

} // namespace zov::puzzles::hints::patterns
