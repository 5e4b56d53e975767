#pragma once

// The puzzle library: a SQLite file with one table, Game (GameNo, Index, Number), one row per
// given digit. The file is untrusted input: it is opened defensively and never created by
// accident, and a puzzle is stored in one transaction.

#include "board/puzzle.h"
#include "store/filekind.h"
#include "store/result.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace zov::store {

// The row and puzzle types live in board/ so that the puzzles need not include the store.
using zov::GameRow;
using zov::Given;
using zov::Puzzle;

struct PuzzleSummary
{
    int gameNo = 0;
    int rows = 0;
};

// An open SQLite connection (connection.h), private to the store.
struct Connection;

class PuzzleStore
{
public:
    // A puzzle has at most 81 meaningful rows; more than this is a hostile file.
    static constexpr int MaxRowsPerPuzzle = 10000;

    // The game needs at least one puzzle; the tool may fill an empty library.
    enum class Emptiness { Refuse, Allow };
    static Result<PuzzleStore> open(const std::string &path, Emptiness empty = Emptiness::Refuse);
    // Makes a new library with the project's schema, holding `puzzles` numbered from 1. Refuses
    // to replace an existing file; the file appears whole or not at all.
    static Status create(const std::string &path, const std::vector<Puzzle> &puzzles = {});
    // Writes a new library file at exactly `path`, which must not exist yet, holding the
    // puzzles under the given numbers. No temporary name: callers put it in place themselves.
    static Status writeFile(
        const std::string &path, const std::vector<std::pair<int, Puzzle>> &puzzles);

    PuzzleStore(PuzzleStore &&) noexcept;
    PuzzleStore &operator=(PuzzleStore &&) noexcept;
    ~PuzzleStore();

    const std::string &path() const { return m_path; }

    // MAX(GameNo) over well-formed numbers; Empty when there is none.
    Result<int> highestGameNumber() const;
    Result<std::vector<GameRow>> puzzle(int gameNo) const;
    Result<std::vector<GameRow>> allRows() const;
    Result<std::vector<PuzzleSummary>> summary() const;

    // Stores the puzzles in one transaction under consecutive numbers, starting at `proposed`
    // when that number is still free and at MAX(GameNo) + 1 otherwise. Returns the first number
    // used. Empty puzzles are refused: they would leave a number without rows.
    Result<int> appendPuzzles(
        const std::vector<Puzzle> &puzzles, std::optional<int> proposed = std::nullopt);

private:
    using Handle = Connection;
    explicit PuzzleStore(std::unique_ptr<Handle> handle, std::string path);
    std::unique_ptr<Handle> m_db;
    std::string m_path;
};

} // namespace zov::store
