// The time to a hint's first level on the hardest states of a puzzle file (by default the
// default library's forcing grade, untouched): each puzzle's first hint as the hint box asks for
// it, solving the puzzle included; then every hint on the way to their solutions. Prints the
// medians and the worst, and which puzzle that was.

#include "puzzles/hints/hint.h"
#include "puzzles/sudoku.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace zov::puzzles;
using Clock = std::chrono::steady_clock;

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zovudedoda-bench-hints FILE [FIRST LAST]\n");
        return 2;
    }
    const int first = argc > 3 ? std::atoi(argv[2]) : 7001;
    const int last = argc > 3 ? std::atoi(argv[3]) : 8000;
    std::ifstream in(argv[1]);
    std::vector<Grid> puzzles;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            if (const auto g = fromText(std::string_view(line).substr(0, 81)))
                puzzles.push_back(*g);
    std::vector<std::pair<double, int>> times;
    for (int n = first; n <= last && n <= static_cast<int>(puzzles.size()); ++n) {
        double best = 1e9;
        // The least of three: the worst case is the puzzle's, not the machine's.
        for (int r = 0; r < 3; ++r) {
            const auto t0 = Clock::now();
            const auto hint = hints::nextHint(Position::start(puzzles[std::size_t(n - 1)]));
            best = std::min(
                best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            if (hint.levels.empty())
                return 1;
        }
        times.emplace_back(best, n);
    }
    if (times.empty())
        return 1;
    std::sort(times.begin(), times.end());
    std::printf("first hint on puzzles %d to %d: median %.3f ms, worst %.3f ms (puzzle %d)\n",
        first, last, times[times.size() / 2].first, times.back().first, times.back().second);
    // Every state on the way to the solution, where the hardest ones need trial.
    std::vector<std::pair<double, int>> along;
    for (int n = first; n <= last && n <= static_cast<int>(puzzles.size()); ++n) {
        auto state = Position::start(puzzles[std::size_t(n - 1)]);
        for (int step = 0; step < 400; ++step) {
            const auto t0 = Clock::now();
            const auto hint = hints::nextHint(state);
            along.emplace_back(
                std::chrono::duration<double, std::milli>(Clock::now() - t0).count(), n);
            if (hint.changes.empty())
                break;
            state = hints::applied(state, hint);
        }
    }
    std::sort(along.begin(), along.end());
    std::printf("every hint on their way (%zu hints): median %.3f ms, worst %.3f ms (puzzle %d)\n",
        along.size(), along[along.size() / 2].first, along.back().first, along.back().second);
    return 0;
}
