#include "store/puzzlestore.h"

#include "store/reasons.h"
#include "store/schema.h"
#include "store/sqlite.h"

#include "board/cells.h"
#include "board/numbers.h"

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace zov::store {
namespace fs = std::filesystem;

namespace {

// For the messages that say no number is left.
std::string numbersEnd() { return "puzzle numbers end at " + std::to_string(MaxGameNumber) + "."; }

Error errorFrom(sqlite3 *db, int code, const std::string &what)
{
    const std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Error { Error::Kind::Locked,
            what + ": the file is locked by another program. Close it there and try again." };
    case SQLITE_READONLY:
        return Error { Error::Kind::ReadOnly,
            what + ": the library is read-only (" + detail + ")." };
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return Error { Error::Kind::ReadOnly,
            what + ": the library cannot be written (" + detail + ")." };
    case SQLITE_FULL:
        return Error { Error::Kind::DiskFull, what + ": the disk is full." };
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return Error { Error::Kind::Damaged, what + ": the file is damaged (" + detail + ")." };
    case SQLITE_IOERR:
        // Exceeding the file-size limit or running out of room shows up as a write error.
        return Error { Error::Kind::DiskFull,
            what + ": the file could not be written (" + detail + ")." };
    default:
        return Error { Error::Kind::Refused, what + ": " + detail + "." };
    }
}

// A whole number in [lo, hi] from an integer, an integral real or a decimal text.
std::optional<int> wholeNumber(const sql::Statement &st, int column, int lo, int hi)
{
    long long v = 0;
    switch (st.columnType(column)) {
    case SQLITE_INTEGER:
        v = st.columnInt(column);
        break;
    case SQLITE_FLOAT: {
        const double d = st.columnDouble(column);
        if (!std::isfinite(d) || d != std::floor(d) || d < lo || d > hi)
            return std::nullopt;
        v = static_cast<long long>(d);
        break;
    }
    case SQLITE_TEXT: {
        // Plain digits only, no longer than a typed number may be.
        const std::string t = st.columnText(column);
        return t.size() <= GameNumberLength ? parseWhole(t, lo, hi) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
    if (v < lo || v > hi)
        return std::nullopt;
    return static_cast<int>(v);
}

GameRow readRow(const sql::Statement &st)
{
    GameRow row;
    row.gameNo = wholeNumber(st, 0, 1, MaxGameNumber);
    row.index = wholeNumber(st, 1, 1, CellCount);
    row.number = wholeNumber(st, 2, 1, 9);
    row.rawGameNo = st.columnText(0);
    row.rawIndex = st.columnText(1);
    row.rawNumber = st.columnText(2);
    return row;
}

// Runs `query` (with `param` as ?1 where given) and collects what `take(row, out)` makes of
// each row; an error from `take` ends it there.
template <class T, class Take>
Result<std::vector<T>> collectRows(sqlite3 *db, std::string_view query, const std::string &what,
    Take take, std::optional<int> param = std::nullopt)
{
    sql::Statement st(db, query);
    if (!st.prepared())
        return errorFrom(db, st.prepareCode(), what);
    if (param)
        st.bind(1, *param);
    std::vector<T> out;
    int rc = SQLITE_OK;
    while ((rc = st.step()) == SQLITE_ROW)
        if (Status taken = take(st, out); !taken)
            return taken.error();
    if (rc != SQLITE_DONE)
        return errorFrom(db, rc, what);
    return out;
}

// Nothing in a file may run code or change data behind our back: no triggers, no views, no
// functions from the schema, no extensions.
void harden(sqlite3 *db)
{
    int ignored = 0;
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, &ignored);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &ignored);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, &ignored);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, &ignored);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, &ignored);
    // A double-quoted name that is no column must be an error, not a string.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, &ignored);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, &ignored);
    sqlite3_busy_timeout(db, PuzzleStore::BusyTimeoutMs);
}

// SQLite reads "file:" names as URIs; an absolute path never starts that way.
std::string absolutePath(const std::string &path)
{
    std::error_code ec;
    const fs::path p = fs::absolute(fs::path(path), ec);
    return ec ? path : p.lexically_normal().string();
}

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using DbPtr = std::unique_ptr<sqlite3, Closer>;

Status insertNumbered(sqlite3 *db, const std::vector<std::pair<int, const Puzzle *>> &puzzles)
{
    sql::Statement insert(db, schema::InsertRow);
    if (!insert.prepared())
        return errorFrom(db, insert.prepareCode(), "The puzzle could not be stored");
    for (const auto &[number, puzzle] : puzzles) {
        for (const Given &g : *puzzle) {
            insert.bind(1, number);
            insert.bind(2, g.index);
            insert.bind(3, g.digit);
            const int rc = insert.step();
            insert.reset();
            if (rc != SQLITE_DONE)
                return errorFrom(
                    db, rc, "Puzzle " + std::to_string(number) + " could not be stored");
        }
    }
    return success();
}

Status insertPuzzles(sqlite3 *db, const std::vector<Puzzle> &puzzles, int first)
{
    std::vector<std::pair<int, const Puzzle *>> numbered;
    numbered.reserve(puzzles.size());
    for (const Puzzle &p : puzzles)
        numbered.push_back({ first++, &p });
    return insertNumbered(db, numbered);
}

Status validate(const std::vector<Puzzle> &puzzles)
{
    for (const Puzzle &p : puzzles) {
        if (p.empty())
            return Error { Error::Kind::BadInput, "A puzzle without any digit cannot be stored." };
        std::array<bool, 82> seen {};
        for (const Given &g : p) {
            if (g.index < 1 || g.index > CellCount || g.digit < 1 || g.digit > 9 || seen[g.index])
                return Error { Error::Kind::BadInput,
                    "A puzzle with a malformed cell cannot be stored." };
            seen[g.index] = true;
        }
    }
    return success();
}

} // namespace

struct PuzzleStore::Handle
{
    DbPtr db;
};

FileKind detectFileKind(const std::string &path)
{
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec || !fs::exists(status))
        return FileKind::Missing;
    if (!fs::is_regular_file(status))
        return FileKind::Unreadable;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return FileKind::Unreadable;
    std::array<char, 32> head {};
    in.read(head.data(), head.size());
    return kindOfHeader(head.data(), static_cast<std::size_t>(in.gcount()));
}

FileKind kindOfHeader(const char *head, std::size_t got)
{
    if (got == 0)
        return FileKind::Empty;
    const auto startsWith = [&](std::size_t at, const char *text, std::size_t n) {
        return got >= at + n && std::memcmp(head + at, text, n) == 0;
    };
    if (startsWith(0, "SQLite format 3", 16))
        return FileKind::SQLite;
    if (startsWith(0, "\x00\x01\x00\x00", 4) && got > 0x14) {
        if (startsWith(4, "Standard Jet DB", 16))
            return head[0x14] == 0 ? FileKind::Jet3 : FileKind::Jet4;
        if (startsWith(4, "Standard ACE DB", 16))
            return FileKind::Ace;
    }
    return FileKind::Unknown;
}

std::string describe(FileKind kind)
{
    switch (kind) {
    case FileKind::Missing:
        return "the file does not exist";
    case FileKind::Unreadable:
        return "the file cannot be read";
    case FileKind::Empty:
        return "the file is empty";
    case FileKind::SQLite:
        return "a SQLite database";
    case FileKind::Jet3:
        return "a Jet 3 (Access 97) database from the earlier version, which this version cannot "
               "open";
    case FileKind::Jet4:
        return "a Jet 4 (Access 2000) database from the earlier version, which this version cannot "
               "open";
    case FileKind::Ace:
        return "an Access (ACE) database, which this version cannot open";
    case FileKind::Unknown:
        return "the file is not a puzzle library (not a SQLite database)";
    }
    return {};
}

PuzzleStore::PuzzleStore(std::unique_ptr<Handle> handle, std::string path)
    : m_db(std::move(handle))
    , m_path(std::move(path))
{
}
PuzzleStore::PuzzleStore(PuzzleStore &&) noexcept = default;
PuzzleStore &PuzzleStore::operator=(PuzzleStore &&) noexcept = default;
PuzzleStore::~PuzzleStore() = default;

Result<PuzzleStore> PuzzleStore::open(const std::string &givenPath, Emptiness empty)
{
    const std::string path = absolutePath(givenPath);
    const FileKind kind = detectFileKind(path);
    switch (kind) {
    case FileKind::SQLite:
        break;
    case FileKind::Missing:
        return Error { Error::Kind::Missing, describe(kind) + "." };
    case FileKind::Jet3:
    case FileKind::Jet4:
    case FileKind::Ace:
        return Error { Error::Kind::Unsupported, "It is " + describe(kind) + "." };
    default:
        return Error { Error::Kind::NotALibrary, describe(kind) + "." };
    }

    sqlite3 *raw = nullptr;
    // Never SQLITE_OPEN_CREATE: a missing library is an error, not a new empty file.
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DbPtr db(raw);
    if (rc != SQLITE_OK)
        return Error { Error::Kind::NotALibrary,
            std::string("the file cannot be opened (") + sqlite3_errstr(rc) + ")." };
    harden(db.get());

    {
        sql::Statement st(db.get(), schema::GameDeclaration);
        if (!st.prepared())
            return errorFrom(db.get(), st.prepareCode(), "The file cannot be read");
        const int step = st.step();
        if (step == SQLITE_DONE)
            return Error { Error::Kind::NoTable, std::string(reasons::NoGameTable) + "." };
        if (step != SQLITE_ROW)
            return errorFrom(db.get(), step, "The file cannot be read");
        const std::string sql = st.columnText(1);
        if (st.columnText(0) != "table" || sql.rfind("CREATE VIRTUAL", 0) == 0)
            return Error { Error::Kind::NoTable, "Game is not a plain table." };
    }
    {
        sql::Statement st(db.get(), schema::HasColumns);
        if (!st.prepared())
            return Error { Error::Kind::NoFields,
                "the table Game lacks one of the fields GameNo, Index and Number." };
    }
    PuzzleStore store(std::make_unique<Handle>(Handle { std::move(db) }), path);
    const auto highest = store.highestGameNumber();
    if (!highest && !(empty == Emptiness::Allow && highest.error().kind == Error::Kind::Empty))
        return highest.error();
    return store;
}

Result<int> PuzzleStore::highestGameNumber() const
{
    sqlite3 *db = m_db->db.get();
    sql::Statement st(db, schema::highestNumbers());
    if (!st.prepared())
        return errorFrom(db, st.prepareCode(), "The puzzle numbers cannot be read");
    int rc = SQLITE_OK;
    while ((rc = st.step()) == SQLITE_ROW)
        if (const auto n = wholeNumber(st, 0, 1, MaxGameNumber))
            return *n;
    if (rc != SQLITE_DONE)
        return errorFrom(db, rc, "The puzzle numbers cannot be read");
    return Error { Error::Kind::Empty, "the library holds no puzzle." };
}

Result<std::vector<GameRow>> PuzzleStore::puzzle(int gameNo) const
{
    const std::string what = "Puzzle " + std::to_string(gameNo) + " cannot be read";
    const auto take = [&](const sql::Statement &row, std::vector<GameRow> &rows) {
        if (rows.size() >= MaxRowsPerPuzzle)
            return Status(Error { Error::Kind::Damaged, what + ": it has too many rows." });
        rows.push_back(readRow(row));
        return success();
    };
    return collectRows<GameRow>(m_db->db.get(), schema::PuzzleRows, what, take, gameNo);
}

Result<std::vector<GameRow>> PuzzleStore::allRows() const
{
    const auto take = [](const sql::Statement &row, std::vector<GameRow> &rows) {
        rows.push_back(readRow(row));
        return success();
    };
    return collectRows<GameRow>(
        m_db->db.get(), schema::AllRows, "The library cannot be read", take);
}

Result<std::vector<PuzzleSummary>> PuzzleStore::summary() const
{
    // Puzzles whose number is not a whole number in range are left out, as everywhere.
    const auto take = [](const sql::Statement &row, std::vector<PuzzleSummary> &out) {
        if (const auto n = wholeNumber(row, 0, 1, MaxGameNumber))
            out.push_back({ *n, static_cast<int>(row.columnInt(1)) });
        return success();
    };
    return collectRows<PuzzleSummary>(
        m_db->db.get(), schema::Summary, "The library cannot be read", take);
}

Result<int> PuzzleStore::appendPuzzles(
    const std::vector<Puzzle> &puzzles, std::optional<int> proposed)
{
    if (const auto valid = validate(puzzles); !valid)
        return valid.error();
    sqlite3 *db = m_db->db.get();
    // The write lock is taken at once, so nobody can take our number between the check and the
    // insert.
    sql::Transaction tx(db);
    if (tx.beginCode() != SQLITE_OK)
        return errorFrom(db, tx.beginCode(), "The puzzle could not be stored");

    int first = 0;
    const auto highest = highestGameNumber();
    if (!highest && highest.error().kind != Error::Kind::Empty)
        return highest.error();
    const int next = highest ? *highest + 1 : 1;
    if (proposed && *proposed >= 1 && *proposed <= MaxGameNumber) {
        sql::Statement used(db, schema::NumberUsed);
        if (!used.prepared())
            return errorFrom(db, used.prepareCode(), "The puzzle could not be stored");
        used.bind(1, *proposed);
        const int rc = used.step();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return errorFrom(db, rc, "The puzzle could not be stored");
        first = rc == SQLITE_DONE ? *proposed : next;
    } else {
        first = next;
    }
    if (first + static_cast<long long>(puzzles.size()) - 1 > MaxGameNumber)
        return Error { Error::Kind::Full, "The library is full: " + numbersEnd() };
    if (puzzles.empty())
        return first;
    if (const auto stored = insertPuzzles(db, puzzles, first); !stored)
        return stored.error();
    if (const int rc = tx.commit(); rc != SQLITE_OK)
        return errorFrom(db, rc, "The puzzle could not be stored");
    return first;
}

Status PuzzleStore::writeFile(
    const std::string &givenPath, const std::vector<std::pair<int, Puzzle>> &puzzles)
{
    const std::string path = absolutePath(givenPath);
    std::vector<Puzzle> plain;
    std::vector<std::pair<int, const Puzzle *>> numbered;
    for (const auto &[number, puzzle] : puzzles) {
        if (number < 1 || number > MaxGameNumber)
            return Error { Error::Kind::BadInput,
                "A puzzle number must lie from 1 to " + std::to_string(MaxGameNumber) + "." };
        plain.push_back(puzzle);
        numbered.push_back({ number, &puzzle });
    }
    if (const auto valid = validate(plain); !valid)
        return valid.error();
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
    DbPtr db(raw);
    if (rc != SQLITE_OK)
        return errorFrom(raw, rc, "The library cannot be created");
    harden(db.get());
    if (const int e = sql::exec(db.get(), schema::JournalDelete); e != SQLITE_OK)
        return errorFrom(db.get(), e, "The library cannot be created");
    sql::Transaction tx(db.get());
    if (tx.beginCode() != SQLITE_OK)
        return errorFrom(db.get(), tx.beginCode(), "The library cannot be created");
    if (const int e = sql::exec(db.get(), schema::createTable().c_str()); e != SQLITE_OK)
        return errorFrom(db.get(), e, "The library cannot be created");
    if (const auto stored = insertNumbered(db.get(), numbered); !stored)
        return stored.error();
    if (const int e = tx.commit(); e != SQLITE_OK)
        return errorFrom(db.get(), e, "The library cannot be created");
    return success();
}

std::string temporaryNameBeside(const std::string &path)
{
    std::random_device seed;
    return absolutePath(path) + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(seed());
}

Status PuzzleStore::create(const std::string &givenPath, const std::vector<Puzzle> &puzzles)
{
    const std::string path = absolutePath(givenPath);
    if (detectFileKind(path) != FileKind::Missing)
        return Error { Error::Kind::BadInput, "a file is already there; it is left as it is." };
    if (puzzles.size() > static_cast<std::size_t>(MaxGameNumber))
        return Error { Error::Kind::Full, "Too many puzzles: " + numbersEnd() };
    std::vector<std::pair<int, Puzzle>> numbered;
    int number = 1;
    for (const Puzzle &p : puzzles)
        numbered.push_back({ number++, p });

    // Built under a temporary name in the same folder, then linked into place: the library
    // appears whole or not at all, and an existing file is never replaced.
    const std::string temp = temporaryNameBeside(path);
    Status made = writeFile(temp, numbered);
    if (made && ::link(temp.c_str(), path.c_str()) != 0)
        made = Error { Error::Kind::ReadOnly,
            std::string("The library cannot be put in place: ") + std::strerror(errno) + "." };
    std::error_code ec;
    fs::remove(temp, ec);
    return made;
}

} // namespace zov::store
