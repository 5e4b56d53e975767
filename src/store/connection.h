#pragma once

// What every part of the store does with a SQLite connection: opening it only by an absolute
// path, hardening it against what a file may hold, and turning SQLite's result codes into the
// store's errors. Private to the store.

#include "store/result.h"

#include <memory>
#include <span>
#include <sqlite3.h>
#include <string>

namespace zov::store {

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using DbPtr = std::unique_ptr<sqlite3, Closer>;

// The connection a PuzzleStore holds.
struct Connection
{
    DbPtr db;
};

// How long a locked file is waited for before the action gives up.
inline constexpr int BusyTimeoutMs = 2000;

// SQLite reads "file:" names as URIs; an absolute path never starts that way.
std::string absolutePath(const std::string &path);

// One sqlite3_db_config switch and the value it must hold.
struct DbSetting
{
    int op;
    int value;
    const char *name;
};
// Sets each switch and reads it back; the first that SQLite refuses or that does not hold is
// the error, and the connection must not be used then.
Status applySettings(sqlite3 *db, std::span<const DbSetting> settings);

// Nothing in a file may run code or change data behind our back: no triggers, no views, no
// functions from the schema, no extensions. A connection it fails on is refused.
Status harden(sqlite3 *db);

// `code` (from `db` when there is one) as the store's error, after `what` failed.
Error errorFrom(sqlite3 *db, int code, const std::string &what);

} // namespace zov::store
