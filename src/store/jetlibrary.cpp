#include "store/jetlibrary.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef ZOVUDEDODA_WITH_MDB
#include <dlfcn.h>
#include <mdbtools.h>
#endif

namespace zov::store {
namespace fs = std::filesystem;

namespace {

constexpr int ReaderTimeoutMs = 30000;

std::string clean(const char *text)
{
    std::string s(text ? text : "");
    for (char &c : s)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return s;
}

// A whole number in [lo, hi] from the text libmdb gives ("5", "5.0", " 5").
std::optional<int> whole(const std::string &text, int lo, int hi)
{
    if (text.empty() || text.size() > 40)
        return std::nullopt;
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    while (end && *end == ' ')
        ++end;
    if (errno != 0 || !end || *end != '\0' || !std::isfinite(v) || v != std::floor(v) || v < lo
        || v > hi)
        return std::nullopt;
    return static_cast<int>(v);
}

#ifdef ZOVUDEDODA_WITH_MDB
// libmdb is opened only when an earlier library is found: every start of the game would
// otherwise pay for loading and relocating it, and the game runs where it is not installed.
struct MdbApi
{
    decltype(&mdb_open) open;
    decltype(&mdb_read_table_by_name) readTableByName;
    decltype(&mdb_read_columns) readColumns;
    decltype(&mdb_bind_column_by_name) bindColumnByName;
    decltype(&mdb_rewind_table) rewindTable;
    decltype(&mdb_fetch_row) fetchRow;
};

template <typename F> bool resolve(void *lib, const char *name, F &f)
{
    f = reinterpret_cast<F>(::dlsym(lib, name));
    return f != nullptr;
}

// Loaded in this process, before the fork: the child of a threaded program should not take
// the loader's locks.
const MdbApi *mdbApi()
{
    static const std::optional<MdbApi> api = []() -> std::optional<MdbApi> {
        void *lib = ::dlopen(ZOVUDEDODA_MDB_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return std::nullopt;
        MdbApi a {};
        if (!resolve(lib, "mdb_open", a.open)
            || !resolve(lib, "mdb_read_table_by_name", a.readTableByName)
            || !resolve(lib, "mdb_read_columns", a.readColumns)
            || !resolve(lib, "mdb_bind_column_by_name", a.bindColumnByName)
            || !resolve(lib, "mdb_rewind_table", a.rewindTable)
            || !resolve(lib, "mdb_fetch_row", a.fetchRow))
            return std::nullopt;
        return a;
    }();
    return api ? &*api : nullptr;
}

// Runs in the child: reads the rows and writes them as lines to `out`; the last line says how
// it ended. libmdb talks on stderr, which the child sends nowhere.
[[noreturn]] void readInChild(const MdbApi &mdbLib, const std::string &path, int out)
{
    const int devnull = ::open("/dev/null", O_WRONLY);
    if (devnull >= 0)
        ::dup2(devnull, STDERR_FILENO);
    FILE *o = ::fdopen(out, "w");
    if (!o)
        ::_exit(3);
    const auto finish = [&](const std::string &last) {
        std::fprintf(o, "%s\n", last.c_str());
        std::fclose(o);
        ::_exit(0);
    };
    MdbHandle *mdb = mdbLib.open(path.c_str(), MDB_NOFLAGS);
    if (!mdb)
        finish("#ERROR the file cannot be read as an Access database");
    gchar name[] = "Game";
    MdbTableDef *table = mdbLib.readTableByName(mdb, name, MDB_TABLE);
    if (!table)
        finish("#ERROR the file has no table named Game");
    if (!mdbLib.readColumns(table))
        finish("#ERROR the table Game cannot be read");
    std::vector<std::vector<char>> buffers(3, std::vector<char>(mdb->bind_size + 1, '\0'));
    const char *fields[] = { "GameNo", "Index", "Number" };
    for (int k = 0; k < 3; ++k) {
        gchar field[16];
        std::snprintf(field, sizeof field, "%s", fields[k]);
        if (mdbLib.bindColumnByName(
                table, field, buffers[static_cast<std::size_t>(k)].data(), nullptr)
            < 0)
            finish(std::string("#ERROR the table Game has no field ") + fields[k]);
    }
    mdbLib.rewindTable(table);
    long count = 0;
    while (mdbLib.fetchRow(table)) {
        std::fprintf(o, "%s\t%s\t%s\n", clean(buffers[0].data()).c_str(),
            clean(buffers[1].data()).c_str(), clean(buffers[2].data()).c_str());
        ++count;
    }
    finish("#END " + std::to_string(count) + " " + std::to_string(table->num_rows));
    ::_exit(0);
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

Result<std::vector<LegacyRow>> readLegacyRows(const std::string &path)
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
    return Error { Error::Kind::Unsupported, "this build cannot read Access databases." };
#else
    const MdbApi *mdbLib = mdbApi();
    if (!mdbLib)
        return Error { Error::Kind::Unsupported,
            "reading it needs mdbtools' library " ZOVUDEDODA_MDB_SONAME
            ", which is not installed." };
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return Error { Error::Kind::Refused,
            std::string("cannot start the reader: ") + std::strerror(errno) };
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return Error { Error::Kind::Refused,
            std::string("cannot start the reader: ") + std::strerror(errno) };
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        readInChild(*mdbLib, path, pipeFds[1]);
    }
    ::close(pipeFds[1]);

    std::string text;
    const auto deadline
        = std::chrono::steady_clock::now() + std::chrono::milliseconds(ReaderTimeoutMs);
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd pfd { pipeFds[0], POLLIN, 0 };
        const int ready = ::poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        std::array<char, 65536> chunk {};
        const ssize_t n = ::read(pipeFds[0], chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(chunk.data(), static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    if (timedOut)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    if (timedOut)
        return Error { Error::Kind::Damaged, "reading the Access database took too long." };
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Error { Error::Kind::Damaged, "the Access database is damaged: its reader failed." };

    std::vector<LegacyRow> rows;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::string line
            = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (line.rfind("#ERROR ", 0) == 0)
            return Error { line.find("no table") != std::string::npos ? Error::Kind::NoTable
                    : line.find("no field") != std::string::npos      ? Error::Kind::NoFields
                                                                      : Error::Kind::Damaged,
                line.substr(7) + "." };
        if (line.rfind("#END ", 0) == 0) {
            long got = 0, claimed = 0;
            std::sscanf(line.c_str() + 5, "%ld %ld", &got, &claimed);
            // A file cut short at a page boundary reads fewer rows than its table says it holds.
            if (claimed > 0 && got < claimed)
                return Error { Error::Kind::Damaged,
                    "the Access database is cut short: it holds " + std::to_string(got) + " of its "
                        + std::to_string(claimed) + " rows." };
            return rows;
        }
        const auto t1 = line.find('\t');
        const auto t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        if (t2 == std::string::npos)
            break;
        rows.push_back(
            { line.substr(0, t1), line.substr(t1 + 1, t2 - t1 - 1), line.substr(t2 + 1) });
    }
    return Error { Error::Kind::Damaged, "the Access database could not be read to its end." };
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

Result<Conversion> convertLegacyLibrary(const std::string &path)
{
    const auto rows = readLegacyRows(path);
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
