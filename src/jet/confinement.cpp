#include "jet/confinement.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

// AddressSanitizer reserves terabytes of address space for its shadow memory at start-up, so a
// sanitizer build of the reader runs without the address-space limit.
#if defined(__SANITIZE_ADDRESS__)
#define ZOVUDEDODA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOVUDEDODA_ASAN 1
#endif
#endif

namespace zov::jet {
namespace {

constexpr std::uint64_t BaseAddressSpace = 512ull << 20;

// libseccomp's filter context, released however the building goes.
class Filter
{
public:
    Filter()
        : m_ctx(seccomp_init(SCMP_ACT_KILL_PROCESS))
    {
    }
    Filter(const Filter &) = delete;
    Filter &operator=(const Filter &) = delete;
    ~Filter()
    {
        if (m_ctx)
            seccomp_release(m_ctx);
    }
    scmp_filter_ctx get() const { return m_ctx; }

    // The first failure is kept; later rules are then skipped.
    template <class... Conditions>
    void add(std::uint32_t action, int syscall, Conditions... conditions)
    {
        if (m_error == 0 && m_ctx)
            m_error
                = -seccomp_rule_add(m_ctx, action, syscall, sizeof...(Conditions), conditions...);
    }
    int error() const { return m_error; }

private:
    scmp_filter_ctx m_ctx;
    int m_error = 0;
};

// One condition on argument `which`; libseccomp's SCMP_A* macros are C compound literals.
scmp_arg_cmp arg(unsigned which, scmp_compare op, scmp_datum_t value, scmp_datum_t mask = 0)
{
    // A masked comparison takes the mask first, then the value.
    return op == SCMP_CMP_MASKED_EQ ? scmp_arg_cmp { which, op, mask, value }
                                    : scmp_arg_cmp { which, op, value, 0 };
}

std::string because(const char *what, int error)
{
    return std::string(what) + " (" + std::strerror(error) + ")";
}

void allowAny(Filter &f, std::initializer_list<int> calls)
{
    for (const int call : calls)
        f.add(SCMP_ACT_ALLOW, call);
}

// Every system call the reader may make once the filter is in force; anything else ends it with
// SIGSYS.
void allowReading(Filter &f, int inputFd)
{
    const auto allow = SCMP_ACT_ALLOW;
    const auto refuse = SCMP_ACT_ERRNO(EPERM);
    // Its one file, opened before the filter, read whole into memory and closed.
    f.add(allow, SCMP_SYS(read), arg(0, SCMP_CMP_EQ, static_cast<scmp_datum_t>(inputFd)));
    f.add(allow, SCMP_SYS(close));
    // Its answer on standard output, and libmdb's and glibc's complaints on standard error
    // (glibc writes its last words before an abort with writev).
    for (const int out : { STDOUT_FILENO, STDERR_FILENO })
        for (const int call : { SCMP_SYS(write), SCMP_SYS(writev) })
            f.add(allow, call, arg(0, SCMP_CMP_EQ, static_cast<scmp_datum_t>(out)));
    // malloc: the heap, large blocks mapped on their own, and giving memory back.
    allowAny(f, { SCMP_SYS(brk), SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(madvise) });
    // The time: libmdb formats dates, and glibc's clock may fall back from the vDSO.
    allowAny(f, { SCMP_SYS(clock_gettime), SCMP_SYS(gettimeofday), SCMP_SYS(time) });
    // Exit, and abort(): glibc and GLib abort on a corrupted heap or a failed allocation, which
    // sends SIGABRT to this process alone (tgkill below).
    allowAny(f,
        { SCMP_SYS(exit_group), SCMP_SYS(exit), SCMP_SYS(rt_sigreturn), SCMP_SYS(rt_sigprocmask),
            SCMP_SYS(getpid), SCMP_SYS(gettid) });
    // Memory is never made executable: code injected into the heap cannot be made to run.
    f.add(allow, SCMP_SYS(mmap), arg(2, SCMP_CMP_MASKED_EQ, 0, PROT_EXEC));
    f.add(allow, SCMP_SYS(mprotect), arg(2, SCMP_CMP_MASKED_EQ, 0, PROT_EXEC));
    const auto self = static_cast<scmp_datum_t>(::getpid());
    f.add(allow, SCMP_SYS(tgkill), arg(0, SCMP_CMP_EQ, self), arg(1, SCMP_CMP_EQ, self),
        arg(2, SCMP_CMP_EQ, SIGABRT));
    // Harmless failures: glibc looks for character-set and time-zone files and asks what its
    // output is; told EPERM, it does without. Opening for writing or creating still kills.
    f.add(refuse, SCMP_SYS(openat),
        arg(2, SCMP_CMP_MASKED_EQ, O_RDONLY, O_ACCMODE | O_CREAT | O_TRUNC | O_APPEND));
    f.add(refuse, SCMP_SYS(newfstatat));
    f.add(refuse, SCMP_SYS(fstat));
    f.add(refuse, SCMP_SYS(ioctl));
}

// False with `problem` set when a limit cannot be set.
bool setLimit(int resource, rlim_t soft, rlim_t hard, const char *name, std::string &problem)
{
    const rlimit limit { soft, hard };
    if (::setrlimit(resource, &limit) == 0)
        return true;
    problem += (problem.empty() ? "" : "; ") + because(name, errno);
    return false;
}

bool setLimits(const ReaderLimits &limits, Confinement &c)
{
    std::string &problem = c.problem;
    const auto cpu = static_cast<rlim_t>(limits.cpuSeconds);
    bool ok = setLimit(RLIMIT_CPU, cpu, cpu + 1, "the processor time limit", problem);
#ifndef ZOVUDEDODA_ASAN
    if (limits.addressSpace != 0) {
        c.addressSpaceLimited = setLimit(RLIMIT_AS, limits.addressSpace, limits.addressSpace,
            "the address space limit", problem);
        ok = c.addressSpaceLimited && ok;
    }
#endif
    // With a file size limit of 0, a write to a standard error that is a regular file (a session
    // log) would kill the reader over a warning; ignored, such a write just fails.
    std::signal(SIGXFSZ, SIG_IGN);
    ok = setLimit(RLIMIT_FSIZE, 0, 0, "the file size limit", problem) && ok;
    ok = setLimit(RLIMIT_NPROC, 0, 0, "the process limit", problem) && ok;
    ok = setLimit(RLIMIT_CORE, 0, 0, "the core file limit", problem) && ok;
    return ok;
}

} // namespace

std::uint64_t readerAddressSpace(std::uint64_t fileSize) { return BaseAddressSpace + 2 * fileSize; }

Confinement confineReader(int inputFd, const ReaderLimits &limits)
{
    Confinement c;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        c.problem = because("no new privileges", errno);
    else
        c.limited = setLimits(limits, c);

    Filter filter;
    if (!filter.get()) {
        // libseccomp found no seccomp in the kernel, or was refused it by a container.
        c.problem += std::string(c.problem.empty() ? "" : "; ") + "this system offers no seccomp";
        return c;
    }
    allowReading(filter, inputFd);
    int error = filter.error();
    if (error == 0)
        error = -seccomp_load(filter.get());
    if (error != 0) {
        c.problem += (c.problem.empty() ? "" : "; ") + because("the seccomp filter", error);
        return c;
    }
    c.filtered = true;
    return c;
}

} // namespace zov::jet
