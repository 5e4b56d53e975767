#include "store/puzzlestore.h"

#include "store/connection.h"
#include "store/reasons.h"
#include "store/schema.h"
#include "store/sqlite.h"

#include "board/cells.h"
#include "board/numbers.h"

#include <cmath>

namespace zov::store {

namespace {

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

} // namespace

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
    if (Status hardened = harden(db.get()); !hardened)
        return hardened.error();

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

} // namespace zov::store
