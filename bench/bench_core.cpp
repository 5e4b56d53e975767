// Figures for the store and the solver: medians over repeated runs, with ratios against a
// baseline measured in the same run. Not a test: it prints numbers and always succeeds.

#include "puzzles/puzzletext.h"
#include "store/puzzlestore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

using namespace zov;
using Clock = std::chrono::steady_clock;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<store::Puzzle> filler(int count)
{
    std::mt19937_64 rng(99);
    const puzzles::Grid base = puzzles::generate(rng, 30);
    std::vector<store::Puzzle> list(static_cast<std::size_t>(count), puzzles::toPuzzle(base));
    return list;
}

// Open, read the highest number and load one puzzle: what start-up asks of the store.
double openAndLoadMs(const std::string &path, int highest, std::mt19937_64 &rng)
{
    const auto t0 = Clock::now();
    auto store = store::PuzzleStore::open(path);
    const int n = std::uniform_int_distribution<int>(1, highest)(rng);
    const auto top = store->highestGameNumber();
    const auto rows = store->puzzle(n);
    const auto t1 = Clock::now();
    if (!top || !rows || rows->empty())
        std::fprintf(stderr, "bench: store failed\n");
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

double solveRate(const std::vector<puzzles::Grid> &set, int rounds)
{
    std::vector<double> rates;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        int solved = 0;
        for (const auto &g : set)
            solved += puzzles::countSolutions(g, 2) == 1;
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        if (solved != static_cast<int>(set.size()))
            std::fprintf(stderr, "bench: a puzzle was not unique\n");
        rates.push_back(static_cast<double>(set.size()) / s);
    }
    return median(rates);
}

} // namespace

int main(int argc, char **argv)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zovudedoda-bench";
    std::filesystem::create_directories(dir);
    const std::string small = (dir / "one.mdb").string(), full = (dir / "full.mdb").string();
    if (!std::filesystem::exists(small))
        (void)store::PuzzleStore::create(small, filler(1));
    if (!std::filesystem::exists(full)) {
        std::printf("making a library of 32767 puzzles...\n");
        (void)store::PuzzleStore::create(full, filler(32767));
    }

    std::mt19937_64 rng(7);
    std::vector<double> one, all;
    for (int r = 0; r < 101; ++r) { // interleaved, so both see the same machine load
        one.push_back(openAndLoadMs(small, 1, rng));
        all.push_back(openAndLoadMs(full, 32767, rng));
    }
    std::printf("store: open + highest + one puzzle, median of 101\n");
    std::printf("  1 puzzle:      %.3f ms\n  32767 puzzles: %.3f ms\n  ratio:         %.2f\n",
        median(one), median(all), median(all) / median(one));

    // The committed library, if given, and a set of hard puzzles: the slowest of many minimal
    // puzzles without symmetry constraints, found by timing each one.
    if (argc > 1) {
        std::ifstream in(argv[1]);
        std::stringstream text;
        text << in.rdbuf();
        const auto library = puzzles::parsePuzzleText(text.str()).puzzles;
        std::printf("solver, committed library (%zu puzzles): %.0f puzzles/s\n", library.size(),
            solveRate(library, 5));
    }
    std::vector<std::pair<double, puzzles::Grid>> timed;
    std::mt19937_64 gen(2024);
    const auto g0 = Clock::now();
    const int generated = 2000;
    for (int k = 0; k < generated; ++k) {
        const auto p = puzzles::generate(gen, 17);
        const auto t0 = Clock::now();
        for (int rep = 0; rep < 3; ++rep)
            (void)puzzles::countSolutions(p, 2);
        timed.push_back({ std::chrono::duration<double>(Clock::now() - t0).count(), p });
    }
    const double genSeconds = std::chrono::duration<double>(Clock::now() - g0).count();
    std::printf("generator: %.0f minimal puzzles/s (incl. timing each)\n", generated / genSeconds);
    std::sort(timed.begin(), timed.end(), [](auto &a, auto &b) { return a.first > b.first; });
    std::vector<puzzles::Grid> hard;
    for (int k = 0; k < 100; ++k)
        hard.push_back(timed[static_cast<std::size_t>(k)].second);
    std::vector<puzzles::Grid> typical;
    for (const auto &t : timed)
        typical.push_back(t.second);
    std::printf(
        "solver, %d generated minimal puzzles: %.0f puzzles/s\n", generated, solveRate(typical, 3));
    std::printf("solver, the 100 hardest of them: %.0f puzzles/s\n", solveRate(hard, 5));
    return 0;
}
