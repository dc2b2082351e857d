#include "store/sqlitestatement.h"

#include <sqlite3.h>

namespace jiujiu {

void SqliteStatement::Finalize::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

SqliteStatement::SqliteStatement(sqlite3 *db, std::string_view sql)
{
    sqlite3_stmt *statement = nullptr;
    m_prepared =
        db ? sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement, nullptr)
           : SQLITE_MISUSE;
    m_statement.reset(statement);
    if (m_prepared == SQLITE_OK && !statement)
        m_prepared = SQLITE_MISUSE; // nothing but blanks
}

SqliteStatement::~SqliteStatement() = default;

SqliteStatement &SqliteStatement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(m_statement.get(), index, value);
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, std::string_view text)
{
    sqlite3_bind_text64(m_statement.get(), index, text.data(), text.size(), SQLITE_TRANSIENT,
                        SQLITE_UTF8);
    return *this;
}

SqliteStatement &SqliteStatement::bindBlob(int index, const void *bytes, std::size_t size)
{
    // An empty blob is still a blob, not NULL.
    static const char kNothing = 0;
    sqlite3_bind_blob64(m_statement.get(), index, size ? bytes : &kNothing, size, SQLITE_TRANSIENT);
    return *this;
}

int SqliteStatement::step()
{
    if (m_prepared != SQLITE_OK)
        return m_prepared;
    return sqlite3_step(m_statement.get());
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement.get());
    sqlite3_clear_bindings(m_statement.get());
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement.get(), column);
}

std::string SqliteStatement::text(int column) const
{
    const auto *bytes = sqlite3_column_text(m_statement.get(), column);
    const int size = sqlite3_column_bytes(m_statement.get(), column);
    return bytes
               ? std::string(reinterpret_cast<const char *>(bytes), static_cast<std::size_t>(size))
               : std::string();
}

std::string_view SqliteStatement::blob(int column) const
{
    const void *bytes = sqlite3_column_blob(m_statement.get(), column);
    const int size = sqlite3_column_bytes(m_statement.get(), column);
    return bytes
               ? std::string_view(static_cast<const char *>(bytes), static_cast<std::size_t>(size))
               : std::string_view();
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL;
}

} // namespace jiujiu
