#pragma once

// Rates a puzzle by the hardest technique a person needs to solve it. The techniques are tried
// from the easiest, and after every step that places a digit or removes a candidate the search
// starts again from the easiest, so a harder technique is used only where nothing easier helps.
// What no technique here solves needs trial: the lowest digit of a cell with the fewest
// candidates is guessed and followed with singles and locked candidates (and further guesses
// where those stall) until it leads to a contradiction, which removes it, or to the solution.

#include "puzzles/sudoku.h"

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zov::puzzles {

// In the order they are tried.
enum class Technique {
    HiddenSingle,
    NakedSingle,
    Pointing,
    Claiming,
    NakedPair,
    HiddenPair,
    NakedTriple,
    HiddenTriple,
    NakedQuad,
    HiddenQuad,
    XWing,
    Swordfish,
    Jellyfish,
    Skyscraper,
    TwoStringKite,
    EmptyRectangle,
    FinnedXWing,
    SashimiXWing,
    FinnedSwordfish,
    SashimiSwordfish,
    XYWing,
    XYZWing,
    WWing,
    UniqueRectangle1,
    UniqueRectangle2,
    UniqueRectangle4,
    BugPlusOne,
    SimpleColouring,
    XChain,
    XYChain,
    Aic,
    NiceLoop,
    GroupedAic,
    AlsXZ,
    AlsXYWing,
    CellForcingChain,
    UnitForcingChain,
    ContradictionChain,
    ForcingNet,
    Trial,
};
constexpr int TechniqueCount = static_cast<int>(Technique::Trial) + 1;

// Grades group techniques that players meet together; 0 is a puzzle without exactly one
// solution, which has no grade. The default library holds the grades a player climbs, 1 to
// LibraryGrades; TopGrade is trial alone, for a puzzle none of the techniques finishes.
constexpr int InvalidGrade = 0;
constexpr int LibraryGrades = 8;
constexpr int TopGrade = 9;

int gradeOf(Technique technique);
// A short name of one word, e.g. "locked-candidates"; "invalid" for grade 0.
std::string_view gradeName(int grade);
std::string_view techniqueName(Technique technique);

// Where a rated puzzle stands among those of its grade; a larger one is harder. The hardest
// technique it needs comes first, so that a player moving through a grade meets its techniques
// in the order they are tried; then the steps beyond singles, each weighted by its grade (and
// the depth of guessing); then the singles, naked ones weighing more than hidden ones.
struct Score
{
    int hardest = -1; // a Technique; -1 for a puzzle not solved
    std::int64_t beyondSingles = 0;
    std::int64_t singles = 0;
    auto operator<=>(const Score &) const = default;
};

struct Rating
{
    // 1 to TopGrade; InvalidGrade when the puzzle has no solution or more than one. When a
    // ceiling stopped the rating, `solved` is false and the grade is ceiling + 1.
    int grade = InvalidGrade;
    bool solved = false;
    int solutions = 0; // 0, 1, or 2 for "more than one"
    // How often each technique made progress on the way to the solution (steps inside a
    // guess that failed do not count); Trial counts every guess, also those inside guesses.
    std::array<int, TechniqueCount> counts {};
    int trialDepth = 0; // how many guesses had to be held at once
    // Steps that removed the solution's own digit outside a wrong guess: always 0 unless a
    // technique is unsound. Kept so that tests can watch every step.
    int unsoundSteps = 0;

    int count(Technique t) const { return counts[static_cast<std::size_t>(t)]; }
    Score score() const;
};

struct RateOptions
{
    // Techniques of higher grades are not used.
    int ceiling = TopGrade;
    // One bit per Technique that is not used.
    std::uint64_t disabled = 0;
    // When given, one line per step on the way to the solution: "pointing: r1c4-5 r1c6-5",
    // where r1c4 is the top row's fourth cell, "=5" places a 5 and "-5" removes it as a
    // candidate. A guess that fails shows as "trial: r1c1-3", one that holds as
    // "guess: r1c1=3" followed by its steps.
    std::vector<std::string> *log = nullptr;
};

constexpr std::uint64_t bit(Technique t) { return std::uint64_t { 1 } << static_cast<unsigned>(t); }
static_assert(TechniqueCount <= 64, "RateOptions::disabled holds one bit per technique");

Rating rate(const Grid &puzzle, const RateOptions &options = {});
// The rating of each of `puzzles`, in their order, shared among the machine's cores (on this
// thread alone where no other can be started).
std::vector<Rating> rateAll(const std::vector<Grid> &puzzles);

// "3 locked-candidates hidden-single=20 naked-single=31 pointing=2": the grade, its name and
// every technique used with its count (trial also gives its depth).
std::string describe(const Rating &rating);

// A unique puzzle with half-turn symmetric givens rated exactly `grade` (1 to TopGrade), or
// nothing when `attempts` random grids gave none. Each attempt removes pairs of givens from a
// random full grid in random order while the solution stays unique, then keeps the puzzle with
// the fewest givens on that path whose grade is still at most `grade`.
std::optional<Grid> generateGraded(std::mt19937_64 &rng, int grade, int attempts);

} // namespace zov::puzzles
