#pragma once

// The names of files made beside a library and renamed or linked into place when whole:
// "<library>.tmp-<pid>-<number>". Made and recognised here only, so that the clean-up of what a
// killed start left behind (location.h) removes exactly such files and nothing else.

#include <string>

namespace zov::store {

// A fresh absolute name in the folder of `path`.
std::string temporaryNameBeside(const std::string &path);

// True when the file name `name` is one temporaryNameBeside gives for the library file name
// `library` (both without their folder).
bool isTemporaryNameOf(const std::string &name, const std::string &library);

} // namespace zov::store
