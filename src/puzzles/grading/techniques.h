#pragma once

// The techniques, by family. Each looks for one step, takes it through the Rater and returns
// true, or returns false when it finds nothing; the step loop (rater.cpp) tries them from the
// easiest. Trial lives with the Rater, as it runs the loop itself.

#include "puzzles/grading/rater.h"

namespace zov::puzzles::grading {

// singles.cpp
bool hiddenSingle(CandidateGrid &g, Rater &r);
bool nakedSingle(CandidateGrid &g, Rater &r);
// intersections.cpp
bool pointing(CandidateGrid &g, Rater &r);
bool claiming(CandidateGrid &g, Rater &r);
// subsets.cpp: `n` from 2 (pairs) to 4 (quads), counted as `tech`
bool nakedSubset(CandidateGrid &g, Rater &r, int n, Technique tech);
bool hiddenSubset(CandidateGrid &g, Rater &r, int n, Technique tech);
// fish.cpp: `n` from 2 (x-wing) to 4 (jellyfish)
bool fish(CandidateGrid &g, Rater &r, int n, Technique tech);
// singledigit.cpp
bool skyscraper(CandidateGrid &g, Rater &r);
bool twoStringKite(CandidateGrid &g, Rater &r);
bool emptyRectangle(CandidateGrid &g, Rater &r);
// finnedfish.cpp: `n` 2 (x-wing) or 3 (swordfish); sashimi where a base line has one place
bool finnedFish(CandidateGrid &g, Rater &r, int n, bool sashimi, Technique tech);
// wings.cpp
bool xyWing(CandidateGrid &g, Rater &r);
bool xyzWing(CandidateGrid &g, Rater &r);
bool wWing(CandidateGrid &g, Rater &r);
// uniqueness.cpp: sound only where the puzzle has exactly one solution
bool uniqueRectangle1(CandidateGrid &g, Rater &r);
bool uniqueRectangle2(CandidateGrid &g, Rater &r);
bool uniqueRectangle4(CandidateGrid &g, Rater &r);
bool bugPlusOne(CandidateGrid &g, Rater &r);
// chains.cpp
bool colouring(CandidateGrid &g, Rater &r);
bool xChain(CandidateGrid &g, Rater &r);
bool xyChain(CandidateGrid &g, Rater &r);
// aic.cpp: alternating inference chains; loops, and chains through grouped candidates
bool aic(CandidateGrid &g, Rater &r);
bool niceLoop(CandidateGrid &g, Rater &r);
bool groupedAic(CandidateGrid &g, Rater &r);
// als.cpp: almost-locked sets
bool alsXZ(CandidateGrid &g, Rater &r);
bool alsXYWing(CandidateGrid &g, Rater &r);
// forcing.cpp: what follows from an assumption, along chains and then through nets
bool cellForcingChain(CandidateGrid &g, Rater &r);
bool unitForcingChain(CandidateGrid &g, Rater &r);
bool contradictionChain(CandidateGrid &g, Rater &r);
bool forcingNet(CandidateGrid &g, Rater &r);

} // namespace zov::puzzles::grading
