#pragma once

// The companion tool for the player's puzzle library: zovudedoda-db [--db PATH] COMMAND [ARGS].

#include <iosfwd>
#include <string>
#include <vector>

namespace zov::cli {

// Exit status: 0 success, 1 failure, 2 usage error. Data goes to `out`, messages to `err`.
int runDbTool(const std::vector<std::string> &args, const std::string &defaultDb, std::ostream &out,
    std::ostream &err);

} // namespace zov::cli
