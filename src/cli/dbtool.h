#pragma once

// The companion tool for the player's puzzle library: zovudedoda-db [--db PATH] COMMAND [ARGS].

#include "store/location.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace zov::cli {

// Exit status: 0 success, 1 failure, 2 usage error. Data goes to `out`, messages to `err`.
int runDbTool(const std::vector<std::string> &args, const std::string &defaultDb, std::ostream &out,
    std::ostream &err);
// The same on the game's library when no --db is given; it is made from its seed first where
// missing.
int runDbTool(const std::vector<std::string> &args, const store::LibraryPlace &gameLibrary,
    std::ostream &out, std::ostream &err);
// The same with `in` as what a file argument of "-" reads.
int runDbTool(std::vector<std::string> args, const store::LibraryPlace &gameLibrary,
    std::ostream &out, std::ostream &err, std::istream &in);

} // namespace zov::cli
