#pragma once

// The reader of earlier-version libraries, run as the program zovudedoda-jet-reader: reads
// table Game of a Jet 3/4 file with mdbtools' libmdb and writes it in the form jetprotocol.h
// describes. Linked only into that program, so the game never loads libmdb.

#include <cstdio>

namespace zov::store {

// Writes the rows of table Game (any case, fields bound by name) of the file at `path` to
// `out`; returns the exit status for the program (a jet::ExitCode).
int writeGameTable(const char *path, std::FILE *out);

} // namespace zov::store
