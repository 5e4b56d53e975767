// Fuzz target: the game's parser of what the Jet reader writes, and the turning of its rows into
// puzzles. The reader runs libmdb over a file from anywhere, so its output is as little trusted
// as the file: nothing may crash, and whatever comes through must be puzzles the game can store.
#include "board/cells.h"
#include "fuzz.h"
#include "store/jetlibrary.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const auto out = zov::store::parseReaderOutput(text);
    // The reason reaches the player's message box: one short line.
    if (out.failure.size() > 303)
        std::abort();
    for (const char c : out.failure)
        if (static_cast<unsigned char>(c) < 0x20)
            std::abort();
    std::vector<std::string> dropped;
    const auto puzzles = zov::store::legacyPuzzles(out.rows, dropped);
    std::size_t cells = 0;
    std::set<int> numbers;
    for (const auto &[number, puzzle] : puzzles) {
        if (number < 1 || number > zov::MaxGameNumber || !numbers.insert(number).second
            || puzzle.empty())
            std::abort();
        std::set<int> indexes;
        for (const auto &given : puzzle)
            if (!zov::isCell(given.index) || given.digit < 1 || given.digit > 9
                || !indexes.insert(given.index).second)
                std::abort();
        cells += puzzle.size();
    }
    // Each row gives at most one cell (a cell named again with the same digit is one cell), and
    // at most two reports: its own, and a later row naming its cell with another digit.
    if (cells > out.rows.size() || dropped.size() > 2 * out.rows.size())
        std::abort();
    return 0;
}
