#include "store/store.h"

#include "ed2kclient/fileid.h"
#include "store/seenblock.h"
#include "store/seenfiles.h"
#include "store/sqlitedatabase.h"
#include "store/sqlitestatement.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <sqlite3.h>
#include <system_error>
#include <tuple>
#include <utility>

namespace jiujiu {

namespace {

namespace fs = std::filesystem;

// Runs kept per saved search: enough for --list-saved and a look back.
constexpr int kRunsKept = 100;

// The schema, one step from each version to the next; a new version appends its step and
// every older store is carried forward through the steps it lacks.
const char *const kMigrations[] = {
    // 0 -> 1
    "CREATE TABLE searches(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,"
    " keyword TEXT NOT NULL, filter TEXT NOT NULL, sort TEXT NOT NULL,"
    " merge INTEGER NOT NULL, created INTEGER NOT NULL);"
    "CREATE TABLE runs(id INTEGER PRIMARY KEY, search INTEGER NOT NULL,"
    " started INTEGER NOT NULL, finished INTEGER NOT NULL, rows INTEGER NOT NULL,"
    " new_files INTEGER NOT NULL, complete INTEGER NOT NULL);"
    "CREATE INDEX runs_of_search ON runs(search, id);"
    // A block of files a row (SeenBlock): the keys first, so marking reads no times.
    "CREATE TABLE seen(search INTEGER NOT NULL, block INTEGER NOT NULL, keys BLOB NOT NULL,"
    " times BLOB NOT NULL, PRIMARY KEY(search, block)) WITHOUT ROWID;"
    "CREATE TABLE history(keyword TEXT PRIMARY KEY, used INTEGER NOT NULL);"
    "CREATE TABLE settings(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;",
};
static_assert(std::size(kMigrations) == Store::kSchemaVersion);

bool IsBroken(int code)
{
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

// Rolls back unless committed: a change is whole or not there.
class Transaction final
{
public:
    explicit Transaction(SqliteDatabase &db) : m_db(db) { m_began = m_db.exec("BEGIN IMMEDIATE"); }
    ~Transaction()
    {
        if (m_began == SQLITE_OK && !m_committed)
            m_db.exec("ROLLBACK");
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    int began() const { return m_began; }
    int commit()
    {
        const int code = m_db.exec("COMMIT");
        m_committed = code == SQLITE_OK;
        return code;
    }

private:
    SqliteDatabase &m_db;
    int m_began = SQLITE_OK;
    bool m_committed = false;
};

std::string Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

bool Renamed(const fs::path &from, const fs::path &to)
{
    std::error_code error;
    fs::rename(from, to, error);
    return !error;
}

} // namespace

Store::Store(fs::path path) : m_path(std::move(path)) {}

Store::~Store() = default;

Store::Opening Store::Open(const fs::path &path, Mode mode)
{
    Opening opening;
    std::error_code error;
    const bool exists = fs::exists(path, error);
    if (!exists && mode == Mode::Existing)
        return opening;
    if (!exists) {
        const fs::path directory = path.parent_path();
        if (!directory.empty() && !fs::is_directory(directory, error)) {
            if (fs::create_directories(directory, error))
                fs::permissions(directory, fs::perms::owner_all, error);
            if (!fs::is_directory(directory)) {
                opening.error = directory.string() + ": " +
                                (error ? error.message() : std::string(std::strerror(ENOTDIR)));
                return opening;
            }
        }
    }
    std::unique_ptr<Store> store(new Store(path));
    Connected connected = store->connect(!exists, false);
    if (connected == Connected::Broken) {
        const std::string why = store->m_error;
        if (!store->moveAside(why)) {
            opening.error = store->m_error;
            return opening;
        }
        opening.notice = store->takeNotice();
        connected = store->connect(true, false);
    } else if (connected == Connected::Failed && exists) {
        // A directory that cannot be written still lets the store be read.
        const std::string why = store->m_error;
        if (store->connect(false, true) != Connected::Ok) {
            store->m_error = why;
            connected = Connected::Failed;
        } else {
            connected = Connected::Ok;
        }
    }
    if (connected != Connected::Ok) {
        opening.error = path.string() + ": " + store->m_error;
        return opening;
    }
    opening.store = std::move(store);
    return opening;
}

namespace {

// file: URI of a path, with what a URI gives a meaning escaped.
std::string ImmutableUri(const fs::path &path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const unsigned char c : fs::absolute(path).string()) {
        if (c == '%' || c == '?' || c == '#' || c < 0x21 || c == 0x7f) {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?immutable=1";
}

} // namespace

Store::Connected Store::connect(bool create, bool readOnly)
{
    m_db.reset();
    m_readOnly = readOnly;
    const int flags =
        readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    // Read only means a directory nobody may write: no -shm can be made there, so the file is
    // read as immutable.
    m_db = readOnly
               ? std::make_unique<SqliteDatabase>(ImmutableUri(m_path),
                                                  flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX)
               : std::make_unique<SqliteDatabase>(m_path.string(), flags | SQLITE_OPEN_NOMUTEX);
    const auto outcome = [this](int code) {
        m_error = m_db->errorText();
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            m_error = "locked by another program (" + m_error + ")";
        m_db.reset();
        return IsBroken(code) ? Connected::Broken : Connected::Failed;
    };
    if (m_db->opened() != SQLITE_OK)
        return outcome(m_db->opened());
    sqlite3_busy_timeout(m_db->handle(), kBusyTimeoutMs);
    // Reading the schema finds a file that is no database.
    std::int64_t objects = 0;
    if (const int code = m_db->queryInteger("SELECT count(*) FROM sqlite_schema", objects))
        return outcome(code);
    std::int64_t version = 0;
    if (const int code = m_db->queryInteger("PRAGMA user_version", version))
        return outcome(code);
    if (version > kSchemaVersion) {
        m_error = "its schema version " + std::to_string(version) +
                  " is newer than this program's " + std::to_string(kSchemaVersion);
        m_db.reset();
        return Connected::Broken;
    }
    if (version == 0 && objects > 0) {
        m_error = "it is not this program's store";
        m_db.reset();
        return Connected::Broken;
    }
    // Large pages: the blocks of seen files are blobs of tens of kilobytes. Only a new, empty
    // file takes a page size.
    if (!readOnly && version == 0 && objects == 0)
        m_db->exec("PRAGMA page_size = 65536");
    // A run rewrites every block of a large search: its pages stay in memory until the commit.
    m_db->exec("PRAGMA cache_size = -65536");
    // Only a store of this program's is changed, even by its journal mode.
    if (!readOnly)
        if (const int code = m_db->exec("PRAGMA journal_mode=WAL"))
            return outcome(code);
    m_db->exec("PRAGMA synchronous=NORMAL");
    if (version < kSchemaVersion) {
        if (readOnly) {
            m_error = "its schema is older and the store cannot be written";
            m_db.reset();
            return Connected::Failed;
        }
        if (const Connected migrated = migrate(version); migrated != Connected::Ok)
            return migrated;
    }
    // Every table is there and readable.
    std::int64_t count = 0;
    for (const char *probe : {"SELECT count(*) FROM searches", "SELECT count(*) FROM runs",
                              "SELECT count(*) FROM history", "SELECT count(*) FROM settings"})
        if (const int code = m_db->queryInteger(probe, count))
            return outcome(code);
    return Connected::Ok;
}

Store::Connected Store::migrate(std::int64_t version)
{
    Transaction transaction(*m_db);
    int code = transaction.began();
    // Another process may have carried it forward while this one waited.
    if (code == SQLITE_OK)
        code = m_db->queryInteger("PRAGMA user_version", version);
    for (std::int64_t step = version; code == SQLITE_OK && step < kSchemaVersion; ++step)
        code = m_db->exec(kMigrations[step]);
    if (code == SQLITE_OK)
        code = m_db->exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
    if (code == SQLITE_OK)
        code = transaction.commit();
    if (code == SQLITE_OK)
        return Connected::Ok;
    m_error = m_db->errorText();
    return IsBroken(code) ? Connected::Broken : Connected::Failed;
}

bool Store::moveAside(const std::string &why)
{
    m_db.reset();
    const std::string base = m_path.string() + ".broken-" + Today();
    std::string target = base;
    std::error_code error;
    for (int n = 2; fs::exists(target, error); ++n)
        target = base + "-" + std::to_string(n);
    if (!Renamed(m_path, target)) {
        m_error = m_path.string() + " cannot be read (" + why +
                  ") nor renamed aside: " + std::strerror(errno);
        return false;
    }
    // Its journal goes with it: a new store must never take the old one's log.
    for (const char *suffix : {"-wal", "-shm"})
        if (fs::exists(m_path.string() + suffix, error))
            Renamed(m_path.string() + suffix, target + suffix);
    m_notice = "记录文件读不出来（" + why + "）：" + m_path.string() + " 已改名为 " + target +
               "，换用一个新的";
    return true;
}

std::string Store::takeNotice()
{
    return std::exchange(m_notice, {});
}

bool Store::failed(int code)
{
    return failed(code, m_db ? m_db->errorText() : std::string(sqlite3_errstr(code)));
}

bool Store::failed(int code, const std::string &why)
{
    m_error = why;
    if (IsBroken(code) && moveAside(why) && connect(true, false) != Connected::Ok)
        m_db.reset();
    return false;
}

bool Store::ready()
{
    m_error.clear();
    return m_db || failed(SQLITE_MISUSE, "the store is closed");
}

bool Store::execute(const char *sql)
{
    if (!m_db)
        return failed(SQLITE_MISUSE, "the store is closed");
    const int code = m_db->exec(sql);
    return code == SQLITE_OK || failed(code);
}

std::optional<SavedSearch> Store::find(std::string_view name)
{
    if (!ready())
        return std::nullopt;
    SqliteStatement query(m_db->handle(),
                          "SELECT id, keyword, filter, sort, merge FROM searches WHERE name = ?");
    query.bind(1, name);
    const int code = query.step();
    if (code == SQLITE_DONE)
        return std::nullopt;
    if (code != SQLITE_ROW)
        return failed(code), std::nullopt;
    SavedSearch search;
    search.id = query.integer(0);
    search.name = std::string(name);
    search.keyword = query.text(1);
    search.filter = query.text(2);
    search.sort = query.text(3);
    search.merge = query.integer(4) != 0;
    return search;
}

std::optional<std::vector<SavedSearchSummary>> Store::list()
{
    if (!ready())
        return std::nullopt;
    SqliteStatement query(
        m_db->handle(),
        "SELECT s.id, s.name, s.keyword, s.filter, s.sort, s.merge, r.finished, r.rows,"
        " r.new_files, r.complete FROM searches s LEFT JOIN runs r ON r.id ="
        " (SELECT max(id) FROM runs WHERE search = s.id) ORDER BY s.name");
    std::vector<SavedSearchSummary> searches;
    int code = SQLITE_OK;
    while ((code = query.step()) == SQLITE_ROW) {
        SavedSearchSummary summary;
        summary.search = {query.integer(0), query.text(1), query.text(2),
                          query.text(3),    query.text(4), query.integer(5) != 0};
        if (!query.isNull(6)) {
            summary.lastRun = query.integer(6);
            summary.rows = query.integer(7);
            summary.newFiles = query.integer(8);
            summary.complete = query.integer(9) != 0;
        }
        searches.push_back(std::move(summary));
    }
    if (code != SQLITE_DONE)
        return failed(code), std::nullopt;
    return searches;
}

bool Store::save(SavedSearch &search)
{
    if (!ready())
        return false;
    Transaction transaction(*m_db);
    if (transaction.began() != SQLITE_OK)
        return failed(transaction.began());
    SqliteStatement existing(m_db->handle(), "SELECT id, keyword FROM searches WHERE name = ?");
    existing.bind(1, search.name);
    int code = existing.step();
    if (code == SQLITE_ROW) {
        search.id = existing.integer(0);
        if (existing.text(1) != search.keyword) {
            for (const char *sql :
                 {"DELETE FROM seen WHERE search = ?", "DELETE FROM runs WHERE search = ?"}) {
                SqliteStatement forget(m_db->handle(), sql);
                if (code = forget.bind(1, search.id).step(); code != SQLITE_DONE)
                    return failed(code);
            }
        }
        SqliteStatement update(m_db->handle(), "UPDATE searches SET keyword = ?, filter = ?,"
                                               " sort = ?, merge = ? WHERE id = ?");
        update.bind(1, search.keyword).bind(2, search.filter).bind(3, search.sort);
        update.bind(4, std::int64_t{search.merge}).bind(5, search.id);
        code = update.step();
    } else if (code == SQLITE_DONE) {
        SqliteStatement insert(m_db->handle(),
                               "INSERT INTO searches(name, keyword, filter, sort, merge, created)"
                               " VALUES(?, ?, ?, ?, ?, ?)");
        insert.bind(1, search.name).bind(2, search.keyword).bind(3, search.filter);
        insert.bind(4, search.sort).bind(5, std::int64_t{search.merge});
        insert.bind(6, static_cast<std::int64_t>(std::time(nullptr)));
        code = insert.step();
        search.id = sqlite3_last_insert_rowid(m_db->handle());
    }
    if (code != SQLITE_DONE)
        return failed(code);
    if (code = transaction.commit(); code != SQLITE_OK)
        return failed(code);
    return true;
}

bool Store::forget(std::string_view name)
{
    m_error.clear();
    const std::optional<SavedSearch> search = find(name);
    if (!search)
        return false;
    Transaction transaction(*m_db);
    if (transaction.began() != SQLITE_OK)
        return failed(transaction.began());
    for (const char *sql :
         {"DELETE FROM seen WHERE search = ?", "DELETE FROM runs WHERE search = ?",
          "DELETE FROM searches WHERE id = ?"}) {
        SqliteStatement statement(m_db->handle(), sql);
        if (const int code = statement.bind(1, search->id).step(); code != SQLITE_DONE)
            return failed(code);
    }
    if (const int code = transaction.commit(); code != SQLITE_OK)
        return failed(code);
    return true;
}

bool Store::forgetAll()
{
    m_error.clear();
    return execute("BEGIN IMMEDIATE; DELETE FROM seen; DELETE FROM runs; DELETE FROM searches;"
                   " COMMIT") ||
           (m_db && m_db->exec("ROLLBACK"), false);
}

std::optional<SeenFiles> Store::seenFiles(std::int64_t searchId)
{
    if (!ready())
        return std::nullopt;
    // One read transaction: the files and whether a run stands behind them agree.
    if (const int code = m_db->exec("BEGIN"))
        return failed(code), std::nullopt;
    SqliteStatement runs(m_db->handle(), "SELECT count(*) FROM runs WHERE search = ?");
    int code = runs.bind(1, searchId).step();
    const bool baseline = code == SQLITE_ROW && runs.integer(0) > 0;
    std::vector<SeenFiles::Key> keys;
    bool readable = true;
    if (code == SQLITE_ROW) {
        SqliteStatement blocks(m_db->handle(),
                               "SELECT keys FROM seen WHERE search = ? ORDER BY block");
        blocks.bind(1, searchId);
        while (readable && (code = blocks.step()) == SQLITE_ROW)
            readable = SeenBlock::DecodeKeys(blocks.blob(0), keys);
    }
    m_db->exec("COMMIT");
    if (!readable || !std::is_sorted(keys.begin(), keys.end()))
        return failed(SQLITE_CORRUPT, "a block of seen files cannot be read"), std::nullopt;
    if (code != SQLITE_DONE)
        return failed(code), std::nullopt;
    return SeenFiles(std::move(keys), baseline);
}

std::optional<std::map<std::int64_t, SeenBlock>> Store::readBlocks(std::int64_t searchId)
{
    std::map<std::int64_t, SeenBlock> blocks;
    SqliteStatement query(m_db->handle(), "SELECT block, keys, times FROM seen WHERE search = ?");
    query.bind(1, searchId);
    int code = SQLITE_OK;
    while ((code = query.step()) == SQLITE_ROW) {
        SeenBlock &block = blocks[query.integer(0)];
        if (!SeenBlock::DecodeKeys(query.blob(1), block.keys) ||
            !SeenBlock::DecodeTimes(query.blob(2), block.times) ||
            block.keys.size() != block.times.size())
            return failed(SQLITE_CORRUPT, "a block of seen files cannot be read"), std::nullopt;
    }
    if (code != SQLITE_DONE)
        return failed(code), std::nullopt;
    return blocks;
}

namespace {

// The block's files with the run's (ascending, each once) seen now, and without those unseen
// since before `unseenBefore`.
void Merge(SeenBlock &block, const SeenFiles::Key *run, const SeenFiles::Key *runEnd,
           std::int64_t now, std::int64_t unseenBefore)
{
    SeenBlock merged;
    merged.keys.reserve(block.keys.size() + static_cast<std::size_t>(runEnd - run));
    merged.times.reserve(merged.keys.capacity());
    std::size_t i = 0;
    while (i < block.keys.size() || run != runEnd) {
        if (run == runEnd || (i < block.keys.size() && block.keys[i] < *run)) {
            if (block.times[i].last >= unseenBefore) {
                merged.keys.push_back(block.keys[i]);
                merged.times.push_back(block.times[i]);
            }
            ++i;
        } else if (i < block.keys.size() && block.keys[i] == *run) {
            merged.keys.push_back(block.keys[i]);
            merged.times.push_back({block.times[i].first, now});
            ++i;
            ++run;
        } else {
            merged.keys.push_back(*run++);
            merged.times.push_back({now, now});
        }
    }
    block = std::move(merged);
}

// Drops the `over` files unseen longest (then first seen longest ago) of all blocks.
void DropOldest(std::map<std::int64_t, SeenBlock> &blocks, std::size_t over)
{
    struct Age
    {
        SeenBlock::Times times;
        std::int64_t block;
        std::size_t index;
    };
    std::vector<Age> ages;
    for (auto &[number, block] : blocks)
        for (std::size_t i = 0; i < block.times.size(); ++i)
            ages.push_back({block.times[i], number, i});
    const auto older = [](const Age &a, const Age &b) {
        return std::tie(a.times.last, a.times.first) < std::tie(b.times.last, b.times.first);
    };
    std::nth_element(ages.begin(), ages.begin() + static_cast<std::ptrdiff_t>(over), ages.end(),
                     older);
    std::map<std::int64_t, std::vector<std::size_t>> dropped;
    for (std::size_t a = 0; a < over; ++a)
        dropped[ages[a].block].push_back(ages[a].index);
    for (auto &[number, indexes] : dropped) {
        SeenBlock &block = blocks[number];
        std::sort(indexes.begin(), indexes.end());
        SeenBlock kept;
        for (std::size_t i = 0, d = 0; i < block.keys.size(); ++i) {
            if (d < indexes.size() && indexes[d] == i) {
                ++d;
                continue;
            }
            kept.keys.push_back(block.keys[i]);
            kept.times.push_back(block.times[i]);
        }
        block = std::move(kept);
    }
}

} // namespace

bool Store::recordRun(std::int64_t searchId, std::vector<FileId> files, const RunRecord &run,
                      std::int64_t now)
{
    if (!ready())
        return false;
    // In key order, each once: each block's share is one stretch.
    std::vector<SeenFiles::Key> keys;
    keys.reserve(files.size());
    for (const FileId &file : files)
        keys.push_back(SeenFiles::KeyOf(file));
    files = {};
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());

    Transaction transaction(*m_db);
    if (transaction.began() != SQLITE_OK)
        return failed(transaction.began());
    SqliteStatement exists(m_db->handle(), "SELECT 1 FROM searches WHERE id = ?");
    int code = exists.bind(1, searchId).step();
    if (code == SQLITE_DONE) {
        m_error = "the saved search was deleted meanwhile";
        return false;
    }
    if (code != SQLITE_ROW)
        return failed(code);
    // Read inside the transaction: a run recorded meanwhile by another process is kept.
    std::optional<std::map<std::int64_t, SeenBlock>> blocks = readBlocks(searchId);
    if (!blocks)
        return false;
    for (auto at = keys.begin(); at != keys.end();) {
        const std::int64_t number = SeenBlock::BlockOf(*at);
        const auto end = std::find_if(at, keys.end(), [number](const auto &key) {
            return SeenBlock::BlockOf(key) != number;
        });
        (*blocks)[number]; // a block of new files only
        at = end;
    }
    std::size_t total = 0;
    auto run_at = keys.begin();
    for (auto &[number, block] : *blocks) {
        const auto from = std::find_if(run_at, keys.end(), [number = number](const auto &key) {
            return SeenBlock::BlockOf(key) >= number;
        });
        const auto to = std::find_if(from, keys.end(), [number = number](const auto &key) {
            return SeenBlock::BlockOf(key) != number;
        });
        Merge(block, keys.data() + (from - keys.begin()), keys.data() + (to - keys.begin()), now,
              now - m_unseenSeconds);
        total += block.keys.size();
        run_at = to;
    }
    if (total > static_cast<std::size_t>(m_maxFiles))
        DropOldest(*blocks, total - static_cast<std::size_t>(m_maxFiles));

    SqliteStatement write(m_db->handle(), "INSERT OR REPLACE INTO seen(search, block, keys, times)"
                                          " VALUES(?, ?, ?, ?)");
    SqliteStatement drop(m_db->handle(), "DELETE FROM seen WHERE search = ? AND block = ?");
    for (const auto &[number, block] : *blocks) {
        SqliteStatement &statement = block.keys.empty() ? drop : write;
        statement.bind(1, searchId).bind(2, number);
        std::string encodedKeys, encodedTimes;
        if (!block.keys.empty()) {
            encodedKeys = block.encodedKeys();
            encodedTimes = block.encodedTimes();
            statement.bindBlob(3, encodedKeys.data(), encodedKeys.size());
            statement.bindBlob(4, encodedTimes.data(), encodedTimes.size());
        }
        if (code = statement.step(); code != SQLITE_DONE)
            return failed(code);
        statement.reset();
    }
    SqliteStatement record(m_db->handle(),
                           "INSERT INTO runs(search, started, finished, rows, new_files, complete)"
                           " VALUES(?, ?, ?, ?, ?, ?)");
    record.bind(1, searchId).bind(2, run.started).bind(3, now).bind(4, run.rows);
    record.bind(5, run.newFiles).bind(6, std::int64_t{run.complete});
    if (code = record.step(); code != SQLITE_DONE)
        return failed(code);
    SqliteStatement runs(m_db->handle(),
                         "DELETE FROM runs WHERE search = ?1 AND id <= (SELECT id FROM runs"
                         " WHERE search = ?1 ORDER BY id DESC LIMIT 1 OFFSET ?2)");
    if (code = runs.bind(1, searchId).bind(2, std::int64_t{kRunsKept}).step(); code != SQLITE_DONE)
        return failed(code);
    if (code = transaction.commit(); code != SQLITE_OK)
        return failed(code);
    return true;
}

std::optional<bool> Store::historyEnabled()
{
    if (!ready())
        return std::nullopt;
    SqliteStatement query(m_db->handle(), "SELECT value FROM settings WHERE key = 'history'");
    const int code = query.step();
    if (code == SQLITE_DONE)
        return false;
    if (code != SQLITE_ROW)
        return failed(code), std::nullopt;
    return query.text(0) == "on";
}

bool Store::setHistoryEnabled(bool on)
{
    m_error.clear();
    if (on)
        return execute("INSERT OR REPLACE INTO settings(key, value) VALUES('history', 'on')");
    return execute(
               "BEGIN IMMEDIATE; DELETE FROM history;"
               " INSERT OR REPLACE INTO settings(key, value) VALUES('history', 'off'); COMMIT") ||
           (m_db && m_db->exec("ROLLBACK"), false);
}

namespace {

// Each level is a setting of its own: "backoff/" and the service's name.
constexpr std::string_view kBackoffKey = "backoff/";

} // namespace

std::optional<std::vector<Store::ServiceLevel>> Store::serviceLevels()
{
    if (!ready())
        return std::nullopt;
    SqliteStatement query(
        m_db->handle(),
        "SELECT substr(key, 9), value FROM settings WHERE substr(key, 1, 8) = ? ORDER BY key");
    query.bind(1, kBackoffKey);
    std::vector<ServiceLevel> levels;
    int code = SQLITE_ROW;
    while ((code = query.step()) == SQLITE_ROW) {
        ServiceLevel level{query.text(0)};
        const std::string value = query.text(1);
        const char *const end = value.data() + value.size();
        const auto [afterLevel, levelError] = std::from_chars(value.data(), end, level.level);
        if (levelError != std::errc() || afterLevel == end || *afterLevel != ' ')
            continue;
        const auto [afterUntil, untilError] = std::from_chars(afterLevel + 1, end, level.until);
        if (untilError == std::errc() && afterUntil == end && !level.service.empty())
            levels.push_back(std::move(level));
    }
    if (code != SQLITE_DONE)
        return failed(code), std::nullopt;
    return levels;
}

bool Store::setServiceLevels(const std::vector<ServiceLevel> &levels)
{
    if (!ready())
        return false;
    Transaction transaction(*m_db);
    if (transaction.began() != SQLITE_OK)
        return failed(transaction.began());
    SqliteStatement clear(m_db->handle(), "DELETE FROM settings WHERE substr(key, 1, 8) = ?");
    int code = clear.bind(1, kBackoffKey).step();
    if (code != SQLITE_DONE)
        return failed(code);
    SqliteStatement insert(m_db->handle(),
                           "INSERT OR REPLACE INTO settings(key, value) VALUES(?, ?)");
    for (const ServiceLevel &level : levels) {
        insert.reset();
        const std::string key = std::string(kBackoffKey) + level.service;
        const std::string value = std::to_string(level.level) + " " + std::to_string(level.until);
        if (code = insert.bind(1, key).bind(2, value).step(); code != SQLITE_DONE)
            return failed(code);
    }
    if (code = transaction.commit(); code != SQLITE_OK)
        return failed(code);
    return true;
}

bool Store::rememberKeyword(std::string_view keyword)
{
    const std::optional<bool> enabled = historyEnabled();
    if (!enabled || !*enabled || keyword.empty())
        return enabled.has_value();
    Transaction transaction(*m_db);
    if (transaction.began() != SQLITE_OK)
        return failed(transaction.began());
    SqliteStatement insert(m_db->handle(),
                           "INSERT OR REPLACE INTO history(keyword, used)"
                           " VALUES(?, (SELECT coalesce(max(used), 0) + 1 FROM history))");
    int code = insert.bind(1, keyword).step();
    if (code != SQLITE_DONE)
        return failed(code);
    SqliteStatement prune(m_db->handle(), "DELETE FROM history WHERE used <= (SELECT used FROM"
                                          " history ORDER BY used DESC LIMIT 1 OFFSET ?)");
    if (code = prune.bind(1, static_cast<std::int64_t>(kHistorySize)).step(); code != SQLITE_DONE)
        return failed(code);
    if (code = transaction.commit(); code != SQLITE_OK)
        return failed(code);
    return true;
}

std::optional<std::vector<std::string>> Store::keywords()
{
    if (!ready())
        return std::nullopt;
    SqliteStatement query(m_db->handle(), "SELECT keyword FROM history ORDER BY used DESC");
    std::vector<std::string> keywords;
    int code = SQLITE_OK;
    while ((code = query.step()) == SQLITE_ROW)
        keywords.push_back(query.text(0));
    if (code != SQLITE_DONE)
        return failed(code), std::nullopt;
    return keywords;
}

bool Store::clearHistory()
{
    m_error.clear();
    return execute("DELETE FROM history");
}

} // namespace jiujiu
