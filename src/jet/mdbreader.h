#pragma once

// The reader of earlier-version libraries, run as the program zovudedoda-jet-reader: reads
// table Game of a Jet 3/4 file with mdbtools' libmdb and writes it in the form jetprotocol.h
// describes. Linked only into that program (and the tests and fuzz targets that drive its
// parts), so the game never loads libmdb.

#include "jet/confinement.h"
#include "store/fd.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace zov::jet {

// The reader's whole run: opens `path`, confines itself (confinement.h), and only then reads the
// file and writes its table Game to `out`. Returns the exit status (a store::jet::ExitCode).
int runJetReader(const char *path, std::FILE *out, std::FILE *err);

// The first half of a run: the file opened, everything libmdb loads from disk loaded, and this
// process confined. `status` is store::jet::Success, or the exit status after the reason was
// written to `out`; `err` hears where the confinement falls short.
struct ConfinedInput
{
    store::Fd file;
    std::uint64_t size = 0; // as the file system tells it; 0 for a pipe
    Confinement confinement;
    int status = 0;
};
ConfinedInput openConfined(const char *path, std::FILE *out, std::FILE *err);

// Everything `fd` holds, read to its end (`expected` bytes, as a hint); false with errno set
// when reading fails.
bool readWhole(int fd, std::vector<char> &bytes, std::uint64_t expected = 0);

// Writes the rows of table Game (any case, fields bound by name) of the Jet file held in
// `bytes` to `out`; returns the exit status (a store::jet::ExitCode). No file is opened: libmdb
// reads the bytes from memory.
int writeGameTable(std::vector<char> &bytes, std::FILE *out);

} // namespace zov::jet
