#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct sqlite3;

namespace jiujiu {

// One SQLite connection, closed with the object.
class SqliteDatabase final
{
public:
    // flags as sqlite3_open_v2 takes them.
    SqliteDatabase(const std::string &path, int flags);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    sqlite3 *handle() const { return m_db.get(); }
    // SQLite's result code of opening it (SQLITE_OK when it is open).
    int opened() const { return m_opened; }

    // Runs statements that answer nothing wanted; SQLite's result code.
    int exec(const char *sql);
    // The first column of the first row of a query, as an integer; none on an error.
    int queryInteger(const char *sql, std::int64_t &value);
    // The last error in SQLite's words.
    std::string errorText() const;

private:
    struct Close
    {
        void operator()(sqlite3 *db) const;
    };
    std::unique_ptr<sqlite3, Close> m_db;
    int m_opened = 0;
};

} // namespace jiujiu
