#include "memorysearchwindow.h"
// The copy path end to end against a real ed2k client: ActOnSelectedResult -> OpenAddress's
// hand-off -> gio -> aMule's ed2k link tool -> amuled, checked by asking amuled (amulecmd).
// And the client's files as a real amuled writes them: what it hashed, queued and cancelled
// found by the reader.
#include "amuledaemon.h"
#include "childprocess.h"
#include "desktoptree.h"
#include "ed2kclient/clientdirectory.h"
#include "ed2khash.h"
#include "net/openaddress.h"
#include "results/clientmarker.h"
#include "results/ed2klink.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/resultactions.h"
#include "search/searchwindow.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <thread>
#include <vector>

using namespace jiujiu;
using namespace std::chrono_literals;

namespace {

// Answers Cancel (copy and download) and keeps every message box it was shown.
class CancellingUi final : public UiServices
{
public:
    std::vector<std::string> boxes;
    Text clipboard;

    int messageBox(const Text &text, int, const Text &) override
    {
        boxes.push_back(TextToUtf8(text));
        return IdCancel;
    }
    bool setClipboardText(const Text &text) override
    {
        clipboard = text;
        return true;
    }
    void clearClipboard() override { clipboard.clear(); }
    bool dispatchPendingEvents() override { return false; }
};

struct Download
{
    const char *what;
    std::string hash;
    std::string name; // as the link spells it, and so as amuled must list it
    std::string link() const { return "ed2k://|file|" + name + "|734003200|" + hash + "|/"; }
};

class AmuleHandOffTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *program : {"amuled", "amulecmd", "ed2k", "gio"})
            if (test::FindProgram(program).empty())
                GTEST_SKIP() << program << " is not installed (amule-daemon, amule-utils, "
                             << "libglib2.0-bin)";
        m_previousUi = SetUiServices(&ui);
        m_previousOpener = SetAddressOpener(nullptr);
    }
    void TearDown() override
    {
        if (m_previousUi)
            SetUiServices(m_previousUi);
        SetAddressOpener(std::move(m_previousOpener));
    }

    CancellingUi ui;

private:
    UiServices *m_previousUi = nullptr;
    AddressOpener m_previousOpener;
};

TEST_F(AmuleHandOffTest, CopyPathQueuesTheDownloadInAmuled)
{
    test::DesktopTree desktop("jiujiu_amule");
    // amulecmd prints names in the locale's encoding.
    desktop.setEnvironment("LC_ALL", "C.UTF-8");
    // Debian's ed2k tool appends the link to ~/.aMule/ED2KLinks, which amuled reads.
    desktop.registerEd2kHandler(test::FindProgram("ed2k") + " %u");
    test::AmuleDaemon daemon(desktop.home(), test::FindProgram("amuled"));
    ASSERT_TRUE(daemon.started());
    ASSERT_TRUE(daemon.waitUntilReady(30s)) << daemon.log();

    const Download downloads[] = {
        {"ampersand, spaces and Chinese", "0123456789ABCDEF0123456789ABCDEF",
         "Tom & Jerry 猫和老鼠 第1集.mkv"},
        {"escape kept as the result page gives it", "FEDCBA9876543210FEDCBA9876543210",
         "阿凡达 [高清] &amp; 国语.mkv"},
    };
    test::MemorySearchWindow window;
    for (const Download &d : downloads)
        window.rows.push_back({std::to_string(window.rows.size() + 1), Utf8ToText(d.name), "700 MB",
                               "5", Utf8ToText(d.link())});
    for (std::size_t row = 0; row < window.rows.size(); ++row) {
        SCOPED_TRACE(downloads[row].what);
        window.selection = static_cast<int>(row);
        ActOnSelectedResult(window, nullptr);
        // Only the question: a warning would mean no client took the link.
        ASSERT_EQ(ui.boxes.size(), row + 1) << ui.boxes.back();
        EXPECT_EQ(TextToUtf8(ui.clipboard), downloads[row].link());
    }

    // amuled reads the links about once a second.
    const std::string amulecmd = test::FindProgram("amulecmd");
    std::map<std::string, std::string> listed;
    std::string error;
    for (auto deadline = std::chrono::steady_clock::now() + 30s;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(500ms)) {
        listed = daemon.downloads(amulecmd, &error);
        if (listed.size() >= std::size(downloads))
            break;
    }
    for (const Download &d : downloads) {
        SCOPED_TRACE(d.what);
        ASSERT_TRUE(listed.contains(d.hash)) << error << daemon.log();
        EXPECT_EQ(listed[d.hash], d.name);
    }
    EXPECT_EQ(listed.size(), std::size(downloads)) << error;
    EXPECT_TRUE(daemon.stop(20s)) << daemon.log();
}

} // namespace

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Reads the client's directory until the condition holds of it; the last state read.
ClientState WaitForState(const fs::path &dir, const std::function<bool(const ClientState &)> &ok)
{
    ClientState state;
    for (auto deadline = std::chrono::steady_clock::now() + 30s;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(200ms)) {
        state = ReadClientState(dir);
        if (ok(state))
            break;
    }
    return state;
}

} // namespace

TEST(AmuleClientFiles, ReaderFindsWhatAmuledHashedQueuedAndCancelled)
{
    for (const char *program : {"amuled", "amulecmd", "ed2k"})
        if (test::FindProgram(program).empty())
            GTEST_SKIP() << program << " is not installed (amule-daemon, amule-utils)";
    const std::string shared = test::SampleFileBytes(300000);
    const auto sharedHash = test::Ed2kHashOfOnePart(shared);
    if (!sharedHash)
        GTEST_SKIP() << "OpenSSL has no MD4 (its legacy provider) to check the hash with";

    test::DesktopTree desktop("jiujiu_amule_files");
    desktop.setEnvironment("LC_ALL", "C.UTF-8");
    const fs::path config = desktop.home() / ".aMule";
    // In its shared folder before it starts: it hashes the file at once.
    fs::create_directories(config / "Incoming");
    std::ofstream(config / "Incoming" / "shared.bin", std::ios::binary) << shared;
    test::AmuleDaemon daemon(desktop.home(), test::FindProgram("amuled"));
    ASSERT_TRUE(daemon.started());
    ASSERT_TRUE(daemon.waitUntilReady(30s)) << daemon.log();

    const Ed2kLink sharedLink =
        Ed2kLink::Parse("ed2k://|file|shared.bin|300000|" + *sharedHash + "|/");
    // One under 4 GiB, one over it (the client writes those in another version).
    const Ed2kLink queued = Ed2kLink::Parse(
        "ed2k://|file|下载中 大文件.iso|5000000000|00112233445566778899AABBCCDDEEFF|/");
    const Ed2kLink cancelled =
        Ed2kLink::Parse("ed2k://|file|cancel me.avi|734003200|FEDCBA9876543210FEDCBA9876543210|/");
    const auto file = [](const Ed2kLink &link) { return *link.file(); };

    for (const Ed2kLink *link : {&queued, &cancelled}) {
        const std::string text = "ed2k://|file|" + link->name + "|" + std::to_string(*link->size) +
                                 "|" + Md4Hex(*link->hash) + "|/";
        test::ChildProcess tool({test::FindProgram("ed2k"), "-c", config.string() + "/", text});
        ASSERT_EQ(tool.finish(), 0) << text;
    }
    // Part files are written as a download is queued.
    ClientState state = WaitForState(config, [&](const ClientState &s) {
        return s.download(file(queued)) && s.download(file(cancelled));
    });
    for (const Ed2kLink *link : {&queued, &cancelled}) {
        SCOPED_TRACE(link->name);
        const PartMet *download = state.download(file(*link));
        ASSERT_NE(download, nullptr) << "no .part.met: " << daemon.log();
        EXPECT_EQ(download->doneBytes, 0u) << "nothing can have arrived";
    }

    std::string output;
    ASSERT_TRUE(
        daemon.command(test::FindProgram("amulecmd"), "cancel " + Md4Hex(*cancelled.hash), &output))
        << output;
    state = WaitForState(config, [&](const ClientState &s) {
        return s.isCancelled(file(cancelled).hash) && !s.download(file(cancelled));
    });
    EXPECT_TRUE(state.isCancelled(file(cancelled).hash)) << "canceled.met: " << daemon.log();

    // known.met is written when the client has hashed what it found at start, or at the latest
    // when it ends.
    ASSERT_TRUE(daemon.stop(20s)) << daemon.log();
    state = ReadClientState(config);
    ASSERT_TRUE(state.isKnown(file(sharedLink))) << "known.met holds " << state.knownCount()
                                                 << " files, none " << *sharedHash << "; its log:\n"
                                                 << ReadAll(config / "logfile");
    EXPECT_TRUE(state.download(file(queued)));
    EXPECT_FALSE(state.download(file(cancelled)));

    // What the rows of those links read.
    const ClientMarker marker(std::make_shared<const ClientState>(state));
    EXPECT_EQ(marker.markOf(sharedLink), (RowMark{RowStatus::Known, std::nullopt}));
    EXPECT_EQ(marker.markOf(queued), (RowMark{RowStatus::Downloading, 0}));
    EXPECT_EQ(marker.markOf(cancelled), (RowMark{RowStatus::Cancelled, std::nullopt}));
}
