#include "ui/browsercontrol.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

class RecordingBrowser final : public BrowserControl
{
public:
    std::vector<std::pair<Text, Text>> navigations;
    void navigate(const Text &address, const Text &frame) override
    {
        navigations.emplace_back(address, frame);
    }
};

} // namespace

TEST(BrowserNavigate, AddressHelpFileAndFrame)
{
    const Text address = "http://cloudplay.example/iplay.html?uvs=_4_&url=ed2k://|file|a|1|h|/";
    struct Row
    {
        const char *what;
        Value help, frame;
        Text wantAddress, wantFrame;
    } rows[] = {
        {"both omitted", {}, {}, address, ""},
        {"empty help file", Value(""), {}, address, ""},
        {"help file", Value("manual.chm"), {}, "its:manual.chm::" + address, ""},
        {"frame", {}, Value("main"), address, "main"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        RecordingBrowser browser;
        BrowserNavigate(browser, address, row.help, row.frame);
        ASSERT_EQ(browser.navigations.size(), 1u);
        EXPECT_EQ(browser.navigations[0].first, row.wantAddress);
        EXPECT_EQ(browser.navigations[0].second, row.wantFrame);
    }
}

TEST(BrowserNavigate, HelpFormHoldsAtMost519Characters)
{
    const Text help = "h.chm"; // "its:" + help + "::" is 11 characters
    for (std::size_t length : {508u, 509u}) {
        SCOPED_TRACE(length);
        RecordingBrowser browser;
        BrowserNavigate(browser, Text(length, 'a'), Value(help));
        const bool fits = 11 + length <= 519;
        ASSERT_EQ(browser.navigations.size(), fits ? 1u : 0u);
        if (fits) {
            EXPECT_EQ(browser.navigations[0].first.size(), 519u);
        }
    }
    // Without a help file there is no such limit.
    RecordingBrowser browser;
    BrowserNavigate(browser, Text(2000, 'a'));
    ASSERT_EQ(browser.navigations.size(), 1u);
    EXPECT_EQ(browser.navigations[0].first.size(), 2000u);
}
