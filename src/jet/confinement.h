#pragma once

// The walls the reader of earlier-version libraries runs within. Its input comes from anywhere
// (an old machine, a download, a friend) and is parsed by a C library, so a file made to exploit
// a flaw there must find a process that can do nothing but read that one file and write its
// answer: no new privileges, tight resource limits, and a seccomp filter that ends the process
// on any system call that reading never needs.

#include <cstdint>
#include <string>

namespace zov::jet {

struct ReaderLimits
{
    int cpuSeconds = 20; // SIGXCPU after this much processor time, SIGKILL a second later
    std::uint64_t addressSpace = 0; // bytes of address space; 0 leaves it unlimited
};

// The address space a reader of a file of `fileSize` bytes gets: the file, read whole, and
// ample room for libmdb's tables and the output besides.
std::uint64_t readerAddressSpace(std::uint64_t fileSize);

struct Confinement
{
    bool limited = false; // no new privileges, and every resource limit in force
    bool addressSpaceLimited = false; // false in a sanitizer build, which cannot have one
    bool filtered = false; // the seccomp filter in force
    std::string problem; // what could not be done, in words, when either is false
};

// Confines this process for good, from now on: sets PR_SET_NO_NEW_PRIVS, the resource limits
// (processor seconds, address space, file size 0, no new processes, no core file), and a seccomp
// filter that lets it read `inputFd`, write standard output and standard error, manage memory,
// tell the time and exit. Where the system offers no seccomp, it runs under the limits alone.
// Call it after everything that must open a file (shared libraries, character sets) is loaded.
Confinement confineReader(int inputFd, const ReaderLimits &limits);

} // namespace zov::jet
