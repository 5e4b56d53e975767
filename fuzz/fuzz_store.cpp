// Fuzz target: opening arbitrary bytes as a puzzle library and reading from it. Nothing may
// crash, and a file that opens must answer every read with rows or an error.
#include "fuzz.h"
#include "store/puzzlestore.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string path = zov::fuzz::scratchFile("store.mdb");
    if (path.empty())
        return 0;
    if (FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    auto store = zov::store::PuzzleStore::open(path);
    if (store) {
        if (const auto top = store->highestGameNumber())
            (void)store->puzzle(*top);
        (void)store->puzzle(1);
        (void)store->summary();
        (void)store->appendPuzzles({ { { 1, 1 } } }, 1);
    }
    std::remove(path.c_str());
    std::remove((path + "-journal").c_str());
    return 0;
}
