#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace jiujiu {

// One prepared SQLite statement, finalized with the object.
class SqliteStatement final
{
public:
    SqliteStatement(sqlite3 *db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // SQLite's result code of preparing it (SQLITE_OK when it is ready).
    int prepared() const { return m_prepared; }

    SqliteStatement &bind(int index, std::int64_t value);
    SqliteStatement &bind(int index, std::string_view text);
    SqliteStatement &bindBlob(int index, const void *bytes, std::size_t size);
    // SQLITE_ROW, SQLITE_DONE or the error's code.
    int step();
    // Ready to run again with new values.
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    // The bytes of a blob column, valid until the next step or reset.
    std::string_view blob(int column) const;
    bool isNull(int column) const;

private:
    struct Finalize
    {
        void operator()(sqlite3_stmt *statement) const;
    };
    std::unique_ptr<sqlite3_stmt, Finalize> m_statement;
    int m_prepared = 0;
};

} // namespace jiujiu
