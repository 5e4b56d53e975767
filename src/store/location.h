#pragma once

// Where the player's puzzle library lives. A portable folder (the library beside the program,
// writable) keeps it there; an installed game keeps one library per player in the XDG data
// folder, made on the first start as a copy of the shipped default. The game and the tool both
// ask here, so they always work on the same file.

#include "store/result.h"

#include <string>

namespace zov::store {

// Set by the build, which names the file it makes and installs the same way.
inline constexpr char LibraryFileName[] = ZOVUDEDODA_LIBRARY_FILE_NAME;

// The variables the per-user folder is found from, handed in so that callers (and tests)
// decide where they come from.
struct Environment
{
    std::string xdgDataHome;
    std::string home;
};
// This process's XDG_DATA_HOME and HOME (the password database when HOME is unset).
Environment processEnvironment();

// The folder of the running executable.
std::string programDirectory();

struct LibraryPlace
{
    std::string path; // the library to use
    std::string seed; // the shipped default that `path` is made from while missing; may be empty
    bool portable = false; // the library beside the program
};

// `$XDG_DATA_HOME/zovudedoda/Zovudedoda.mdb`, or under `$HOME/.local/share`; XDG_DATA_HOME
// counts only when absolute. Empty when neither gives an absolute folder.
std::string perUserLibraryPath(const Environment &env);

// The library beside the program when that folder is writable; a read-only folder holding a
// library keeps it too, unless the player already has a library of their own. Otherwise the
// per-user library, seeded from `sharedDataDir`'s default or else the one beside the program.
LibraryPlace locateLibrary(
    const std::string &programDir, const std::string &sharedDataDir, const Environment &env);
// The same for the running program, with the shared data folder it was installed with.
LibraryPlace locateLibrary();

// Makes `place.path` from its seed when it does not exist yet: the folder is made (0700), the
// seed copied under a temporary name, synced, checked to be a library, and linked into place.
// An existing library is never replaced, and a failure leaves no file behind. The seed is only
// ever read. Without a seed nothing is made, and opening the library reports it missing.
// Before anything, it removes what a start killed while copying left (removeLeftoverCopies).
Status provideLibrary(const LibraryPlace &place);

// A temporary copy is left behind only by a start killed while making the library. Removed are
// files beside `libraryPath` named exactly as temporaryNameBeside names them, owned by this
// user, unchanged for LeftoverAgeSeconds, and locked by no copier; anything else stays. Returns
// how many went.
inline constexpr int LeftoverAgeSeconds = 300;
int removeLeftoverCopies(const std::string &libraryPath);

} // namespace zov::store
