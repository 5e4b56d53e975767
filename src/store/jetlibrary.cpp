#include "store/jetlibrary.h"

#include "board/cells.h"
#include "store/jetprotocol.h"
#include "store/process.h"
#include "store/reasons.h"
#include "store/tempname.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace zov::store {
namespace fs = std::filesystem;

namespace {

// More than the lines of the most puzzles a library holds, even with every value written as a long
// decimal: a reader that writes more is not reading a library.
constexpr std::size_t ReaderOutputLimit = 256u << 20;

// A reader stopped by its confinement: the player learns that the file was not read safely.
const std::string UnsafeReason = "the file could not be read safely: ";
constexpr char UnsafeCause[] = "The file may be damaged, or made to do harm.";

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

// The reader's reason as the player may see it: a file that took the reader over chooses these
// words, so they are kept to one short line of printable text.
std::string shownReason(std::string_view field)
{
    constexpr std::size_t Longest = 300;
    const std::string text = jet::unescapeField(field).value_or(std::string(field));
    std::string shown;
    for (const char c : text) {
        if (shown.size() == Longest) {
            shown += "...";
            break;
        }
        shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    }
    return shown;
}

} // namespace

ReaderOutput parseReaderOutput(std::string_view text)
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
            parsed.failure = shownReason(fields[1]);
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

namespace {

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

// A reader ended by a signal. Its confinement ends it with SIGSYS for a system call that
// reading never needs, and the kernel with SIGXCPU or SIGXFSZ past its limits: whatever made it
// do that, the file was not read safely.
Error signalFailure(int signal)
{
    const std::string which = "signal " + std::to_string(signal) + ", " + ::strsignal(signal);
    const auto unsafe = [&](const std::string &what) {
        return Error { Error::Kind::Damaged,
            std::string(UnsafeReason) + what + " (" + which + "). " + UnsafeCause };
    };
    if (signal == SIGSYS)
        return unsafe("its reader tried to do what reading a file never needs, and was stopped");
    if (signal == SIGXCPU)
        return unsafe("its reader used more processor time than any library needs");
    if (signal == SIGXFSZ)
        return unsafe("its reader tried to write a file, and was stopped");
    return { Error::Kind::Damaged,
        "the Access database is damaged: its reader failed (" + which + ")." };
}

// The reader's exit, as the store's refusal.
Error readerFailure(const ProgramRun &run, const std::string &program, const ReaderOutput &out)
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
        return signalFailure(WTERMSIG(run.status));
    switch (WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1) {
    case jet::Success:
        return { Error::Kind::Damaged, "the Access database could not be read to its end." };
    case jet::IoError:
        return { Error::Kind::Refused, because("the file cannot be read") };
    case jet::NotJet:
        return { Error::Kind::Damaged, because(reasons::NotAnAccessDatabase) };
    case jet::NoTable:
        return { Error::Kind::NoTable, because(reasons::NoGameTable) };
    case jet::NoFields:
        return { Error::Kind::NoFields, because("the table Game lacks a field") };
    case jet::CutShort:
        return { Error::Kind::Damaged, because("the Access database is cut short") };
    case jet::Confined:
        return { Error::Kind::Damaged,
            UnsafeReason + because("its reader reached the limits it runs under") + " "
                + UnsafeCause };
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
        std::string name = stem + " (earlier version";
        if (k > 1)
            name.append(1, ' ').append(std::to_string(k));
        name.append(")").append(p.extension().string());
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
    if (const fs::path self = runningProgramPath(); !self.empty())
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
    const ProgramRun run = runProgram(*program, { path }, reader.timeLimit, ReaderOutputLimit);
    ReaderOutput out = parseReaderOutput(run.output);
    if (run.exitedWith(jet::Success) && out.whole)
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
        const auto n = whole(row.gameNo, 1, MaxGameNumber);
        const auto i = whole(row.index, 1, 81);
        const auto d = whole(row.number, 1, 9);
        const std::string where = "row " + std::to_string(r + 1) + " (GameNo " + row.gameNo
            + ", Index " + row.index + ", Number " + row.number + ")";
        if (!n || !i || !d) {
            dropped.push_back(where + ": "
                + (!n        ? "GameNo is not a number from 1 to " + std::to_string(MaxGameNumber)
                        : !i ? std::string("Index is not a cell from 1 to 81")
                             : std::string("Number is not a digit from 1 to 9")));
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
