// The store against its own file: where it lives, what is new, pruning, history, and files
// that are not a store it can read.
#include "scratchdirectory.h"
#include "store/seenfiles.h"
#include "store/store.h"
#include "store/storelocation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using jiujiu::FileId;
using jiujiu::RunRecord;
using jiujiu::SavedSearch;
using jiujiu::SeenFiles;
using jiujiu::Store;
using jiujiu::test::ScratchDirectory;

// File n: its number spread over the hash (both halves, high bits set too), its size n.
FileId File(int n)
{
    FileId file;
    for (std::size_t i = 0; i < 16; ++i)
        file.hash[i] = static_cast<std::uint8_t>((n * 37 + static_cast<int>(i) * 101) ^ (n >> 8));
    file.size = static_cast<std::uint64_t>(n) + 1;
    return file;
}

std::vector<FileId> Files(const std::set<int> &numbers)
{
    std::vector<FileId> files;
    for (int n : numbers)
        files.push_back(File(n));
    return files;
}

std::string Contents(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::unique_ptr<Store> Made(const fs::path &path)
{
    Store::Opening opening = Store::Open(path, Store::Mode::Create);
    EXPECT_TRUE(opening.store) << opening.error;
    EXPECT_EQ(opening.notice, "");
    return std::move(opening.store);
}

SavedSearch Saved(Store &store, const std::string &name, const std::string &keyword)
{
    SavedSearch search{0, name, keyword, "size>=1MB -sample", "size:desc", true};
    EXPECT_TRUE(store.save(search)) << store.error();
    return search;
}

class Environment final
{
public:
    Environment(const char *name, const char *value) : m_name(name)
    {
        if (const char *old = std::getenv(name))
            m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~Environment() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

private:
    const char *m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(StoreLocation, OwnVariableThenXdgStateThenHome)
{
    struct Case
    {
        const char *own, *xdg, *home, *expected;
    } const cases[] = {
        {"/s/own", "/x", "/h", "/s/own/store.db"},
        {"", "/x", "/h", "/x/jiujiu/store.db"},
        {nullptr, "relative", "/h", "/h/.local/state/jiujiu/store.db"}, // XDG ignores relative
        {nullptr, nullptr, "/h", "/h/.local/state/jiujiu/store.db"},
        {nullptr, "", "", ""},
    };
    for (const Case &c : cases) {
        const Environment own("JIUJIU_STATE_DIR", c.own), xdg("XDG_STATE_HOME", c.xdg),
            home("HOME", c.home);
        EXPECT_EQ(jiujiu::StorePath().string(), c.expected) << c.own << " " << c.xdg;
    }
}

TEST(Store, MadeOnlyWhenAskedFor)
{
    const ScratchDirectory scratch("store");
    const fs::path path = scratch.path() / "state" / "jiujiu" / "store.db";
    Store::Opening existing = Store::Open(path, Store::Mode::Existing);
    EXPECT_FALSE(existing.store);
    EXPECT_EQ(existing.error, "");
    EXPECT_FALSE(fs::exists(scratch.path() / "state"));
    EXPECT_TRUE(Made(path));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::status(path.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
}

// Each run lists files; a file is new when no earlier run listed it, from the second run on.
TEST(Store, NewSinceEarlierRuns)
{
    const ScratchDirectory scratch("store");
    auto store = Made(scratch.path() / "store.db");
    SavedSearch search = Saved(*store, "剧集", "啾啾");
    struct Run
    {
        std::set<int> listed;
        bool complete;
        std::set<int> expectedNew;
    } const runs[] = {
        {{1, 2, 3}, true, {}},           // the baseline
        {{1, 2, 3, 4, 5}, true, {4, 5}}, // two appeared
        {{1, 2}, false, {}},             // incomplete: 3, 4, 5 are not gone
        {{1, 2, 3, 4, 5, 6}, true, {6}}, // so only 6 is new
        {{6, 7, 7, 8}, true, {7, 8}},    // a file listed twice counts once
    };
    std::int64_t now = 1000000;
    for (const Run &run : runs) {
        auto seen = store->seenFiles(search.id);
        ASSERT_TRUE(seen) << store->error();
        std::set<int> fresh;
        for (int n = 0; n < 10; ++n)
            if (seen->isNew(File(n)))
                fresh.insert(n);
        std::set<int> expectedAmongListed;
        for (int n : fresh)
            if (run.listed.count(n))
                expectedAmongListed.insert(n);
        EXPECT_EQ(expectedAmongListed, run.expectedNew);
        EXPECT_FALSE(seen->isNew(std::nullopt)); // a row without a well-formed link
        std::vector<FileId> files = Files(run.listed);
        if (run.listed.count(7))
            files.push_back(File(7));
        const std::int64_t newFiles = seen->countNew(files);
        EXPECT_EQ(newFiles, static_cast<std::int64_t>(run.expectedNew.size()));
        ASSERT_TRUE(store->recordRun(
            search.id, files,
            {now, static_cast<std::int64_t>(files.size()), newFiles, run.complete}, now + 5))
            << store->error();
        now += 3600;
        const auto list = store->list();
        ASSERT_TRUE(list && list->size() == 1);
        EXPECT_EQ(list->front().newFiles, newFiles);
        EXPECT_EQ(list->front().complete, run.complete);
        EXPECT_EQ(list->front().lastRun, now - 3600 + 5);
    }
    // The same keyword saved again keeps what was seen; another keyword starts over.
    search.filter = "type:视频";
    ASSERT_TRUE(store->save(search));
    EXPECT_TRUE(store->seenFiles(search.id)->hasBaseline());
    search.keyword = "别的";
    ASSERT_TRUE(store->save(search));
    EXPECT_FALSE(store->seenFiles(search.id)->hasBaseline());
    EXPECT_EQ(store->seenFiles(search.id)->size(), 0u);
    EXPECT_EQ(store->find("剧集")->filter, "type:视频");
    EXPECT_TRUE(store->forget("剧集"));
    EXPECT_FALSE(store->forget("剧集"));
    EXPECT_EQ(store->error(), "");
}

TEST(Store, ForgetsFilesUnseenTooLongAndTheOldestPastTheBound)
{
    const ScratchDirectory scratch("store");
    auto store = Made(scratch.path() / "store.db");
    const SavedSearch search = Saved(*store, "a", "a");
    store->setPruning(100, 4);
    const auto record = [&](std::set<int> files, std::int64_t now) {
        ASSERT_TRUE(store->recordRun(search.id, Files(files), {now, 1, 0, true}, now));
    };
    const auto kept = [&] {
        std::set<int> numbers;
        const auto seen = store->seenFiles(search.id);
        for (int n = 0; n < 10; ++n)
            if (!seen->isNew(File(n)))
                numbers.insert(n);
        return numbers;
    };
    record({1, 2, 3}, 1000);
    record({2, 3, 4, 5}, 1090);
    EXPECT_EQ(kept(), (std::set<int>{2, 3, 4, 5})); // five files, bound four: 1 went
    record({5}, 1150);
    EXPECT_EQ(kept(), (std::set<int>{2, 3, 4, 5}));
    record({5}, 1200); // 2, 3, 4 unseen for 110 s
    EXPECT_EQ(kept(), (std::set<int>{5}));
}

TEST(Store, HistoryOnlyWhenTurnedOnAndTheLatestFifty)
{
    const ScratchDirectory scratch("store");
    auto store = Made(scratch.path() / "store.db");
    EXPECT_EQ(store->historyEnabled(), false);
    EXPECT_TRUE(store->rememberKeyword("不记"));
    EXPECT_TRUE(store->keywords()->empty());
    ASSERT_TRUE(store->setHistoryEnabled(true));
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(store->rememberKeyword("词" + std::to_string(i)));
    ASSERT_TRUE(store->rememberKeyword("词20")); // used again: the latest
    const auto keywords = *store->keywords();
    ASSERT_EQ(keywords.size(), Store::kHistorySize);
    EXPECT_EQ(keywords[0], "词20");
    EXPECT_EQ(keywords[1], "词59");
    EXPECT_EQ(keywords.back(), "词10"); // 0 to 9 fell out
    ASSERT_TRUE(store->setHistoryEnabled(false));
    EXPECT_TRUE(store->keywords()->empty());
    EXPECT_EQ(store->historyEnabled(), false);
}

// A file that is no store this program can read is renamed aside whole, the notice names both
// paths, and a new store takes its place.
TEST(Store, BrokenFilesAreRenamedAsideNeverDeleted)
{
    struct Case
    {
        const char *name;
        void (*make)(const fs::path &);
    } const cases[] = {
        {"garbage",
         [](const fs::path &p) { std::ofstream(p, std::ios::binary) << std::string(9000, 'x'); }},
        {"truncated",
         [](const fs::path &p) {
             {
                 auto store = Made(p);
                 const SavedSearch search = Saved(*store, "kept", "k");
                 std::set<int> many;
                 for (int n = 0; n < 20000; ++n)
                     many.insert(n);
                 ASSERT_TRUE(store->recordRun(search.id, Files(many), {1, 1, 0, true}, 1));
             }
             fs::resize_file(p, fs::file_size(p) / 2);
         }},
        {"future schema",
         [](const fs::path &p) {
             Made(p).reset();
             sqlite3 *db = nullptr;
             sqlite3_open(p.c_str(), &db);
             sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         }},
        {"another program's database",
         [](const fs::path &p) {
             sqlite3 *db = nullptr;
             sqlite3_open(p.c_str(), &db);
             sqlite3_exec(db, "CREATE TABLE notes(t TEXT)", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ScratchDirectory scratch("store");
        const fs::path path = scratch.path() / "store.db";
        c.make(path);
        const std::string before = Contents(path);
        ASSERT_FALSE(before.empty());
        Store::Opening opening = Store::Open(path, Store::Mode::Existing);
        ASSERT_TRUE(opening.store) << opening.error;
        std::string notice = opening.notice;
        // A file cut short may read as a store until the part that is missing is read.
        if (const auto kept = opening.store->find("kept")) {
            EXPECT_FALSE(opening.store->seenFiles(kept->id));
            notice = opening.store->takeNotice();
        }
        std::vector<fs::path> aside;
        for (const auto &entry : fs::directory_iterator(scratch.path()))
            if (entry.path().filename().string().starts_with("store.db.broken-") &&
                !entry.path().string().ends_with("-wal") &&
                !entry.path().string().ends_with("-shm"))
                aside.push_back(entry.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_TRUE(Contents(aside[0]) == before) << "the file renamed aside was changed";
        EXPECT_NE(notice.find(path.string() + " "), std::string::npos) << notice;
        EXPECT_NE(notice.find(aside[0].string()), std::string::npos) << notice;
        // The new store works.
        Saved(*opening.store, "new", "n");
        EXPECT_TRUE(opening.store->find("new"));
        EXPECT_FALSE(opening.store->find("kept"));
    }
}

// An empty file is a store of version 0: it is carried forward to the current schema.
TEST(Store, EarlierVersionsAreCarriedForward)
{
    const ScratchDirectory scratch("store");
    const fs::path path = scratch.path() / "store.db";
    std::ofstream(path).close();
    Store::Opening opening = Store::Open(path, Store::Mode::Existing);
    ASSERT_TRUE(opening.store) << opening.error;
    EXPECT_EQ(opening.notice, "");
    Saved(*opening.store, "a", "a");
    opening.store.reset();
    sqlite3 *db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), Store::kSchemaVersion);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

// The viewer services' back-off as kept: each set replaces the last whole, and entries of a
// forged store that cannot be read are left out.
TEST(Store, ServiceLevelsAsKeptWithForgedEntriesLeftOut)
{
    const ScratchDirectory scratch("store");
    const fs::path path = scratch.path() / "store.db";
    const std::unique_ptr<Store> store = Made(path);
    ASSERT_TRUE(store);
    using Level = Store::ServiceLevel;
    const std::vector<Level> kept = {{"a.example:80", 2, 1700000000}, {"direct", 6, 1700003600}};
    ASSERT_TRUE(store->setServiceLevels(kept));
    EXPECT_EQ(store->serviceLevels(), kept);

    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const char *const forged[][2] = {
        {"backoff/b", "x"},
        {"backoff/c", "3"},
        {"backoff/d", "3 "},
        {"backoff/e", "3 12 4"},
        {"backoff/f", " 3 12"},
        {"backoff/g", "3 12x"},
        {"backoff/h", "99999999999 1"},
        {"backoff/", "1 5"},
        {"backoff/i", "1 5"},
    };
    for (const auto &entry : forged) {
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO settings(key, value) VALUES(?, ?)", -1, &insert,
                           nullptr);
        sqlite3_bind_text(insert, 1, entry[0], -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, entry[1], -1, SQLITE_STATIC);
        EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_finalize(insert);
    }
    sqlite3_close(db);
    std::vector<Level> read = kept;
    read.push_back({"i", 1, 5});
    EXPECT_EQ(store->serviceLevels(), read);

    ASSERT_TRUE(store->setServiceLevels({{"c", 1, 9}}));
    EXPECT_EQ(store->serviceLevels(), (std::vector<Level>{{"c", 1, 9}}));
    EXPECT_EQ(store->historyEnabled(), false); // the other settings stay as they were
}
