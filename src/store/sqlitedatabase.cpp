#include "store/sqlitedatabase.h"

#include "store/sqlitestatement.h"

#include <sqlite3.h>

namespace jiujiu {

void SqliteDatabase::Close::operator()(sqlite3 *db) const
{
    sqlite3_close_v2(db);
}

SqliteDatabase::SqliteDatabase(const std::string &path, int flags)
{
    sqlite3 *db = nullptr;
    m_opened = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    m_db.reset(db); // closed even when opening failed
    if (db)
        sqlite3_extended_result_codes(db, 0);
}

SqliteDatabase::~SqliteDatabase() = default;

int SqliteDatabase::exec(const char *sql)
{
    return sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr);
}

int SqliteDatabase::queryInteger(const char *sql, std::int64_t &value)
{
    SqliteStatement statement(m_db.get(), sql);
    const int code = statement.step();
    if (code == SQLITE_ROW)
        value = statement.integer(0);
    return code == SQLITE_ROW || code == SQLITE_DONE ? SQLITE_OK : code;
}

std::string SqliteDatabase::errorText() const
{
    return m_db ? sqlite3_errmsg(m_db.get()) : sqlite3_errstr(m_opened);
}

} // namespace jiujiu
