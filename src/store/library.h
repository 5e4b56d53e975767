#pragma once

// The library the game plays on, as start-up finds it: a library of the earlier version is
// converted once, then the file is opened. The window only tells the player what happened.

#include "store/jetlibrary.h"
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
    // Conversion failures leave the earlier-version file as it was; the player is told so.
    enum class Step { Convert, Open };
    Step step = Step::Open;
    Error error;
};

Result<OpenedLibrary, LibraryError> openLibrary(const std::string &path);

} // namespace zov::store
