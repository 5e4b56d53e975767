#pragma once

// The names of files made beside a library and renamed or linked into place when whole:
// "<library>.tmp-<pid>-<number>".

#include <string>

namespace zov::store {

// A fresh absolute name in the folder of `path`.
std::string temporaryNameBeside(const std::string &path);

} // namespace zov::store
