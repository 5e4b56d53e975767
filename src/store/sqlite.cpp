#include "store/sqlite.h"

namespace zov::store::sql {

Statement::Statement(sqlite3 *db, std::string_view text)
{
    m_prepareCode
        = sqlite3_prepare_v2(db, text.data(), static_cast<int>(text.size()), &m_stmt, nullptr);
    if (m_prepareCode != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

void Statement::bind(int position, int value) { sqlite3_bind_int(m_stmt, position, value); }

int Statement::step() { return sqlite3_step(m_stmt); }

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::string Statement::columnText(int column) const
{
    if (sqlite3_column_type(m_stmt, column) == SQLITE_NULL)
        return "NULL";
    const auto *text = sqlite3_column_text(m_stmt, column);
    const int bytes = sqlite3_column_bytes(m_stmt, column);
    return text ? std::string(reinterpret_cast<const char *>(text), static_cast<std::size_t>(bytes))
                : std::string();
}

Transaction::Transaction(sqlite3 *db)
    : m_db(db)
    , m_beginCode(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr))
    , m_open(m_beginCode == SQLITE_OK)
{
}

Transaction::~Transaction()
{
    if (m_open)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

int Transaction::commit()
{
    const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        m_open = false;
    return rc;
}

int exec(sqlite3 *db, const char *text)
{
    return sqlite3_exec(db, text, nullptr, nullptr, nullptr);
}

} // namespace zov::store::sql
