#pragma once

// Puzzle libraries of the earlier version: Jet 3 / Jet 4 (Access) files with the same table
// Game. They are read by the program zovudedoda-jet-reader, which links mdbtools' libmdb (a
// damaged file may crash or hang the reader, never the game), and converted once into a SQLite
// library.

#include "store/puzzlestore.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace zov::store {

// One row as the old file holds it, every value as text.
struct LegacyRow
{
    std::string gameNo, index, number;
};

// What the reader wrote (jetprotocol.h): its rows, whether the output is whole (every line
// well formed, the last one `end` counting the rows), and the reason it gave when it failed.
struct ReaderOutput
{
    std::vector<LegacyRow> rows;
    bool whole = false;
    std::string failure;
};
ReaderOutput parseReaderOutput(std::string_view text);

// The shared library the reader needs; empty in a build without mdbtools.
const char *mdbLibraryName();

// Which reader runs, and for how long at most.
struct JetReader
{
    // Empty: zovudedoda-jet-reader beside the running program, else in the game's private
    // program folder.
    std::string program;
    // A damaged file can send libmdb into an endless loop; the reader is killed then.
    std::chrono::milliseconds timeLimit { 30000 };
};

// Where the reader is looked for when none is named, in order.
std::vector<std::string> jetReaderPlaces();

// Reads table Game (any case), fields bound by name. Refuses what is not a whole Jet 3/4
// file, a file without the table or fields, and a file cut short; a reader that cannot run,
// crashes, hangs or stops short is a refusal with its reason too.
Result<std::vector<LegacyRow>> readLegacyRows(
    const std::string &path, const JetReader &reader = {});

struct Conversion
{
    int puzzles = 0;
    int rows = 0;
    std::vector<std::string> dropped; // one line per row left out, with the reason
    std::string backupPath; // where the original file now lies, byte for byte
};

// Puzzles of the legacy rows, with what had to be left out. A cell named twice with different
// digits keeps the later digit, as the earlier version showed it.
std::vector<std::pair<int, Puzzle>> legacyPuzzles(
    const std::vector<LegacyRow> &rows, std::vector<std::string> &dropped);

// Converts the legacy library at `path` in place: the new SQLite library is written beside
// it, checked, and renamed into place; the original keeps its bytes under a backup name. Any
// failure leaves the original exactly as it was.
Result<Conversion> convertLegacyLibrary(const std::string &path, const JetReader &reader = {});

} // namespace zov::store
