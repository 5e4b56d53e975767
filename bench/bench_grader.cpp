// Figures for the grader: how fast it rates puzzle files and how hard it finds them, and how
// fast the generator makes puzzles of each grade. Not a test: it prints numbers.
//
//   zovudedoda-bench-grader rate FILE...      per file: median grade, share of the top grade,
//                                             puzzles rated per second, and that against the
//                                             uniqueness check alone on the same puzzles;
//                                             then the count of each grade, 0 to 8
//   zovudedoda-bench-grader generate [COUNT]  per grade: COUNT puzzles (default 20), puzzles
//                                             made per second, against the ungraded generator
//                                             in the same run, and random grids per puzzle

#include "puzzles/grader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace zov::puzzles;
using Clock = std::chrono::steady_clock;

namespace {

int rateFiles(int argc, char **argv)
{
    // no_trial: the share of the set's puzzles with one solution that the techniques finish
    // without a guess.
    std::printf("%-28s %7s %6s %6s %9s %9s %8s  %s\n", "file", "puzzles", "median", "top",
        "no_trial", "per_s", "x_check", "grades 0..9");
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i]);
        std::vector<Grid> set;
        for (std::string line; std::getline(in, line);)
            if (const auto g = fromText(line.substr(0, 81)))
                set.push_back(*g);
        if (set.empty()) {
            std::fprintf(stderr, "zovudedoda-bench-grader: %s: no puzzles\n", argv[i]);
            continue;
        }
        std::vector<int> grades;
        std::array<int, TopGrade + 1> histogram {};
        int unsound = 0;
        const auto t0 = Clock::now();
        for (const auto &g : set) {
            const Rating r = rate(g);
            grades.push_back(r.grade);
            ++histogram[static_cast<std::size_t>(r.grade)];
            unsound += r.unsoundSteps;
        }
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        const auto t1 = Clock::now();
        int unique = 0;
        for (const auto &g : set)
            unique += hasUniqueSolution(g);
        if (unique != static_cast<int>(set.size()) - histogram[0])
            std::fprintf(stderr, "zovudedoda-bench-grader: uniqueness disagrees\n");
        const double check = std::chrono::duration<double>(Clock::now() - t1).count();
        std::vector<int> sorted = grades;
        std::sort(sorted.begin(), sorted.end());
        std::string name = argv[i];
        name = name.substr(name.find_last_of('/') + 1);
        // x_check: the rating's speed as a share of the uniqueness check's on the same set.
        const int graded = static_cast<int>(set.size()) - histogram[InvalidGrade];
        const double noTrial
            = graded ? 100.0 * (graded - histogram[TopGrade]) / static_cast<double>(graded) : 0.0;
        std::printf("%-28s %7zu %6d %5.1f%% %8.1f%% %9.0f %8.3f ", name.c_str(), set.size(),
            sorted[sorted.size() / 2],
            100.0 * histogram[TopGrade] / static_cast<double>(set.size()), noTrial,
            static_cast<double>(set.size()) / s, check / s);
        for (const int n : histogram)
            std::printf(" %d", n);
        std::printf("\n");
        if (unsound)
            std::fprintf(stderr, "zovudedoda-bench-grader: %d unsound step(s)\n", unsound);
    }
    return 0;
}

int generateGrades(int count)
{
    // The baseline: the ungraded generator with the clue targets the tool draws from.
    std::mt19937_64 base(999);
    std::uniform_int_distribution<int> clues(22, 36);
    const auto b0 = Clock::now();
    for (int k = 0; k < 4 * count; ++k)
        generate(base, clues(base));
    const double baseRate = 4 * count / std::chrono::duration<double>(Clock::now() - b0).count();
    std::printf("ungraded generator: %.1f puzzles per second\n", baseRate);
    std::printf("%-5s %-18s %7s %9s %8s %12s\n", "grade", "name", "puzzles", "per_s", "x_base",
        "grids/puzzle");
    for (int grade = 1; grade <= LibraryGrades; ++grade) {
        std::mt19937_64 rng(1000 + static_cast<unsigned>(grade));
        int made = 0;
        long grids = 0;
        const auto t0 = Clock::now();
        for (int k = 0; k < count; ++k) {
            // One grid at a time, to count how many it takes.
            for (;;) {
                ++grids;
                if (generateGraded(rng, grade, 1)) {
                    ++made;
                    break;
                }
            }
        }
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        std::printf("%-5d %-18s %7d %9.1f %8.3f %12.1f\n", grade,
            std::string(gradeName(grade)).c_str(), made, made / s, made / s / baseRate,
            static_cast<double>(grids) / made);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "rate" && argc > 2)
        return rateFiles(argc, argv);
    if (mode == "generate")
        return generateGrades(argc > 2 ? std::max(1, std::atoi(argv[2])) : 20);
    std::fprintf(stderr, "usage: zovudedoda-bench-grader rate FILE... | generate [COUNT]\n");
    return 2;
}
