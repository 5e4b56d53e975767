#include "store/puzzlestore.h"

#include "store/connection.h"
#include "store/schema.h"
#include "store/sqlite.h"
#include "store/tempname.h"

#include "board/cells.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

// Writing: appending puzzles to an open library, and making a new library file.
namespace zov::store {
namespace fs = std::filesystem;

namespace {

// For the messages that say no number is left.
std::string numbersEnd() { return "puzzle numbers end at " + std::to_string(MaxGameNumber) + "."; }

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
    if (Status hardened = harden(db.get()); !hardened)
        return hardened;
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
