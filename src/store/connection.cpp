#include "store/connection.h"

#include <filesystem>

namespace zov::store {
namespace fs = std::filesystem;

std::string absolutePath(const std::string &path)
{
    std::error_code ec;
    const fs::path p = fs::absolute(fs::path(path), ec);
    return ec ? path : p.lexically_normal().string();
}

Status applySettings(sqlite3 *db, std::span<const DbSetting> settings)
{
    for (const DbSetting &s : settings) {
        int now = -1;
        const int rc = sqlite3_db_config(db, s.op, s.value, &now);
        if (rc != SQLITE_OK || now != s.value)
            return Error { Error::Kind::Refused,
                std::string("the library cannot be opened safely: SQLite ")
                    + (rc != SQLITE_OK ? std::string("refused the setting ") + s.name + " ("
                                + sqlite3_errstr(rc) + ")"
                                       : std::string("did not keep the setting ") + s.name)
                    + "." };
    }
    return success();
}

Status harden(sqlite3 *db)
{
    static constexpr DbSetting settings[] = {
        { SQLITE_DBCONFIG_DEFENSIVE, 1, "DEFENSIVE" },
        { SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, "TRUSTED_SCHEMA" },
        { SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, "ENABLE_TRIGGER" },
        { SQLITE_DBCONFIG_ENABLE_VIEW, 0, "ENABLE_VIEW" },
        { SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, "ENABLE_LOAD_EXTENSION" },
        // A double-quoted name that is no column must be an error, not a string.
        { SQLITE_DBCONFIG_DQS_DML, 0, "DQS_DML" },
        { SQLITE_DBCONFIG_DQS_DDL, 0, "DQS_DDL" },
    };
    if (Status applied = applySettings(db, settings); !applied)
        return applied;
    if (const int rc = sqlite3_busy_timeout(db, BusyTimeoutMs); rc != SQLITE_OK)
        return errorFrom(db, rc, "The library cannot be opened");
    return success();
}

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

} // namespace zov::store
