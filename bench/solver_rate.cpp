// Solver rate per puzzle file: each puzzle solved until a second solution is ruled out, the
// uniqueness check the tool and the generator make. Files are timed in interleaved rounds so
// that a busy moment of the shared machine spreads over all of them; the median round counts.
// Prints `FILE PUZZLES PER_SECOND`, one line a file.

#include "puzzles/sudoku.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace zov::puzzles;
using Clock = std::chrono::steady_clock;

namespace {

struct Set
{
    std::string file;
    std::vector<Grid> puzzles;
    std::vector<double> rates;
};

bool load(Set &set)
{
    std::ifstream in(set.file);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 81)
            if (const auto g = fromText(std::string_view(line).substr(0, 81)))
                set.puzzles.push_back(*g);
    }
    return true;
}

double roundRate(const Set &set, int &notUnique)
{
    Grid solution {};
    int unique = 0;
    const auto t0 = Clock::now();
    for (const auto &g : set.puzzles)
        unique += countSolutions(g, 2, &solution) == 1;
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    notUnique = static_cast<int>(set.puzzles.size()) - unique;
    return static_cast<double>(set.puzzles.size()) / seconds;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(
            stderr, "usage: %s FILE...  (SOLVER_ROUNDS in the environment, default 7)\n", argv[0]);
        return 2;
    }
    const char *roundsText = std::getenv("SOLVER_ROUNDS");
    const int rounds = std::max(1, roundsText ? std::atoi(roundsText) : 7);
    std::vector<Set> sets;
    for (int k = 1; k < argc; ++k) {
        Set set { argv[k], {}, {} };
        if (!load(set)) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[k]);
            return 1;
        }
        sets.push_back(std::move(set));
    }
    for (int r = 0; r < rounds; ++r)
        for (auto &set : sets) {
            int notUnique = 0;
            set.rates.push_back(roundRate(set, notUnique));
            if (notUnique && r == 0)
                std::fprintf(stderr, "%s: %d puzzles of %s without exactly one solution\n", argv[0],
                    notUnique, set.file.c_str());
        }
    for (auto &set : sets) {
        std::sort(set.rates.begin(), set.rates.end());
        std::printf(
            "%s %zu %.0f\n", set.file.c_str(), set.puzzles.size(), set.rates[set.rates.size() / 2]);
    }
    return 0;
}
