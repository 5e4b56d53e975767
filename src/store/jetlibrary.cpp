#include "store/jetlibrary.h"

#include "store/jetprotocol.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace zov::store {
namespace fs = std::filesystem;

namespace {

// More than the lines of 32767 full puzzles, even with every value written as a long decimal:
// a reader that writes more is not reading a library.
constexpr std::size_t ReaderOutputLimit = 256u << 20;

// A whole number in [lo, hi] from the text libmdb gives ("5", "5.0", " 5").
std::optional<int> whole(const std::string &text, int lo, int hi)
{
    if (text.empty() || text.size() > 40)
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r'))
        ++end;
    if (errno != 0 || !end || *end != '\0' || !std::isfinite(v) || v != std::floor(v) || v < lo
        || v > hi)
        return std::nullopt;
    return static_cast<int>(v);
}

struct FileDescriptor
{
    int fd = -1;
    FileDescriptor() = default;
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor() { reset(); }
    void reset()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

// How one run of the reader ended.
struct ReaderRun
{
    int spawnError = 0; // the program could not be started (an errno value)
    bool timedOut = false;
    bool tooLong = false; // more output than ReaderOutputLimit
    int status = 0; // as waitpid gives it
    std::string output;
};

// Waits for the reader until `deadline`, then kills its process group; the reader may have
// started helpers that hold on to the pipe.
bool reap(pid_t child, std::chrono::steady_clock::time_point deadline, int &status)
{
    for (;;) {
        const pid_t r = ::waitpid(child, &status, WNOHANG);
        if (r == child || (r < 0 && errno != EINTR))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-child, SIGKILL);
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return false;
}

// Starts `program FILE` with posix_spawn: no copy of this (threaded) process runs any of its
// code. Standard input is /dev/null, standard output a pipe read here, standard error shared.
ReaderRun runReader(
    const std::string &program, const std::string &file, std::chrono::milliseconds limit)
{
    ReaderRun run;
    FileDescriptor readEnd, writeEnd;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        run.spawnError = errno;
        return run;
    }
    readEnd.fd = fds[0];
    writeEnd.fd = fds[1];

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attributes);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, writeEnd.fd, STDOUT_FILENO);
    ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // Its own process group, so that a timeout kills whatever it started too; signals as a
    // fresh program has them, whatever this process blocks or ignores.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int s : { SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD, SIGALRM })
        sigaddset(&defaults, s);
    ::posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    ::posix_spawnattr_setpgroup(&attributes, 0);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &defaults);

    std::string arg0 = program, arg1 = file;
    char *argv[] = { arg0.data(), arg1.data(), nullptr };
    pid_t child = -1;
    const int spawned
        = ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    writeEnd.reset();
    if (spawned != 0) {
        run.spawnError = spawned;
        return run;
    }

    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::vector<char> chunk(65536);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            run.timedOut = true;
            break;
        }
        pollfd pfd { readEnd.fd, POLLIN, 0 };
        const int ready = ::poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            run.timedOut = true;
        if (ready <= 0)
            break;
        const ssize_t n = ::read(readEnd.fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        run.output.append(chunk.data(), static_cast<std::size_t>(n));
        if (run.output.size() > ReaderOutputLimit) {
            run.tooLong = true;
            break;
        }
    }
    readEnd.reset();
    // Out of time or over the limit: stopped now; otherwise it has what is left of its time to
    // exit after closing its output.
    const bool stop = run.timedOut || run.tooLong;
    if (!reap(child, stop ? std::chrono::steady_clock::now() : deadline, run.status) && !stop)
        run.timedOut = true;
    return run;
}

// What the reader wrote: its rows when the output is whole, and its reason when it failed.
struct ReaderOutput
{
    std::vector<LegacyRow> rows;
    bool whole = false; // every line well formed, the last one `end` counting the rows
    std::string failure;
};

ReaderOutput parseReaderOutput(const std::string &text)
{
    ReaderOutput parsed;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            return parsed; // a line without its end: cut short
        std::vector<std::string_view> fields;
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        for (std::size_t from = 0;;) {
            const std::size_t tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string_view::npos ? tab : tab - from));
            if (tab == std::string_view::npos)
                break;
            from = tab + 1;
        }
        if (fields[0] == jet::FailTag && fields.size() == 2) {
            parsed.failure = jet::unescapeField(fields[1]).value_or(std::string(fields[1]));
            continue;
        }
        if (fields[0] == jet::EndTag && fields.size() == 2) {
            parsed.whole = at == text.size() && fields[1] == std::to_string(parsed.rows.size());
            return parsed;
        }
        if (fields[0] != jet::RowTag || fields.size() != 4)
            return parsed;
        auto gameNo = jet::unescapeField(fields[1]);
        auto index = jet::unescapeField(fields[2]);
        auto number = jet::unescapeField(fields[3]);
        if (!gameNo || !index || !number)
            return parsed;
        parsed.rows.push_back({ std::move(*gameNo), std::move(*index), std::move(*number) });
    }
    return parsed;
}

#ifdef ZOVUDEDODA_WITH_MDB
Result<std::string> findReader(const JetReader &reader)
{
    if (!reader.program.empty())
        return reader.program;
    const auto places = jetReaderPlaces();
    for (const auto &place : places) {
        std::error_code ec;
        if (fs::exists(place, ec))
            return place;
    }
    std::string where;
    for (const auto &place : places)
        where += (where.empty() ? "" : " or ") + fs::path(place).parent_path().string();
    return Error { Error::Kind::Unsupported,
        "reading it needs the program " + std::string(jet::ProgramName)
            + ", which is not installed in " + where + "." };
}

// The reader's exit, as the store's refusal.
Error readerFailure(const ReaderRun &run, const std::string &program, const ReaderOutput &out)
{
    const auto because = [&](const char *otherwise) {
        return (out.failure.empty() ? std::string(otherwise) : out.failure) + ".";
    };
    if (run.spawnError != 0)
        return { Error::Kind::Unsupported,
            "its reader " + program + " cannot be started: " + std::strerror(run.spawnError)
                + "." };
    if (run.timedOut)
        return { Error::Kind::Damaged, "reading the Access database took too long." };
    if (run.tooLong)
        return { Error::Kind::Damaged,
            "the Access database is damaged: its reader wrote more than any library holds." };
    if (WIFSIGNALED(run.status))
        return { Error::Kind::Damaged,
            "the Access database is damaged: its reader failed (signal "
                + std::to_string(WTERMSIG(run.status)) + ", " + ::strsignal(WTERMSIG(run.status))
                + ")." };
    switch (WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1) {
    case jet::Success:
        return { Error::Kind::Damaged, "the Access database could not be read to its end." };
    case jet::IoError:
        return { Error::Kind::Refused, because("the file cannot be read") };
    case jet::NotJet:
        return { Error::Kind::Damaged, because("the file cannot be read as an Access database") };
    case jet::NoTable:
        return { Error::Kind::NoTable, because("the file has no table named Game") };
    case jet::NoFields:
        return { Error::Kind::NoFields, because("the table Game lacks a field") };
    case jet::CutShort:
        return { Error::Kind::Damaged, because("the Access database is cut short") };
    case 126:
    case 127:
        // The loader's status: the reader or a library it links cannot be loaded.
        return { Error::Kind::Unsupported,
            "reading it needs mdbtools' library " ZOVUDEDODA_MDB_SONAME
            ", which is not installed (install mdbtools)." };
    default:
        return { Error::Kind::Damaged,
            "the Access database is damaged: its reader failed (exit status "
                + std::to_string(WEXITSTATUS(run.status)) + ")." };
    }
}
#endif

std::string backupNameFor(const std::string &path)
{
    const fs::path p(path);
    const std::string stem = (p.parent_path() / p.stem()).string();
    for (int k = 1; k < 1000; ++k) {
        std::string name = stem + " (earlier version" + (k > 1 ? " " + std::to_string(k) : "") + ")"
            + p.extension().string();
        std::error_code ec;
        if (!fs::exists(name, ec))
            return name;
    }
    return {};
}

} // namespace

const char *mdbLibraryName()
{
#ifdef ZOVUDEDODA_WITH_MDB
    return ZOVUDEDODA_MDB_SONAME;
#else
    return "";
#endif
}

std::vector<std::string> jetReaderPlaces()
{
    std::vector<std::string> places;
    std::error_code ec;
    const auto self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        places.push_back((self.parent_path() / jet::ProgramName).string());
    // Empty in a portable build: the reader lies beside the program, and a relative place would
    // run whatever lies in the current folder.
    if (const fs::path dir = ZOVUDEDODA_PRIVATE_EXEC_DIR; dir.is_absolute())
        places.push_back((dir / jet::ProgramName).string());
    return places;
}

Result<std::vector<LegacyRow>> readLegacyRows(const std::string &path, const JetReader &reader)
{
    const FileKind kind = detectFileKind(path);
    if (kind != FileKind::Jet3 && kind != FileKind::Jet4)
        return Error { Error::Kind::NotALibrary,
            "it is no library of the earlier version: " + describe(kind) + "." };
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    const std::uintmax_t page = kind == FileKind::Jet3 ? 2048 : 4096;
    // libmdb accepts files it cannot read whole; these are checked here.
    if (ec || size < 4 * page || size % page != 0)
        return Error { Error::Kind::Damaged,
            "the Access database is cut short (" + std::to_string(size)
                + " bytes is not a whole number of pages)." };
#ifndef ZOVUDEDODA_WITH_MDB
    (void)reader;
    return Error { Error::Kind::Unsupported, "this build cannot read Access databases." };
#else
    const auto program = findReader(reader);
    if (!program)
        return program.error();
    const ReaderRun run = runReader(*program, path, reader.timeLimit);
    ReaderOutput out = parseReaderOutput(run.output);
    if (run.spawnError == 0 && !run.timedOut && !run.tooLong && WIFEXITED(run.status)
        && WEXITSTATUS(run.status) == jet::Success && out.whole)
        return std::move(out.rows);
    return readerFailure(run, *program, out);
#endif
}

std::vector<std::pair<int, Puzzle>> legacyPuzzles(
    const std::vector<LegacyRow> &rows, std::vector<std::string> &dropped)
{
    std::map<int, std::map<int, std::pair<int, std::size_t>>>
        cells; // number -> index -> digit, row
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const LegacyRow &row = rows[r];
        const auto n = whole(row.gameNo, 1, 32767);
        const auto i = whole(row.index, 1, 81);
        const auto d = whole(row.number, 1, 9);
        const std::string where = "row " + std::to_string(r + 1) + " (GameNo " + row.gameNo
            + ", Index " + row.index + ", Number " + row.number + ")";
        if (!n || !i || !d) {
            dropped.push_back(where + ": "
                + (!n        ? "GameNo is not a number from 1 to 32767"
                        : !i ? "Index is not a cell from 1 to 81"
                             : "Number is not a digit from 1 to 9"));
            continue;
        }
        auto &cell = cells[*n];
        if (const auto it = cell.find(*i); it != cell.end() && it->second.first != *d)
            dropped.push_back("row " + std::to_string(it->second.second + 1) + ": cell "
                + std::to_string(*i) + " of puzzle " + std::to_string(*n) + " is named again by "
                + where + " with another digit; the later digit is kept");
        cell[*i] = { *d, r };
    }
    std::vector<std::pair<int, Puzzle>> puzzles;
    for (const auto &[number, digits] : cells) {
        Puzzle p;
        for (const auto &[index, digit] : digits)
            p.push_back({ index, digit.first });
        puzzles.push_back({ number, std::move(p) });
    }
    return puzzles;
}

Result<Conversion> convertLegacyLibrary(const std::string &path, const JetReader &reader)
{
    const auto rows = readLegacyRows(path, reader);
    if (!rows)
        return rows.error();
    Conversion report;
    const auto puzzles = legacyPuzzles(*rows, report.dropped);
    if (puzzles.empty())
        return Error { Error::Kind::Empty, "the Access database holds no usable puzzle." };
    for (const auto &[number, p] : puzzles)
        report.rows += static_cast<int>(p.size());
    report.puzzles = static_cast<int>(puzzles.size());

    // Written beside the original, checked, then renamed over it; the original keeps its bytes
    // under the backup name through a second link.
    const std::string temp = temporaryNameBeside(path);
    const auto removeTemp = [&] {
        std::error_code ec;
        fs::remove(temp, ec);
        fs::remove(temp + "-journal", ec);
    };
    if (const auto written = PuzzleStore::writeFile(temp, puzzles); !written) {
        removeTemp();
        return written.error();
    }
    {
        auto check = PuzzleStore::open(temp);
        const auto all = check ? check->allRows() : Result<std::vector<GameRow>>(check.error());
        if (!all || static_cast<int>(all->size()) != report.rows) {
            removeTemp();
            return Error { Error::Kind::Refused, "the converted library did not read back whole." };
        }
    }
    report.backupPath = backupNameFor(path);
    if (report.backupPath.empty() || ::link(path.c_str(), report.backupPath.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        removeTemp();
        return Error { Error::Kind::ReadOnly,
            "the original cannot be kept beside it: " + why + "." };
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        std::error_code ec;
        fs::remove(report.backupPath, ec);
        removeTemp();
        return Error { Error::Kind::ReadOnly,
            "the converted library cannot be put in place: " + why + "." };
    }
    return report;
}

} // namespace zov::store
