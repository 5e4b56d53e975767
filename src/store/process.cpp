#include "store/process.h"

#include "store/fd.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace zov::store {
namespace {

using Clock = std::chrono::steady_clock;

// posix_spawn's attributes and file actions, released however the start goes.
class SpawnSetup
{
public:
    SpawnSetup()
    {
        ::posix_spawn_file_actions_init(&m_actions);
        ::posix_spawnattr_init(&m_attributes);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;
    ~SpawnSetup()
    {
        ::posix_spawn_file_actions_destroy(&m_actions);
        ::posix_spawnattr_destroy(&m_attributes);
    }

    // Standard input /dev/null, standard output `out`, nothing else of ours open.
    void setStreams(int out)
    {
        ::posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_adddup2(&m_actions, out, STDOUT_FILENO);
        ::posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
    }

    // Its own process group, so that a timeout kills whatever it started too; signals as a
    // fresh program has them, whatever this process blocks or ignores.
    void setFreshSignals()
    {
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        for (const int s : { SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD, SIGALRM })
            sigaddset(&defaults, s);
        ::posix_spawnattr_setflags(
            &m_attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        ::posix_spawnattr_setpgroup(&m_attributes, 0);
        ::posix_spawnattr_setsigmask(&m_attributes, &none);
        ::posix_spawnattr_setsigdefault(&m_attributes, &defaults);
    }

    // 0 with `child` set, or an errno value.
    int spawn(pid_t &child, const std::string &program, const std::vector<std::string> &args)
    {
        std::vector<std::string> words { program };
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (auto &w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        return ::posix_spawn(
            &child, program.c_str(), &m_actions, &m_attributes, argv.data(), environ);
    }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
};

// Reads `from` into run.output until it closes, the deadline passes or the cap is reached.
void collect(int from, Clock::time_point deadline, std::size_t cap, ProgramRun &run)
{
    std::vector<char> chunk(65536);
    for (;;) {
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                  .count();
        if (left <= 0) {
            run.timedOut = true;
            return;
        }
        pollfd pfd { from, POLLIN, 0 };
        const int ready = ::poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            run.timedOut = true;
        if (ready <= 0)
            return;
        const ssize_t n = ::read(from, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        run.output.append(chunk.data(), static_cast<std::size_t>(n));
        if (run.output.size() > cap) {
            run.tooLong = true;
            return;
        }
    }
}

// Waits for the child until `deadline`, then kills its process group; it may have started
// helpers that hold on to the pipe. False when it had to be killed.
bool reap(pid_t child, Clock::time_point deadline, int &status)
{
    for (;;) {
        const pid_t r = ::waitpid(child, &status, WNOHANG);
        if (r == child || (r < 0 && errno != EINTR))
            return true;
        if (Clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-child, SIGKILL);
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return false;
}

} // namespace

bool ProgramRun::exitedWith(int code) const
{
    return spawnError == 0 && !timedOut && !tooLong && WIFEXITED(status)
        && WEXITSTATUS(status) == code;
}

ProgramRun runProgram(const std::string &program, const std::vector<std::string> &args,
    std::chrono::milliseconds limit, std::size_t outputLimit)
{
    ProgramRun run;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        run.spawnError = errno;
        return run;
    }
    Fd readEnd(fds[0]), writeEnd(fds[1]);
    pid_t child = -1;
    {
        SpawnSetup setup;
        setup.setStreams(writeEnd.get());
        setup.setFreshSignals();
        run.spawnError = setup.spawn(child, program, args);
    }
    writeEnd.reset();
    if (run.spawnError != 0)
        return run;

    const auto deadline = Clock::now() + limit;
    collect(readEnd.get(), deadline, outputLimit, run);
    readEnd.reset();
    // Out of time or over the cap: stopped now; otherwise it has what is left of its time to
    // exit after closing its output.
    const bool stop = run.timedOut || run.tooLong;
    if (!reap(child, stop ? Clock::now() : deadline, run.status) && !stop)
        run.timedOut = true;
    return run;
}

std::string runningProgramPath()
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

} // namespace zov::store
