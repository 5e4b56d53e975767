#pragma once

// Small RAII types over the SQLite C API, private to the store.

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace zov::store::sql {

class Statement
{
public:
    Statement(sqlite3 *db, std::string_view text);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool prepared() const { return m_stmt != nullptr; }
    int prepareCode() const { return m_prepareCode; }
    void bind(int position, int value);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    void reset();
    int columnType(int column) const { return sqlite3_column_type(m_stmt, column); }
    sqlite3_int64 columnInt(int column) const { return sqlite3_column_int64(m_stmt, column); }
    double columnDouble(int column) const { return sqlite3_column_double(m_stmt, column); }
    std::string columnText(int column) const;

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_prepareCode = SQLITE_OK;
};

// Rolls back in its destructor unless committed.
class Transaction
{
public:
    explicit Transaction(sqlite3 *db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    int beginCode() const { return m_beginCode; }
    int commit();

private:
    sqlite3 *m_db;
    int m_beginCode;
    bool m_open;
};

int exec(sqlite3 *db, const char *text);

} // namespace zov::store::sql
