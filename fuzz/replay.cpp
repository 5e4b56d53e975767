// Replays a fuzzing corpus through a target without libFuzzer: every file in the folders
// named on the command line is fed once; without any, the target's own committed corpus. A crash
// fails the test.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz.h"

int main(int argc, char **argv)
{
    std::vector<std::filesystem::path> folders(argv + 1, argv + argc);
    if (folders.empty())
        folders.emplace_back(ZOVUDEDODA_REPLAY_CORPUS);
    int count = 0;
    for (const auto &folder : folders)
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
            LLVMFuzzerTestOneInput(
                reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
            ++count;
        }
    std::printf("replayed %d input(s) from %s\n", count, folders.front().c_str());
    return count > 0 ? 0 : 1;
}
