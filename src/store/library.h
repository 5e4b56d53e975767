#pragma once

// The library the game plays on, as start-up finds it: a player's first library is made from
// the shipped default, a library of the earlier version is converted once, then the file is
// opened. The window only tells the player what happened.

#include "store/jetlibrary.h"
#include "store/location.h"
#include "store/puzzlestore.h"

#include <optional>
#include <string>

namespace zov::store {

struct OpenedLibrary
{
    PuzzleStore store;
    std::optional<Conversion> converted; // an earlier-version library converted on the way
};

struct LibraryError
{
    // Nothing is left half-made at any step; a failed conversion leaves the earlier-version
    // file as it was, and the player is told so.
    enum class Step { Provide, Convert, Open };
    Step step = Step::Open;
    Error error;
};

Result<OpenedLibrary, LibraryError> openLibrary(const LibraryPlace &place);
// A library at a path the caller chose: nothing is made.
Result<OpenedLibrary, LibraryError> openLibrary(const std::string &path);

} // namespace zov::store
