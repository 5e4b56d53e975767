// A stand-in for the Jet reader after a file has taken it over, for tests only: it opens its
// file and confines itself exactly as the real reader does, then tries what a successful exploit
// would, chosen by ZOVUDEDODA_HOSTILE_TRY. A try the confinement lets through ends in a forged,
// whole answer (the game would convert it); a refused one ends with jet::Confined and the
// refusal's reason, and a try the filter kills ends with SIGSYS.
//
// ZOVUDEDODA_HOSTILE_TRY=probe only reports the confinement: exit 0 when all of it is in force,
// 77 without a seccomp filter, 78 without the address-space limit (a sanitizer build).
#include "jet/mdbreader.h"
#include "store/jetprotocol.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace zov::store;
using zov::jet::Confinement;

int escaped(const char *what)
{
    std::printf("%s\t1\t1\t1\n%s\t1\n", jet::RowTag.data(), jet::EndTag.data());
    std::fflush(stdout);
    std::fprintf(stderr, "hostile reader: %s was let through\n", what);
    return jet::Success;
}

int refused(const char *what)
{
    const std::string reason = std::string(what) + " was refused: " + std::strerror(errno);
    std::printf("%s\t%s\n", jet::FailTag.data(), jet::escapeField(reason).c_str());
    std::fflush(stdout);
    return jet::Confined;
}

int probe(const Confinement &c)
{
    if (!c.filtered) {
        std::fprintf(stderr, "%s\n", c.problem.c_str());
        return 77;
    }
    if (!c.addressSpaceLimited)
        return 78;
    return c.limited ? 0 : 1;
}

int attempt(const std::string &what, const std::string &input)
{
    if (what == "passwd")
        return ::open("/etc/passwd", O_RDONLY) >= 0 ? escaped("opening /etc/passwd")
                                                    : refused("opening /etc/passwd");
    if (what == "create") {
        const std::string name = input + ".created";
        return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600) >= 0
            ? escaped("creating a file")
            : refused("creating a file");
    }
    if (what == "socket")
        return ::socket(AF_INET, SOCK_STREAM, 0) >= 0 ? escaped("opening a socket")
                                                      : refused("opening a socket");
    if (what == "fork") {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        return child > 0 ? escaped("fork") : refused("fork");
    }
    if (what == "execve") {
        const char *forge = "printf 'row\\t1\\t1\\t1\\nend\\t1\\n'";
        char *const argv[] = { const_cast<char *>("sh"), const_cast<char *>("-c"),
            const_cast<char *>(forge), nullptr };
        ::execve("/bin/sh", argv, environ);
        return refused("execve");
    }
    if (what == "allocate") {
        // Far past the limit, and written to, so that an unlimited process really holds it.
        const std::size_t size = std::size_t(8) << 30;
        auto *p = static_cast<char *>(std::malloc(size));
        if (!p)
            return refused("allocating 8 GiB");
        for (std::size_t k = 0; k < size; k += 1 << 20)
            p[k] = 1;
        return escaped("allocating 8 GiB");
    }
    std::fprintf(stderr, "hostile reader: unknown try '%s'\n", what.c_str());
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const char *what = std::getenv("ZOVUDEDODA_HOSTILE_TRY");
    if (argc != 2 || !what)
        return jet::Usage;
    zov::jet::ConfinedInput in = zov::jet::openConfined(argv[1], stdout, stderr);
    if (in.status != jet::Success)
        return in.status;
    if (std::string(what) == "probe")
        return probe(in.confinement);
    return attempt(what, argv[1]);
}

#if defined(__SANITIZE_ADDRESS__)
// LeakSanitizer's check at exit starts a tracer thread, which the filter forbids.
extern "C" int __lsan_is_turned_off() { return 1; }
#endif
