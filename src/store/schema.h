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
inline constexpr char PuzzleRows[] = "SELECT GameNo, \"Index\", Number FROM Game WHERE GameNo = ?1";
inline constexpr char InsertRow[]
    = "INSERT INTO Game (GameNo, \"Index\", Number) VALUES (?1, ?2, ?3)";

} // namespace zov::store::schema
