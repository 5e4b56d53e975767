#pragma once

// The library's SQL: its one table and the queries the store runs on it, with the limits taken
// from the board, so that the file and the game cannot disagree on them.

#include <string>

namespace zov::store::schema {

// Rows are kept in (GameNo, Index) order, so one puzzle's rows lie together whatever the size
// of the library, and the highest number is the last row.
const std::string &createTable();
// Walks down from the top through the index; the first well-formed number is the highest, so
// text or fractional GameNo values never become "the highest".
const std::string &highestNumbers();
// The three columns in the order every query below reads them: GameNo, Index, Number.
#define ZOVUDEDODA_GAME_COLUMNS "GameNo, \"Index\", Number"
inline constexpr char PuzzleRows[]
    = "SELECT " ZOVUDEDODA_GAME_COLUMNS " FROM Game WHERE GameNo = ?1";
inline constexpr char AllRows[] = "SELECT " ZOVUDEDODA_GAME_COLUMNS " FROM Game";
// Prepared only, never run: fails to prepare when a column is missing.
inline constexpr char HasColumns[] = "SELECT " ZOVUDEDODA_GAME_COLUMNS " FROM Game LIMIT 0";
inline constexpr char InsertRow[]
    = "INSERT INTO Game (" ZOVUDEDODA_GAME_COLUMNS ") VALUES (?1, ?2, ?3)";
#undef ZOVUDEDODA_GAME_COLUMNS
// How the file declares Game, matched as SQLite matches table names.
inline constexpr char GameDeclaration[] = "SELECT type, sql FROM sqlite_schema WHERE name = 'Game' "
                                          "COLLATE NOCASE AND type IN ('table', 'view')";
// Each puzzle's number and its count of rows, in number order.
inline constexpr char Summary[]
    = "SELECT GameNo, COUNT(*) FROM Game GROUP BY GameNo ORDER BY GameNo";
inline constexpr char NumberUsed[] = "SELECT 1 FROM Game WHERE GameNo = ?1 LIMIT 1";
// A library written once, with no journal left beside it.
inline constexpr char JournalDelete[] = "PRAGMA journal_mode = DELETE";

} // namespace zov::store::schema
