// Fuzz target: the plain-text puzzle importer. Every line is either a puzzle or a problem.
#include "fuzz.h"
#include "puzzles/puzzletext.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const auto parsed = zov::puzzles::parsePuzzleText(text);
    for (const auto &grid : parsed.puzzles) {
        if (!zov::puzzles::isConsistent(grid) || zov::puzzles::clueCount(grid) == 0)
            std::abort();
        // Small puzzles must not make the solver run away: a count capped at 2 always ends.
        (void)zov::puzzles::countSolutions(grid, 2);
    }
    return 0;
}
