#include "puzzles/grader.h"

#include "puzzles/grading/rater.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace zov::puzzles {
namespace {

using grading::AllDigits;
using grading::bits;
using grading::Grades;
using grading::lowest;
using grading::Mask;
using grading::units;

constexpr std::array<std::string_view, TechniqueCount> TechniqueNames { "hidden-single",
    "naked-single", "pointing", "claiming", "naked-pair", "hidden-pair", "naked-triple",
    "hidden-triple", "naked-quad", "hidden-quad", "x-wing", "swordfish", "jellyfish", "skyscraper",
    "two-string-kite", "empty-rectangle", "finned-x-wing", "sashimi-x-wing", "finned-swordfish",
    "sashimi-swordfish", "xy-wing", "xyz-wing", "w-wing", "unique-rectangle-1",
    "unique-rectangle-2", "unique-rectangle-4", "bug-plus-one", "simple-colouring", "x-chain",
    "xy-chain", "aic", "nice-loop", "grouped-aic", "als-xz", "als-xy-wing", "cell-forcing-chain",
    "unit-forcing-chain", "contradiction-chain", "forcing-net", "trial" };

constexpr std::array<std::string_view, TopGrade + 1> GradeNames { "invalid", "hidden-singles",
    "naked-singles", "locked-candidates", "subsets", "fish", "wings", "chains", "forcing",
    "trial" };
// A name left out would leave the last one empty.
static_assert(TechniqueNames.back() == "trial" && GradeNames.back() == "trial");

} // namespace

int gradeOf(Technique technique) { return Grades[static_cast<std::size_t>(technique)]; }

std::string_view gradeName(int grade)
{
    return grade >= 0 && grade <= TopGrade ? GradeNames[static_cast<std::size_t>(grade)] : "?";
}

std::string_view techniqueName(Technique technique)
{
    return TechniqueNames[static_cast<std::size_t>(technique)];
}

Score Rating::score() const
{
    Score s;
    std::int64_t weight = 1;
    int lastGrade = 1;
    for (int k = 0; k < TechniqueCount; ++k) {
        const int g = Grades[static_cast<std::size_t>(k)];
        if (g != lastGrade) {
            weight *= 4;
            lastGrade = g;
        }
        const int n = counts[static_cast<std::size_t>(k)];
        if (n > 0)
            s.hardest = k;
        (g <= gradeOf(Technique::NakedSingle) ? s.singles : s.beyondSingles) += weight * n;
    }
    s.beyondSingles += weight * 16 * trialDepth;
    return s;
}

Rating rate(const Grid &puzzle, const RateOptions &options)
{
    Rating rating;
    Grid solution {};
    rating.solutions = countSolutions(puzzle, 2, &solution);
    if (rating.solutions != 1)
        return rating;
    grading::CandidateGrid g;
    g.grid = puzzle;
    g.cand = Position::start(puzzle).candidates();
    for (const auto d : puzzle)
        g.empty -= d != 0;
    grading::Rater rater(solution, options, rating);
    rating.solved = rater.solve(g, 0) == grading::Outcome::Solved;
    if (!rating.solved) {
        rating.grade = options.ceiling + 1;
        return rating;
    }
    rating.grade = 1;
    for (int k = 0; k < TechniqueCount; ++k)
        if (rating.counts[static_cast<std::size_t>(k)] > 0)
            rating.grade = std::max(rating.grade, Grades[static_cast<std::size_t>(k)]);
    return rating;
}

std::vector<Rating> rateAll(const std::vector<Grid> &puzzles)
{
    std::vector<Rating> ratings(puzzles.size());
    // Each thread takes the next few puzzles in turn: the hard ones cluster at the end.
    constexpr std::size_t Batch = 8;
    std::atomic<std::size_t> next { 0 };
    auto work = [&] {
        for (std::size_t from; (from = next.fetch_add(Batch)) < puzzles.size();)
            for (std::size_t k = from; k < std::min(from + Batch, puzzles.size()); ++k)
                ratings[k] = rate(puzzles[k]);
    };
    const auto cores = static_cast<std::size_t>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> helpers;
    for (std::size_t k = 1; k < std::min(cores, puzzles.size() / Batch + 1); ++k) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error &) {
            break; // no more threads here: the ones running, and this one, do the rest
        }
    }
    work();
    for (auto &t : helpers)
        t.join();
    return ratings;
}

std::string describe(const Rating &rating)
{
    std::string text = std::to_string(rating.grade) + ' ' + std::string(gradeName(rating.grade));
    if (rating.grade == InvalidGrade) {
        text += rating.solutions == 0 ? " no-solution" : " not-unique";
        return text;
    }
    for (int k = 0; k < TechniqueCount; ++k)
        if (const int n = rating.counts[static_cast<std::size_t>(k)]; n > 0)
            text += ' ' + std::string(TechniqueNames[static_cast<std::size_t>(k)]) + '='
                + std::to_string(n);
    if (rating.trialDepth > 0)
        text += " depth=" + std::to_string(rating.trialDepth);
    return text;
}

namespace {

// A random full grid: the cell with the fewest digits left first, its digits in random order.
// Kept here rather than taken from the solver so that a seed gives the same puzzles however
// the solver searches.
bool fill(Grid &g, std::mt19937_64 &rng)
{
    int best = -1, bestCount = 10;
    Mask bestFree = 0;
    for (int p = 0; p < 81; ++p) {
        if (g[static_cast<std::size_t>(p)])
            continue;
        const Mask free = allowedAt(g, p);
        if (bits(free) < bestCount) {
            best = p;
            bestCount = bits(free);
            bestFree = free;
        }
    }
    if (best < 0)
        return true;
    std::array<int, 9> digits {};
    int n = 0;
    for (Mask m = bestFree; m; m = static_cast<Mask>(m & (m - 1)))
        digits[static_cast<std::size_t>(n++)] = lowest(m) + 1;
    std::shuffle(digits.begin(), digits.begin() + n, rng);
    for (int k = 0; k < n; ++k) {
        g[static_cast<std::size_t>(best)]
            = static_cast<std::uint8_t>(digits[static_cast<std::size_t>(k)]);
        if (fill(g, rng))
            return true;
    }
    g[static_cast<std::size_t>(best)] = 0;
    return false;
}

} // namespace

std::optional<Grid> generateGraded(std::mt19937_64 &rng, int grade, int attempts)
{
    for (int a = 0; a < attempts; ++a) {
        Grid full {};
        fill(full, rng);
        std::array<int, 41> pairs {};
        for (int p = 0; p <= 40; ++p)
            pairs[static_cast<std::size_t>(p)] = p;
        std::shuffle(pairs.begin(), pairs.end(), rng);
        std::vector<Grid> path { full };
        for (const int p : pairs) {
            Grid next = path.back();
            next[static_cast<std::size_t>(p)] = next[static_cast<std::size_t>(80 - p)] = 0;
            if (hasUniqueSolution(next))
                path.push_back(next);
        }
        // Fewer givens make a puzzle harder, almost always: find the last puzzle on the path
        // that is no harder than asked, and keep it when it is exactly as hard.
        const RateOptions upTo { grade, 0 };
        auto within = [&](const Grid &g) { return rate(g, upTo).solved; };
        std::size_t lo = 0, hi = path.size() - 1;
        if (within(path[hi])) {
            lo = hi;
        } else {
            while (hi - lo > 1) {
                const std::size_t mid = (lo + hi) / 2;
                (within(path[mid]) ? lo : hi) = mid;
            }
        }
        if (rate(path[lo], upTo).grade == grade)
            return path[lo];
    }
    return std::nullopt;
}

} // namespace zov::puzzles
