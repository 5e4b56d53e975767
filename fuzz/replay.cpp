// Replays a fuzzing corpus through a target without libFuzzer: every file in the folders
// named on the command line is fed once. A crash fails the test.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz.h"

int main(int argc, char **argv)
{
    int count = 0;
    for (int a = 1; a < argc; ++a)
        for (const auto &entry : std::filesystem::directory_iterator(argv[a])) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
            LLVMFuzzerTestOneInput(
                reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
            ++count;
        }
    std::printf("replayed %d input(s)\n", count);
    return count > 0 ? 0 : 1;
}
