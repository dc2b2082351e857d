#include "desktoptree.h"
#include "net/openaddress.h"
#include "runtime/codepage.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

using jiujiu::OpenAddress;
using jiujiu::Text;
using jiujiu::Utf8ToText;
using jiujiu::Value;

namespace {

// Records what would have gone to the desktop.
class OpenAddressTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = jiujiu::SetAddressOpener(
            [this](const std::string &address) { m_opened.push_back(address); });
    }
    void TearDown() override { jiujiu::SetAddressOpener(m_previous); }

    std::vector<std::string> m_opened;
    jiujiu::AddressOpener m_previous;
};

TEST_F(OpenAddressTest, OnlyWebAndEd2kAddressesAreHandedOver)
{
    const struct
    {
        std::string address;
        bool opened;
    } cases[] = {
        {"http://jiujiu.example/?updata", true},
        {"https://jiujiu.example/?fb", true},
        {"HTTP://JIUJIU.EXAMPLE/", true},
        {"ed2k://|file|a b.avi|1|0123456789ABCDEF0123456789ABCDEF|/", true},
        {"ED2K://|server|127.0.0.1|4661|/", true},
        {"file:///etc/passwd", false},
        {"/usr/bin/xterm", false},
        {"xterm", false},
        {"javascript:alert(1)", false},
        {"mailto:someone@example.com", false},
        {"smb://host/share", false},
        {"ed2kx://|file|", false},
        {" http://jiujiu.example/", false},
        {"", false},
        {":", false},
    };
    int handed = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address);
        m_opened.clear();
        EXPECT_EQ(jiujiu::IsOpenableAddress(c.address), c.opened);
        OpenAddress(Value(c.address));
        ASSERT_EQ(m_opened.size(), c.opened ? 1u : 0u);
        if (c.opened) {
            EXPECT_EQ(m_opened.front(), c.address);
            ++handed;
        }
    }
    EXPECT_EQ(handed, 5);
}

TEST_F(OpenAddressTest, LinkIsHandedOverAsUtf8ByteForByte)
{
    const std::string link =
        "ed2k://|file|测试 文件&amp;名.avi|12345|0123456789ABCDEF0123456789ABCDEF|/";
    OpenAddress(Value(Utf8ToText(link)));
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened.front(), link);
}

TEST_F(OpenAddressTest, TextEndsAtItsNul)
{
    OpenAddress(Value(Text("http://jiujiu.example/\0file:///etc/passwd", 41)));
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened.front(), "http://jiujiu.example/");
    m_opened.clear();
    OpenAddress(Value(Text("\0http://jiujiu.example/", 23)));
    EXPECT_TRUE(m_opened.empty());
}

TEST_F(OpenAddressTest, OmittedAddressOpensTheDefaultWebAddress)
{
    OpenAddress();
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened.front(), jiujiu::TextToUtf8(jiujiu::DefaultWebAddress()));
    EXPECT_TRUE(m_opened.front().starts_with("http://"));
}

// A desktop with one ed2k handler of ours, which writes the address it got into a file.
class SystemOpenerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (jiujiu::test::FindProgram("gio").empty())
            GTEST_SKIP() << "gio is not installed";
        m_desktop.emplace("jiujiu_opener");
        m_output = m_desktop->root() / "received";
        const std::filesystem::path script = m_desktop->root() / "handler.sh";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << m_output.string()
                              << ".tmp' && mv '" << m_output.string() << ".tmp' '"
                              << m_output.string() << "'\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        m_desktop->registerEd2kHandler(script.string() + " %u");
    }
    // What the handler received; empty when it did not run within the bound.
    std::string Received()
    {
        for (int i = 0; i < 200; ++i) {
            if (std::filesystem::exists(m_output)) {
                std::ifstream in(m_output, std::ios::binary);
                return std::string(std::istreambuf_iterator<char>(in), {});
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }

    std::optional<jiujiu::test::DesktopTree> m_desktop;
    std::filesystem::path m_output;
};

TEST_F(SystemOpenerTest, GioHandsTheLinkToTheRegisteredClientUnchanged)
{
    const std::string link =
        "ed2k://|file|Some Movie &amp; More.avi|734003200|0123456789ABCDEF0123456789ABCDEF|/";
    jiujiu::OpenWithSystemOpener(link);
    EXPECT_EQ(Received(), link);
}

TEST_F(SystemOpenerTest, OpenAddressReachesTheClientWithChineseNames)
{
    const jiujiu::AddressOpener previous = jiujiu::SetAddressOpener(nullptr);
    const std::string link =
        "ed2k://|file|阿凡达 [高清]&amp;国语.mkv|1|0123456789ABCDEF0123456789ABCDEF|/";
    OpenAddress(Value(Utf8ToText(link)));
    jiujiu::SetAddressOpener(previous);
    EXPECT_EQ(Received(), link);
}

} // namespace
