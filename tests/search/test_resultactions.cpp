#include "desktoptree.h"
#include "memorysearchwindow.h"
#include "net/openaddress.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/resultactions.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace jiujiu;

namespace {

struct Event
{
    std::string what;
    Text value;
    bool operator==(const Event &) const = default;
};

// Records every message box, clipboard change and hand-over in order.
class Recorder final : public UiServices
{
public:
    int answer = IdOk;
    bool clipboardWorks = true;
    std::vector<Event> events;
    std::vector<int> styles;

    int messageBox(const Text &text, int style, const Text &caption) override
    {
        events.push_back({"box " + TextToUtf8(caption), text});
        styles.push_back(style);
        return answer;
    }
    bool setClipboardText(const Text &text) override
    {
        events.push_back({"clipboard", text});
        return clipboardWorks;
    }
    void clearClipboard() override { events.push_back({"clear", {}}); }
    bool dispatchPendingEvents() override { return false; }
};

class ResultActionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("JIUJIU_CLOUDPLAY_HOST", "play.example:8080", 1);
        m_previous = SetUiServices(&ui);
        m_previousOpener = SetAddressOpener([this](const std::string &a) {
            ui.events.push_back({"open", Utf8ToText(a)});
        });
        const Text link = Utf8ToText(
            "ed2k://|file|Tom &amp; Jerry 第1集.mkv|123|0123456789ABCDEF0123456789ABCDEF|/");
        window.rows = {{"1", "n1", "1 MB", "3", link},
                       {"2", "n2", "2 MB", "4", "ed2k://|file|b|2|/"},
                       {"3", "n3", "", "", ""}};
    }
    void TearDown() override
    {
        SetUiServices(m_previous);
        SetAddressOpener(std::move(m_previousOpener));
    }

    void act()
    {
        ActOnSelectedResult(window, [this](const Text &address) {
            ui.events.push_back({"play", address});
        });
    }

    Recorder ui;
    test::MemorySearchWindow window;
    const Text question = Utf8ToText("使用云播放在线看吗？\r\n否则复制、下载！");

private:
    UiServices *m_previous = nullptr;
    AddressOpener m_previousOpener;
};

} // namespace

TEST_F(ResultActionsTest, NothingSelectedSaysSoAndAsksNothing)
{
    for (int selection : {-1, 7}) {
        ui.events.clear();
        window.selection = selection;
        act();
        ASSERT_EQ(ui.events, (std::vector<Event>{{"box 温馨提示", Utf8ToText("未正确选中！")}}));
        EXPECT_EQ(ui.styles.back() & 0xFF, 0);
    }
}

TEST_F(ResultActionsTest, OkPlaysTheLinkPercentEncoded)
{
    window.selection = 0;
    act();
    // "|", blanks, "&", ";" and Chinese (as UTF-8) encoded; ":" and "/" kept.
    const Text expected = "http://play.example:8080/iplay.html?uvs=_4_&url="
                          "ed2k://%7Cfile%7CTom%20%26amp%3B%20Jerry%20%E7%AC%AC1%E9%9B%86.mkv%7C123"
                          "%7C0123456789ABCDEF0123456789ABCDEF%7C/&tryplay=1&from=vodHome";
    EXPECT_EQ(ui.events, (std::vector<Event>{{"box 温馨提示", question}, {"play", expected}}));
    EXPECT_EQ(ui.styles[0] & 0xFF, MbOkCancel | MbIconQuestion);
}

TEST_F(ResultActionsTest, CancelCopiesThenHandsOverTheLinkAsShown)
{
    // 复制并下载, the second button of the question.
    window.selection = 0;
    ui.answer = IdCancel;
    act();
    const Text link = window.rows[0][4];
    EXPECT_EQ(ui.events,
              (std::vector<Event>{
                  {"box 温馨提示", question}, {"clear", {}}, {"clipboard", link}, {"open", link}}));
}

// A link that is not a well-formed ed2k file link reaches neither the cloud-play page nor the
// ed2k client, whichever answer would be given: the user is told why instead of asked.
TEST_F(ResultActionsTest, BrokenLinksAreRefusedWithTheReason)
{
    const struct
    {
        int row;
        const char *reason;
    } rows[] = {
        {1, "链接里的散列不是 32 位十六进制数"},
        {2, "这一行没有链接"},
    };
    for (const auto &row : rows) {
        for (int answer : {IdOk, IdCancel}) {
            SCOPED_TRACE(row.reason);
            ui.events.clear();
            ui.styles.clear();
            ui.answer = answer;
            window.selection = row.row;
            act();
            ASSERT_EQ(ui.events.size(), 1u);
            EXPECT_EQ(ui.events[0].what, "box 温馨提示");
            EXPECT_EQ(TextToUtf8(ui.events[0].value),
                      std::string("这个链接无效，不能云播放，也不能交给 ed2k 客户端：\r\n") +
                          row.reason + "\r\n可以复制链接，看看哪里不对。");
            EXPECT_EQ(ui.styles[0] & 0xFF, MbOk | MbIconWarning);
        }
    }
}

// Many rows at once: the sound links go on, the broken ones are named with their reasons.
TEST_F(ResultActionsTest, OnlySoundLinksOfManyAreHandedOn)
{
    std::vector<NamedLink> rows;
    for (const auto &row : window.rows)
        rows.push_back({row[NameColumn], row[LinkColumn]});
    EXPECT_EQ(LinksToHandOn(rows), (std::vector<Text>{window.rows[0][LinkColumn]}));
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(
        TextToUtf8(ui.events[0].value),
        "选中的链接里有 2 个无效，没有交给 ed2k 客户端：\r\n"
        "\u2068n2\u2069：链接里的散列不是 32 位十六进制数\r\n\u2068n3\u2069：这一行没有链接\r\n"
        "其余 1 个照常交出。")
        << "each name isolated";
    ui.events.clear();
    EXPECT_EQ(LinksToHandOn({rows[0], rows[0]}).size(), 2u);
    EXPECT_TRUE(ui.events.empty()) << "nothing to say about sound links";
}

TEST_F(ResultActionsTest, RowsAndSelectionStayAsTheyWere)
{
    const auto before = window.rows;
    window.selection = 1;
    act();
    ui.answer = IdCancel;
    act();
    EXPECT_EQ(window.rows, before);
    EXPECT_EQ(window.selection, 1);
}

// The copy path through the real gio on a private desktop: a link no client took is reported,
// and the link stays on the clipboard.
TEST_F(ResultActionsTest, CopyPathSaysWhenNoClientTookTheLink)
{
    if (test::FindProgram("gio").empty())
        GTEST_SKIP() << "gio is not installed";
    SetAddressOpener(nullptr);
    const Text link = window.rows[0][4];
    const Text warning = "box " + std::string("温馨提示");
    const struct
    {
        const char *desktop;
        bool handler;
        bool clipboardWorks;
        std::vector<Event> after; // what follows the question, the clearing and the copy
    } rows[] = {
        {"a client takes the link", true, true, {}},
        {"no client registered", false, true, {{warning, NoClientMessage(true)}}},
        {"no client, clipboard unavailable", false, false, {{warning, NoClientMessage(false)}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.desktop);
        test::DesktopTree desktop("jiujiu_actions");
        if (row.handler)
            desktop.registerEd2kHandler("/bin/true %u");
        ui.events.clear();
        ui.styles.clear();
        ui.answer = IdCancel;
        ui.clipboardWorks = row.clipboardWorks;
        window.selection = 0;
        act();
        std::vector<Event> expected{{"box 温馨提示", question}, {"clear", {}}, {"clipboard", link}};
        expected.insert(expected.end(), row.after.begin(), row.after.end());
        EXPECT_EQ(ui.events, expected);
        if (!row.after.empty()) {
            EXPECT_EQ(ui.styles.back() & 0xFF, MbOk | MbIconWarning);
        }
    }
}

TEST_F(ResultActionsTest, NoClientMessageTellsWhereTheLinkIs)
{
    const Text onClipboard = Utf8ToText("已复制到剪贴板");
    EXPECT_NE(NoClientMessage(true).find(onClipboard), Text::npos);
    // Never claims a copy that did not happen.
    EXPECT_EQ(NoClientMessage(false).find(onClipboard), Text::npos);
    for (bool copied : {true, false}) {
        const std::string text = TextToUtf8(NoClientMessage(copied));
        EXPECT_NE(text.find("ed2k"), std::string::npos) << text;
        EXPECT_NE(text.find("默认"), std::string::npos) << "how to fix it: " << text;
    }
}
