// jiujiu-cli's saved searches against the demo service, with the store on disk: a round trip,
// a plain search that writes nothing, and the faults a store must survive.
#include "childprocess.h"
#include "scratchdirectory.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sqlite3.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using jiujiu::test::ChildProcess;
using jiujiu::test::DemoServiceProcess;
using jiujiu::test::OutputLines;
using jiujiu::test::ScratchDirectory;

struct Result
{
    int status = -1;
    std::string out, err;
};

// The archive series of `count` volumes, 50 rows a page.
std::vector<std::string> Service(int count)
{
    return {"--archive", std::to_string(count), "--rows-per-page", "50"};
}

class SavedSearches : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::permissions(m_scratch.path(), fs::perms::owner_all | fs::perms::group_exec |
                                              fs::perms::others_exec | fs::perms::others_read);
        fs::create_directories(m_home);
    }

    // The demo service with the archive series of `count` volumes, replacing the one before.
    void serve(int count)
    {
        m_service.reset();
        m_service = std::make_unique<DemoServiceProcess>(Service(count));
        ASSERT_FALSE(m_service->host().empty());
    }

    std::vector<std::string> environment() const
    {
        std::vector<std::string> env = m_service->environment();
        env.push_back("JIUJIU_STATE_DIR=" + m_state.string());
        return env;
    }

    Result run(std::vector<std::string> args, std::vector<std::string> prefix = {}) const
    {
        args.insert(args.begin(), JIUJIU_CLI);
        args.insert(args.begin(), prefix.begin(), prefix.end());
        ChildProcess child(args, environment());
        Result r;
        r.status = child.finish(&r.out, &r.err);
        return r;
    }

    // The volumes whose links a run printed, by number.
    static std::set<int> Volumes(const std::string &out)
    {
        std::set<int> volumes;
        for (const std::string &line : OutputLines(out))
            if (const auto at = line.find("第"); at != std::string::npos)
                volumes.insert(std::stoi(line.substr(at + 3, 6)));
        return volumes;
    }

    static std::set<int> Range(int first, int last)
    {
        std::set<int> numbers;
        for (int n = first; n <= last; ++n)
            numbers.insert(n);
        return numbers;
    }

    // A query's first number on the store, as a fresh connection sees it; -1 on an error.
    long long query(const char *sql) const
    {
        sqlite3 *db = nullptr;
        long long value = -1;
        if (sqlite3_open_v2(store().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt *statement = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW)
                value = sqlite3_column_int64(statement, 0);
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return value;
    }

    bool intact() const
    {
        return query("SELECT integrity_check = 'ok' FROM pragma_integrity_check") == 1;
    }
    fs::path store() const { return m_state / "store.db"; }

    ScratchDirectory m_scratch{"cli-saved"};
    fs::path m_home = m_scratch.path() / "home";
    fs::path m_state = m_scratch.path() / "state";
    std::unique_ptr<DemoServiceProcess> m_service;
};

} // namespace

TEST_F(SavedSearches, SaveRerunNewOnlyListForget)
{
    serve(40);
    Result r = run({"--save", "档案", "--filter", "zip", "--sort", "size:desc", "档案馆"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Volumes(r.out), Range(1, 40));
    r = run({"--list-saved"});
    EXPECT_EQ(r.status, 0);
    const auto listed = OutputLines(r.out);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_TRUE(listed[0].starts_with("档案\t档案馆\tzip\t20")) << listed[0];
    EXPECT_TRUE(listed[0].ends_with("Z\t40\t0")) << listed[0];

    // Fifteen more on the site: JSON marks exactly those, in the saved order.
    serve(55);
    r = run({"--saved", "档案", "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<int> marked;
    std::size_t objects = 0;
    for (const std::string &line : OutputLines(r.out)) {
        objects += line.find("\"new\": ") != std::string::npos;
        if (line.find("\"new\": true") != std::string::npos)
            marked.insert(*Volumes(line + "\n").begin());
    }
    EXPECT_EQ(objects, 55u);
    EXPECT_EQ(marked, Range(41, 55));
    EXPECT_TRUE(OutputLines(run({"--list-saved"}).out)[0].ends_with("\t55\t15"));
    // Recorded: nothing is new now; then five more.
    r = run({"--saved", "档案", "--new-only"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    serve(60);
    r = run({"--saved", "档案", "--new-only", "--format", "links"});
    EXPECT_EQ(Volumes(r.out), Range(56, 60));

    EXPECT_EQ(run({"--forget", "档案"}).status, 0);
    EXPECT_EQ(run({"--list-saved"}).out, "");
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--saved", "档案"}, {"--forget", "档案"}}) {
        r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.err.starts_with(args[0] + ": no saved search is named '档案'\n")) << r.err;
    }
}

// A saved search's runs keep the viewer services' back-off in the store: the next run does
// not ask the service that just failed; a plain search neither reads nor writes it.
TEST_F(SavedSearches, RunsKeepTheViewerServicesBackOff)
{
    serve(5);
    const std::string closed = "127.0.0.1:1";
    const std::string switched = "查看服务 " + closed + " 连不上";
    const std::vector<std::string> services = {"/usr/bin/env", "JIUJIU_VIEWER_HOST=" + closed +
                                                                   "," + m_service->host()};
    Result r = run({"--save", "档案", "档案馆"}, services);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(switched), std::string::npos) << r.err;
    // The run closed the store: no log of its changes is left beside it.
    EXPECT_FALSE(fs::exists(store().string() + "-wal"));
    EXPECT_EQ(query("SELECT count(*) FROM settings WHERE key = 'backoff/127.0.0.1:1'"), 1);
    r = run({"--saved", "档案"}, services);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find(switched), std::string::npos) << r.err;
    EXPECT_EQ(Volumes(r.out), Range(1, 5));
    r = run({"档案馆"}, services);
    EXPECT_NE(r.err.find(switched), std::string::npos) << r.err;
    EXPECT_TRUE(intact());
}

TEST_F(SavedSearches, OptionsThatDoNotGoTogetherAreUsageErrors)
{
    serve(1);
    const std::vector<std::string> cases[] = {
        {"--saved", "a", "档案馆"}, {"--saved", "a", "--filter", "zip"}, {"--new-only", "档案馆"},
        {"--notify", "档案馆"},     {"--save", "a", "--saved", "b"},     {"--list-saved", "档案馆"},
        {"--save", "", "档案馆"},
    };
    for (const auto &args : cases) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args[1];
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(m_state));
}

// Without --save or --saved nothing is written: a home that starts empty stays empty.
TEST_F(SavedSearches, PlainSearchWritesNothing)
{
    serve(60);
    std::vector<std::string> env = m_service->environment();
    for (const char *name : {"HOME=", "JIUJIU_STATE_DIR=", "XDG_STATE_HOME=", "XDG_CONFIG_HOME=",
                             "XDG_DATA_HOME=", "XDG_CACHE_HOME="})
        env.push_back(name == std::string("HOME=") ? "HOME=" + m_home.string() : name);
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{JIUJIU_CLI, "档案馆"},
          {JIUJIU_CLI, "--format", "json", "--merge", "--filter", "zip", "档案馆"},
          {JIUJIU_CLI, "--list-saved"}}) {
        ChildProcess child(args, env);
        std::string out;
        EXPECT_EQ(child.finish(&out), 0);
    }
    EXPECT_TRUE(fs::is_empty(m_home));
    EXPECT_FALSE(fs::exists(m_state));
}

// Runs killed at random moments, recording or not, leave a sound store with every run that
// ended recorded in full.
TEST_F(SavedSearches, KilledAtRandomMomentsKeepsEveryCompletedRun)
{
    serve(3000);
    ASSERT_EQ(run({"--save", "档案", "档案馆"}).status, 0);
    // Nothing new to print: the pipe never fills while nobody reads it.
    const std::vector<std::string> rerun = {"--saved", "档案", "--new-only"};
    const auto begun = std::chrono::steady_clock::now();
    ASSERT_EQ(run(rerun).status, 0);
    const auto duration = std::chrono::steady_clock::now() - begun;
    std::mt19937 random(27);
    std::uniform_int_distribution<long long> moment(
        0, std::chrono::duration_cast<std::chrono::microseconds>(duration).count() * 6 / 5);
    long long completed = 2;
    long long recorded = 2;
    int killed = 0;
    for (int i = 0; i < 30; ++i) {
        ChildProcess child({JIUJIU_CLI, rerun[0], rerun[1], rerun[2]}, environment());
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        child.signal(SIGKILL);
        const int status = child.finish();
        status == 0 ? ++completed : ++killed;
        ASSERT_TRUE(intact()) << "after run " << i;
        // A run killed just after its commit counts as recorded; one that ended always does.
        const long long before = recorded;
        recorded = query("SELECT count(*) FROM runs WHERE complete = 1 AND rows = 3000");
        if (status == 0)
            ASSERT_EQ(recorded, before + 1) << "after run " << i;
        else
            ASSERT_TRUE(recorded == before || recorded == before + 1) << "after run " << i;
        ASSERT_EQ(query("SELECT sum(length(keys)) / 24 FROM seen"), 3000);
    }
    EXPECT_GT(killed, 5);
    EXPECT_GT(completed, 2);
}

TEST_F(SavedSearches, TwoRunsOfOneSearchAtOnce)
{
    serve(3000);
    ASSERT_EQ(run({"--save", "档案", "档案馆"}).status, 0);
    serve(3500);
    ChildProcess a({JIUJIU_CLI, "--saved", "档案", "--new-only"}, environment());
    ChildProcess b({JIUJIU_CLI, "--saved", "档案", "--new-only"}, environment());
    Result ra, rb;
    ra.status = a.finish(&ra.out, &ra.err);
    rb.status = b.finish(&rb.out, &rb.err);
    // A run that began after the other had recorded has that run as its baseline: nothing new.
    int sawNew = 0;
    for (const Result *r : {&ra, &rb}) {
        EXPECT_EQ(r->status, 0) << r->err;
        const auto listed = Volumes(r->out);
        if (!listed.empty()) {
            EXPECT_EQ(listed, Range(3001, 3500));
            ++sawNew;
        }
        EXPECT_EQ(r->err.find("没有更新"), std::string::npos) << r->err;
    }
    EXPECT_GE(sawNew, 1);
    EXPECT_TRUE(intact());
    EXPECT_EQ(query("SELECT count(*) FROM runs"), 3);
    EXPECT_EQ(query("SELECT sum(length(keys)) / 24 FROM seen"), 3500);
}

// A file system that takes no more (here a file size limit): the rows print, the store says it
// was not updated and stays as it was, and the exit status is the search's.
TEST_F(SavedSearches, FullDiskWhileRecording)
{
    serve(100);
    ASSERT_EQ(run({"--save", "档案", "档案馆"}).status, 0);
    serve(3000);
    // Room for the -shm file, none for a page of the run (the pages are 64 KB).
    const std::uintmax_t limit = 32768 + 4096;
    const Result r =
        run({"--saved", "档案"}, {"/usr/bin/prlimit", "--fsize=" + std::to_string(limit), "--"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(OutputLines(r.out).size(), 3000u);
    EXPECT_NE(r.err.find("记录文件没有更新："), std::string::npos) << r.err;
    EXPECT_TRUE(intact());
    EXPECT_EQ(query("SELECT count(*) FROM runs"), 1);
    EXPECT_EQ(Volumes(run({"--saved", "档案", "--new-only"}).out), Range(101, 3000));
}

// A state directory the user cannot write: saved searches still run and mark, and say that
// the store was not updated; a new one cannot be saved, and the search runs all the same.
TEST_F(SavedSearches, ReadOnlyStateDirectory)
{
    serve(10);
    ASSERT_EQ(run({"--save", "档案", "档案馆"}).status, 0);
    serve(12);
    const auto readable = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                          fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(m_state, readable);
    for (const auto &entry : fs::directory_iterator(m_state))
        fs::permissions(entry.path(),
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // Root writes anywhere: the program runs as nobody then.
    const std::vector<std::string> asUser =
        geteuid() == 0 ? std::vector<std::string>{"/usr/bin/setpriv", "--reuid=65534",
                                                  "--regid=65534", "--clear-groups", "--"}
                       : std::vector<std::string>{};
    Result r = run({"--saved", "档案", "--new-only", "--format", "links"}, asUser);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Volumes(r.out), Range(11, 12));
    EXPECT_NE(r.err.find("记录文件没有更新："), std::string::npos) << r.err;
    r = run({"--save", "新的", "档案馆"}, asUser);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(OutputLines(r.out).size(), 12u);
    EXPECT_NE(r.err.find("搜索没有保存："), std::string::npos) << r.err;
    fs::permissions(m_state, fs::perms::owner_all);
    EXPECT_EQ(query("SELECT count(*) FROM runs"), 1);
}

// A store that is no store: renamed aside with both paths said, and saving goes on in a new one.
TEST_F(SavedSearches, GarbageStoreIsRenamedAside)
{
    serve(5);
    fs::create_directories(m_state);
    std::ofstream(store()) << std::string(5000, '#');
    Result r = run({"--saved", "档案"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(store().string() + " 已改名为 " + store().string() + ".broken-"),
              std::string::npos)
        << r.err;
    r = run({"--save", "档案", "档案馆"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(OutputLines(run({"--list-saved"}).out).size(), 1u);
}

#ifdef JIUJIU_NOTIFICATION_STANDIN
// --notify on a private session bus with a stand-in notification server: one notification with
// the count and the first names when there are new rows, none without; no bus: said, rows
// printed.
TEST_F(SavedSearches, NotifiesNewRowsOnTheSessionBus)
{
    ChildProcess bus({"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"});
    const std::string address = "DBUS_SESSION_BUS_ADDRESS=" + bus.readOutputLine();
    ASSERT_GT(address.size(), 30u);
    ChildProcess server({JIUJIU_NOTIFICATION_STANDIN}, {address});
    ASSERT_EQ(server.readOutputLine(), "ready");
    serve(10);
    ASSERT_EQ(run({"--save", "档案", "档案馆"}).status, 0);
    serve(17);
    const std::vector<std::string> watch = {"--saved", "档案", "--new-only", "--notify"};
    std::vector<std::string> args = watch;
    args.insert(args.begin(), {"/usr/bin/env", address, JIUJIU_CLI});
    ChildProcess cli(args, environment());
    std::string out, err;
    EXPECT_EQ(cli.finish(&out, &err), 0) << err;
    EXPECT_EQ(Volumes(out), Range(11, 17));
    std::string expected = "啾啾神器：“档案”有 7 个新资源\t";
    for (int n = 11; n <= 15; ++n)
        expected += "档案馆.第0000" + std::to_string(n) + "卷.zip" + (n < 15 ? "\\n" : "\\n……");
    EXPECT_EQ(server.readOutputLine(), expected);
    // Nothing new: no notification, so the next line the server prints is the next run's.
    ChildProcess quiet(args, environment());
    std::string quietOut;
    EXPECT_EQ(quiet.finish(&quietOut), 0);
    EXPECT_EQ(quietOut, "");
    serve(18);
    ChildProcess one(args, environment());
    EXPECT_EQ(one.finish(), 0);
    EXPECT_EQ(server.readOutputLine(), "啾啾神器：“档案”有 1 个新资源\t档案馆.第000018卷.zip");
    // No session bus at all.
    serve(19);
    const Result r = run(
        watch, {"/usr/bin/env", "DBUS_SESSION_BUS_ADDRESS=", "XDG_RUNTIME_DIR=" + m_home.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Volumes(r.out), Range(19, 19));
    EXPECT_NE(r.err.find("没有发出桌面通知：no session bus"), std::string::npos) << r.err;
}
#endif
