#pragma once

// Running a helper program with a deadline and a cap on what it writes: the store starts the
// reader of earlier-version libraries this way, so that a hang or a flood there cannot hold up
// or fill the game.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace zov::store {

// How one run ended.
struct ProgramRun
{
    int spawnError = 0; // the program could not be started (an errno value)
    bool timedOut = false;
    bool tooLong = false; // more output than the cap
    int status = 0; // as waitpid gives it
    std::string output;
    bool exitedWith(int code) const;
};

// Starts `program ARGS...` with posix_spawn (no copy of this threaded process runs any of its
// code), collects its standard output up to `outputLimit` bytes, and kills it and whatever it
// started once `limit` has passed. Standard input is /dev/null, standard error is shared.
ProgramRun runProgram(const std::string &program, const std::vector<std::string> &args,
    std::chrono::milliseconds limit, std::size_t outputLimit);

// The running program's own file (read from /proc/self/exe); empty when it cannot be told.
std::string runningProgramPath();

} // namespace zov::store
