#include "memorysearchwindow.h"
// The copy path end to end against a real ed2k client: ActOnSelectedResult -> OpenAddress's
// hand-off -> gio -> aMule's ed2k link tool -> amuled, checked by asking amuled (amulecmd).
#include "amuledaemon.h"
#include "desktoptree.h"
#include "net/openaddress.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/resultactions.h"
#include "search/searchwindow.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>
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
