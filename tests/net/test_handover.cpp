// HandOverAddress: the opener's verdict, learnt from its exit status, against stand-in openers
// first in PATH and against the real gio on a private desktop.
#include "desktoptree.h"
#include "net/openaddress.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>

using jiujiu::HandOff;
using jiujiu::HandOverAddress;
using jiujiu::Value;
using jiujiu::test::DesktopTree;
using jiujiu::test::FindProgram;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace jiujiu {
void PrintTo(HandOff outcome, std::ostream *out)
{
    static const char *const names[] = {"Taken", "Refused", "Rejected", "Undecided"};
    *out << names[static_cast<int>(outcome)];
}
} // namespace jiujiu

namespace {

const std::string kLink =
    "ed2k://|file|Tom & Jerry 第1集 [国语].mkv|734003200|0123456789ABCDEF0123456789ABCDEF|/";

// Counts how often the wait let the user interface run.
class CountingUi final : public jiujiu::UiServices
{
public:
    int dispatches = 0;
    int messageBox(const jiujiu::Text &, int, const jiujiu::Text &) override
    {
        return jiujiu::IdOk;
    }
    bool setClipboardText(const jiujiu::Text &) override { return true; }
    void clearClipboard() override {}
    bool dispatchPendingEvents() override
    {
        ++dispatches;
        return false;
    }
};

class HandOverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previousOpener = jiujiu::SetAddressOpener(nullptr);
        m_previousUi = jiujiu::SetUiServices(&ui);
        desktop.emplace("jiujiu_handover");
        m_bin = desktop->root() / "bin";
        fs::create_directories(m_bin);
    }
    void TearDown() override
    {
        jiujiu::SetUiServices(m_previousUi);
        jiujiu::SetAddressOpener(std::move(m_previousOpener));
    }

    // A "gio" first in PATH that records its arguments, one a line, then runs `body`.
    void fakeOpener(const std::string &body)
    {
        const fs::path script = m_bin / "gio";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << arguments().string()
                              << "'\n"
                              << body << "\n";
        fs::permissions(script, fs::perms::owner_all);
        const char *path = std::getenv("PATH");
        desktop->setEnvironment("PATH", m_bin.string() + ":" + (path ? path : "/usr/bin:/bin"));
    }
    fs::path arguments() const { return desktop->root() / "arguments"; }
    std::string recordedArguments() const
    {
        std::ifstream in(arguments(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    CountingUi ui;
    std::optional<DesktopTree> desktop;

private:
    fs::path m_bin;
    jiujiu::AddressOpener m_previousOpener;
    jiujiu::UiServices *m_previousUi = nullptr;
};

struct OpenerRow
{
    const char *behaviour;
    std::string body;
    std::chrono::milliseconds wait;
    HandOff expected;
};

TEST_F(HandOverTest, VerdictFollowsTheOpenersExitStatus)
{
    const OpenerRow rows[] = {
        {"exits 0: a program took it", "exit 0", 10s, HandOff::Taken},
        {"exits 2: no program for it", "exit 2", 10s, HandOff::Refused},
        {"exits 1 after a while", "sleep 0.2; exit 1", 10s, HandOff::Refused},
        {"killed by a signal", "kill -KILL $$", 10s, HandOff::Refused},
        {"still running when the wait ends", "sleep 2; exit 0", 150ms, HandOff::Undecided},
    };
    for (const OpenerRow &row : rows) {
        SCOPED_TRACE(row.behaviour);
        fs::remove(arguments());
        fakeOpener(row.body);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(HandOverAddress(Value(jiujiu::Utf8ToText(kLink)), row.wait), row.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - started, row.wait + 2s);
        // One argument each, the link byte for byte: no shell and no URL rewriting between.
        EXPECT_EQ(recordedArguments(), "open\n" + kLink + "\n");
    }
}

TEST_F(HandOverTest, NoOpenerOnThePathIsRefused)
{
    const fs::path empty = desktop->root() / "empty";
    fs::create_directories(empty);
    desktop->setEnvironment("PATH", empty.string());
    EXPECT_EQ(HandOverAddress(Value(jiujiu::Utf8ToText(kLink))), HandOff::Refused);
}

TEST_F(HandOverTest, AddressesNotHandedOverStartNothing)
{
    fakeOpener("exit 0");
    for (const char *address : {"file:///etc/passwd", "", "/usr/bin/xterm", "javascript:x"}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(HandOverAddress(Value(std::string(address))), HandOff::Rejected);
        EXPECT_FALSE(fs::exists(arguments()));
    }
}

TEST_F(HandOverTest, WindowsStayResponsiveWhileTheOpenerRuns)
{
    fakeOpener("sleep 0.3; exit 0");
    EXPECT_EQ(HandOverAddress(Value(jiujiu::Utf8ToText(kLink))), HandOff::Taken);
    // About one dispatch per 10 ms; a wait that blocks outright dispatches none.
    EXPECT_GE(ui.dispatches, 5);
}

TEST_F(HandOverTest, ReplacedOpenerAlwaysTakesTheAddress)
{
    std::vector<std::string> opened;
    jiujiu::SetAddressOpener([&opened](const std::string &address) { opened.push_back(address); });
    fakeOpener("exit 2");
    EXPECT_EQ(HandOverAddress(Value(jiujiu::Utf8ToText(kLink))), HandOff::Taken);
    EXPECT_EQ(opened, std::vector<std::string>{kLink});
    EXPECT_FALSE(fs::exists(arguments()));
    jiujiu::SetAddressOpener(nullptr);
}

struct DesktopRow
{
    const char *desktop;
    std::string handler; // Exec line of the registered ed2k handler; empty: none registered
    HandOff expected;
};

// The real gio on a private desktop.
TEST_F(HandOverTest, RealGioSaysWhetherAClientTookTheLink)
{
    if (FindProgram("gio").empty())
        GTEST_SKIP() << "gio is not installed";
    const DesktopRow rows[] = {
        {"no ed2k handler registered", "", HandOff::Refused},
        {"handler whose program is missing", "/nonexistent/ed2k-client %u", HandOff::Refused},
        {"a working handler", "/bin/true %u", HandOff::Taken},
    };
    for (const DesktopRow &row : rows) {
        SCOPED_TRACE(row.desktop);
        DesktopTree tree("jiujiu_handover_real");
        if (!row.handler.empty())
            tree.registerEd2kHandler(row.handler);
        EXPECT_EQ(HandOverAddress(Value(jiujiu::Utf8ToText(kLink))), row.expected);
    }
}

} // namespace
