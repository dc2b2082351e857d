#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/regexobject.h"
#include "search/searchwindow.h"
#include "search/searchworkflow.h"
#include "testserver.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <thread>

using namespace jiujiu;

namespace {

Text G(const char *utf8)
{
    return Utf8ToText(utf8);
}

// Pages exactly as the viewer service answers: UTF-8, the site's source HTML-escaped.
std::string TotalLine(const std::string &total)
{
    return "&lt;table&gt;\n&lt;tr&gt;\n&lt;td&gt;结果总数" + total + "&lt;/td&gt;\n&lt;/tr&gt;\n";
}

std::string NameCell(const std::string &name)
{
    return "&lt;tr&gt;\n    &lt;td&gt;" + name + " \n    &lt;/td&gt;\n";
}

std::string SizeCell(const std::string &size)
{
    return "    &lt;td width=&#39;70&#39; align=&#39;right&#39;&gt;" + size +
           "\n    \n    &lt;/td&gt;\n";
}

std::string SourcesCell(const std::string &sources)
{
    return "    &lt;td width=&#39;100&#39; align=&#39;right&#39;&gt;" + sources +
           " \n    &lt;/td&gt;\n    &lt;td width=&#39;140&#39; align=&#39;right&#39;&gt;\n";
}

std::string LinkCell(const std::string &link)
{
    return "    &lt;span id=&#39;btns&#39;&gt;\n    &lt;a class=&#39;dl&#39; href=&quot;" + link +
           "&quot;&gt;下载&lt;/a&gt;&lt;/span&gt;\n    &lt;/td&gt;\n&lt;/tr&gt;\n";
}

std::string Row(const std::string &name, const std::string &size, const std::string &sources,
                const std::string &link)
{
    return NameCell(name) + SizeCell(size) + SourcesCell(sources) + LinkCell(link);
}

std::string LastPageLink(const std::string &page)
{
    return "&lt;a href=&quot;/search/x?page=" + page + "&amp;mode=list&quot;&gt;尾页&lt;/a&gt;\n";
}

std::string Viewer(const std::string &escapedSource)
{
    return "<html><head><meta charset=\"utf-8\"><title>源代码</title></head><body><pre>" +
           escapedSource + "</pre></body></html>";
}

std::string Link(int n)
{
    return "ed2k://|file|file" + std::to_string(n) + ".mkv|" + std::to_string(1000 + n) +
           "|0123456789ABCDEF0123456789ABCDEF|/";
}

// A loopback viewer service answering each POST with page(requestNumber, body). Bodies are
// recorded before the answer goes out, so they are all there once a search returns.
class ViewerServer
{
public:
    using Responder = std::function<std::string(int request, const std::string &body)>;

    explicit ViewerServer(Responder responder) : m_responder(std::move(responder))
    {
        m_server.server().Post(
            "/Tools/PageCode.aspx", [this](const httplib::Request &req, httplib::Response &res) {
                int n = 0;
                {
                    std::lock_guard lock(m_mutex);
                    m_bodies.push_back(req.body);
                    n = static_cast<int>(m_bodies.size());
                }
                res.set_content(m_responder(n, req.body), "text/html; charset=utf-8");
            });
        EXPECT_TRUE(m_server.start());
        ::setenv("JIUJIU_VIEWER_HOST", ("127.0.0.1:" + std::to_string(m_server.port())).c_str(), 1);
        ::setenv("JIUJIU_SEARCH_HOST", "search.example", 1);
    }

    std::vector<std::string> bodies()
    {
        std::lock_guard lock(m_mutex);
        return m_bodies;
    }

private:
    Responder m_responder;
    std::mutex m_mutex;
    std::vector<std::string> m_bodies;
    test::TestServer m_server;
};

class FakeWindow final : public SearchWindow
{
public:
    Text keywordText;
    int page = 0;
    Text announcement = "announcement";
    std::vector<std::vector<Text>> rows;
    std::vector<bool> enabledChanges;
    std::function<void()> onKeywordRead;

    Text keyword() override
    {
        if (onKeywordRead)
            onKeywordRead();
        return keywordText;
    }
    void setCurrentPage(int p) override { page = p; }
    void setAnnouncement(const Text &text) override { announcement = text; }
    void deleteAllRows() override { rows.clear(); }
    int appendRow(const Text &caption) override
    {
        rows.push_back({caption, {}, {}, {}, {}});
        return static_cast<int>(rows.size() - 1);
    }
    void setCell(int row, int column, const Text &text) override
    {
        rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) = text;
    }
    Text cellText(int row, int column) override
    {
        if (row < 0 || static_cast<std::size_t>(row) >= rows.size() || column < 0 || column > 4)
            return {};
        return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    int currentSelection() override { return -1; }
    void setSearchEnabled(bool enabled) override { enabledChanges.push_back(enabled); }
};

class RecordingUi final : public UiServices
{
public:
    std::vector<std::pair<Text, Text>> messages; // caption, text
    std::function<void()> onDispatch;

    int messageBox(const Text &text, int, const Text &caption) override
    {
        messages.emplace_back(caption, text);
        return IdOk;
    }
    bool setClipboardText(const Text &) override { return true; }
    void clearClipboard() override {}
    bool dispatchPendingEvents() override
    {
        if (!onDispatch)
            return false;
        auto once = std::move(onDispatch);
        onDispatch = nullptr;
        once();
        return true;
    }
};

class SearchWorkflowTest : public ::testing::Test
{
protected:
    void SetUp() override { m_previous = SetUiServices(&ui); }
    void TearDown() override { SetUiServices(m_previous); }

    SearchOutcome search(const Text &keyword)
    {
        window.keywordText = keyword;
        return workflow.StartSearch();
    }

    const Text &cell(std::size_t row, std::size_t column) { return window.rows.at(row).at(column); }

    RecordingUi ui;
    FakeWindow window;
    RegexObject regex;
    SearchWorkflow workflow{window, regex};

private:
    UiServices *m_previous = nullptr;
};

const std::string kAbcBody =
    "q=search.example%2F%2Fsearch%2F%61%62%63%3Fpage%3D1%26mode%3Dlist&searchMode=1";

} // namespace

TEST_F(SearchWorkflowTest, BodyForAbcIsExactAndPageOneIsAskedTwice)
{
    ViewerServer server([](int, const std::string &) {
        return Viewer(TotalLine("1") + Row("one", "1 MB", "3", Link(1)));
    });
    EXPECT_EQ(search("abc"), SearchOutcome::Listed);
    const auto bodies = server.bodies();
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_EQ(bodies[0], kAbcBody);
    EXPECT_EQ(bodies[1], kAbcBody);
    EXPECT_EQ(SearchRequestBody("abc", 1), kAbcBody);
}

TEST_F(SearchWorkflowTest, KeywordEncoding)
{
    struct Case
    {
        const char *name;
        Text keyword;
        std::string encoded;
    };
    const Case cases[] = {
        {"one space", " ", "%20"},
        {"one chinese character", G("啾"), "%E5%95%BE"},
        {"character outside gbk", G("한"), "%ED%95%9C"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ViewerServer server([](int, const std::string &) { return std::string(); });
        search(c.keyword);
        const auto bodies = server.bodies();
        ASSERT_EQ(bodies.size(), 1u);
        EXPECT_EQ(bodies[0], "q=search.example%2F%2Fsearch%2F" + c.encoded +
                                 "%3Fpage%3D1%26mode%3Dlist&searchMode=1");
    }
}

TEST_F(SearchWorkflowTest, EmptyKeywordAsksNothing)
{
    ViewerServer server([](int, const std::string &) { return std::string(); });
    window.page = 0;
    EXPECT_EQ(search(""), SearchOutcome::EmptyKeyword);
    EXPECT_TRUE(server.bodies().empty());
    EXPECT_EQ(window.page, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], std::make_pair(G("温馨提示"), G("请输入需搜索的关键字！")));
    EXPECT_TRUE(window.enabledChanges.empty());
}

TEST_F(SearchWorkflowTest, EnterSearchesWhateverTheModifiers)
{
    ViewerServer server([](int, const std::string &) { return std::string(); });
    window.keywordText = "abc";
    for (int modifiers : {0, 1, 2, 4})
        workflow.OnKeywordKeyPressed(13, modifiers);
    workflow.OnKeywordKeyPressed(32, 0);
    EXPECT_EQ(server.bodies().size(), 4u);
}

TEST_F(SearchWorkflowTest, PageCountFromTheLastPageLink)
{
    struct Case
    {
        const char *name;
        std::string lastPage; // empty: no link at all
        std::size_t requests;
    };
    const Case cases[] = {
        {"three pages", "3", 4}, {"digits then markup", "25abc", 26},
        {"no digits", "abc", 2}, {"no link", "", 2},
        {"zero", "0", 2},        {"negative", "-2", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string link = c.lastPage.empty() ? "" : LastPageLink(c.lastPage);
        ViewerServer server([&](int, const std::string &) {
            return Viewer(TotalLine("40") + Row("n", "1 MB", "1", Link(1)) + link);
        });
        window.announcement.clear();
        EXPECT_EQ(search("abc"), SearchOutcome::Listed);
        EXPECT_EQ(server.bodies().size(), c.requests);
        EXPECT_EQ(window.rows.size(), c.requests - 1);
        EXPECT_EQ(window.announcement, G("为您找到[40]枚资源！双击复制、下载！"));
    }
}

TEST_F(SearchWorkflowTest, RowsAreNumberedAcrossPages)
{
    ViewerServer server([](int request, const std::string &body) {
        const auto at = body.find("%3Fpage%3D");
        const int page = std::atoi(body.c_str() + at + 10);
        std::string rows;
        for (int i = 0; i < 2; ++i)
            rows += Row("page" + std::to_string(page) + "-" + std::to_string(i),
                        std::to_string(page) + " GB", std::to_string(request), Link(page * 10 + i));
        return Viewer(TotalLine("6") + rows + LastPageLink("3"));
    });
    ASSERT_EQ(search("abc"), SearchOutcome::Listed);
    ASSERT_EQ(window.rows.size(), 6u);
    for (std::size_t r = 0; r < 6; ++r) {
        SCOPED_TRACE(r);
        const int page = static_cast<int>(r / 2) + 1;
        EXPECT_EQ(cell(r, 0), std::to_string(r + 1));
        EXPECT_EQ(cell(r, 1), "page" + std::to_string(page) + "-" + std::to_string(r % 2));
        EXPECT_EQ(cell(r, 2), std::to_string(page) + " GB");
        EXPECT_EQ(cell(r, 3), std::to_string(page + 1)) << "page N is the (N+1)th request";
        EXPECT_EQ(cell(r, 4), Link(page * 10 + static_cast<int>(r % 2)));
    }
    EXPECT_EQ(window.page, 1);
    EXPECT_EQ(window.enabledChanges, (std::vector<bool>{false, true}));
}

TEST_F(SearchWorkflowTest, NoTotalLineMeansNoResultsEvenWithRows)
{
    ViewerServer server(
        [](int, const std::string &) { return Viewer(Row("n", "1", "1", Link(1))); });
    window.rows.push_back({"old", {}, {}, {}, {}});
    EXPECT_EQ(search("abc"), SearchOutcome::NoResults);
    EXPECT_TRUE(window.rows.empty());
    EXPECT_EQ(window.announcement, "announcement");
    EXPECT_EQ(window.page, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].second, G("我和小伙伴们都惊呆了，你的关键字也太冷门了！"));
    EXPECT_EQ(server.bodies().size(), 1u);
}

TEST_F(SearchWorkflowTest, UnreachableServiceMeansNoResults)
{
    ::setenv("JIUJIU_VIEWER_HOST", "127.0.0.1:1", 1);
    EXPECT_EQ(search("abc"), SearchOutcome::NoResults);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(window.enabledChanges, (std::vector<bool>{false, true}));
}

TEST_F(SearchWorkflowTest, TotalIsTheLastMatchExactlyAsCaptured)
{
    struct Case
    {
        const char *name;
        std::string page;
        const char *announced;
    };
    const Case cases[] = {
        {"two totals: the second", TotalLine("5") + TotalLine("7"),
         "为您找到[7]枚资源！双击复制、下载！"},
        {"blanks kept", TotalLine(" 12 "), "为您找到[ 12 ]枚资源！双击复制、下载！"},
        {"text kept", TotalLine("：约1000"), "为您找到[：约1000]枚资源！双击复制、下载！"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ViewerServer server([&](int, const std::string &) { return Viewer(c.page); });
        EXPECT_EQ(search("abc"), SearchOutcome::Listed);
        EXPECT_EQ(window.announcement, G(c.announced));
        EXPECT_TRUE(window.rows.empty());
    }
}

TEST_F(SearchWorkflowTest, CellsAreTiedByPositionAndKeptAsTheyStand)
{
    // Five names, three sizes: the last two rows have an empty size cell.
    std::string page = TotalLine("5");
    for (int i = 1; i <= 5; ++i)
        page += NameCell("Tom &amp; Jerry " + std::to_string(i)) +
                (i <= 3 ? SizeCell(std::to_string(i) + " MB") : "") +
                SourcesCell(std::to_string(i * 10)) +
                LinkCell("ed2k://|file|a&amp;b" + std::to_string(i) + "|1|/");
    ViewerServer server([&](int, const std::string &) { return Viewer(page); });
    ASSERT_EQ(search("abc"), SearchOutcome::Listed);
    ASSERT_EQ(window.rows.size(), 5u);
    for (std::size_t r = 0; r < 5; ++r) {
        SCOPED_TRACE(r);
        const std::string n = std::to_string(r + 1);
        EXPECT_EQ(cell(r, 1), "Tom &amp; Jerry " + n);
        EXPECT_EQ(cell(r, 2), r < 3 ? n + " MB" : "");
        EXPECT_EQ(cell(r, 3), std::to_string((r + 1) * 10));
        EXPECT_EQ(cell(r, 4), "ed2k://|file|a&amp;b" + n + "|1|/");
    }
}

TEST_F(SearchWorkflowTest, ChineseNamesComeBackAsGb18030)
{
    ViewerServer server([](int, const std::string &) {
        return Viewer(TotalLine("1") + Row("啾啾历险记 한국 第1集", "1.5 GB", "9", Link(1)));
    });
    ASSERT_EQ(search(G("啾啾")), SearchOutcome::Listed);
    ASSERT_EQ(window.rows.size(), 1u);
    EXPECT_EQ(cell(0, 1), G("啾啾历险记 한국 第1集"));
}

TEST_F(SearchWorkflowTest, KeywordTypedDuringTheSearchCountsFromTheNextPage)
{
    ViewerServer server([](int, const std::string &) {
        return Viewer(TotalLine("2") + Row("n", "1", "1", Link(1)) + LastPageLink("2"));
    });
    // The first dispatch happens while page 1 is first fetched.
    ui.onDispatch = [&] { window.keywordText = "xyz"; };
    ASSERT_EQ(search("abc"), SearchOutcome::Listed);
    const auto bodies = server.bodies();
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_NE(bodies[0].find("%61%62%63"), std::string::npos);
    EXPECT_NE(bodies[1].find("%78%79%7A%3Fpage%3D1"), std::string::npos);
    EXPECT_NE(bodies[2].find("%78%79%7A%3Fpage%3D2"), std::string::npos);
}

TEST_F(SearchWorkflowTest, ASearchCannotStartWhileOneRuns)
{
    ViewerServer server([](int, const std::string &) {
        return Viewer(TotalLine("1") + Row("n", "1", "1", Link(1)));
    });
    SearchOutcome nested = SearchOutcome::Listed;
    ui.onDispatch = [&] { nested = workflow.StartSearch(); };
    ASSERT_EQ(search("abc"), SearchOutcome::Listed);
    EXPECT_EQ(nested, SearchOutcome::Busy);
    EXPECT_EQ(server.bodies().size(), 2u);
    EXPECT_EQ(window.rows.size(), 1u);
    EXPECT_FALSE(workflow.isRunning());
}
