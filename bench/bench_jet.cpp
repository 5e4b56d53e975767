// Converting the largest library of the earlier version: a Jet 4 file holding every puzzle
// number (32767 puzzles of 25 givens), read by the confined reader and by a baseline reader in
// turn, each round on a fresh copy. Not a test: it prints medians and their ratio.
//   zovudedoda-bench-jet READER BASELINE-READER [ROUNDS]

#include "board/cells.h"
#include "store/jetlibrary.h"
#include "support/jetwriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zov;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

test::JetTable largestTable()
{
    test::JetTable t { "Game",
        { { "GameNo", test::JetType::Integer }, { "Index", test::JetType::Integer },
            { "Number", test::JetType::Text } },
        {}, std::nullopt };
    for (int n = 1; n <= MaxGameNumber; ++n)
        for (int k = 0; k < 25; ++k) {
            const int index = (n * 7 + k * 3) % 81 + 1;
            t.rows.push_back(
                { std::to_string(n), std::to_string(index), std::to_string(index % 9 + 1) });
        }
    return t;
}

// One whole conversion of a fresh copy of `fixture`, in milliseconds; negative on failure.
double convertOnce(const fs::path &fixture, const fs::path &work, const std::string &reader)
{
    fs::remove_all(work);
    fs::create_directories(work);
    const fs::path copy = work / "Zovudedoda.mdb";
    fs::copy_file(fixture, copy);
    const auto t0 = Clock::now();
    const auto done = store::convertLegacyLibrary(copy.string(), { reader });
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    if (!done) {
        std::fprintf(stderr, "%s: %s\n", reader.c_str(), done.error().reason.c_str());
        return -1;
    }
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s READER BASELINE-READER [ROUNDS]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    const fs::path dir
        = fs::temp_directory_path() / ("zovudedoda-bench-jet-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path fixture = dir / "largest.mdb";
    if (!test::writeJetFile(fixture.string(), 4, { largestTable() })) {
        std::fprintf(stderr, "cannot write the fixture in %s\n", dir.c_str());
        return 1;
    }
    const auto bytes = fs::file_size(fixture);
    std::vector<double> reader, baseline, ratio;
    for (int r = 0; r < rounds; ++r) {
        const double a = convertOnce(fixture, dir / "a", argv[1]);
        const double b = convertOnce(fixture, dir / "b", argv[2]);
        if (a < 0 || b < 0)
            return 1;
        reader.push_back(a);
        baseline.push_back(b);
        ratio.push_back(a / b);
    }
    fs::remove_all(dir);
    std::printf("largest Jet 4 library (%d puzzles, %ju bytes), conversion ms, median of %d:\n",
        MaxGameNumber, static_cast<std::uintmax_t>(bytes), rounds);
    std::printf("  confined reader %.0f, baseline %.0f, ratio %.3f (pairwise median)\n",
        median(reader), median(baseline), median(ratio));
    return 0;
}
