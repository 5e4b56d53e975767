#pragma once

// The puzzle library: a SQLite file with one table, Game (GameNo, Index, Number), one row per
// given digit. The file is untrusted input: it is opened defensively and never created by
// accident, and a puzzle is stored in one transaction.

#include "store/result.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace zov::store {

// What a file's first bytes say it is.
enum class FileKind { Missing, Unreadable, Empty, SQLite, Jet3, Jet4, Ace, Unknown };
FileKind detectFileKind(const std::string &path);
// The same from the file's first bytes (at least 32 where the file has them).
FileKind kindOfHeader(const char *head, std::size_t size);

// One row of Game. Fields that are outside the record format stay empty; the raw texts are kept
// for reports.
struct GameRow
{
    std::optional<int> gameNo; // 1..MaxGameNumber
    std::optional<int> index; // 1..81
    std::optional<int> number; // 1..9
    std::string rawGameNo, rawIndex, rawNumber;
    bool wellFormed() const { return gameNo && index && number; }
};

struct Given
{
    int index = 0; // CellIndex 1..81
    int digit = 0; // 1..9
};
using Puzzle = std::vector<Given>;

struct PuzzleSummary
{
    int gameNo = 0;
    int rows = 0;
};

class PuzzleStore
{
public:
    // How long a locked file is waited for before the action gives up.
    static constexpr int BusyTimeoutMs = 2000;
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
    struct Handle;
    explicit PuzzleStore(std::unique_ptr<Handle> handle, std::string path);
    std::unique_ptr<Handle> m_db;
    std::string m_path;
};

std::string describe(FileKind kind);
// A fresh name in the folder of `path`, for a file that is renamed into place when whole.
std::string temporaryNameBeside(const std::string &path);

} // namespace zov::store
