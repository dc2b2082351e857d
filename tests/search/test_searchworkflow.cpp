#include "memorysearchwindow.h"
#include "net/httplimits.h"
#include "net/httpworkers.h"
#include "regex/regexobject.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/searchtexts.h"
#include "search/searchwindow.h"
#include "search/searchworkflow.h"
#include "testserver.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <httplib.h>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <random>
#include <thread>

using namespace std::chrono_literals;

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

// The page a request body asks for.
int PageOf(const std::string &body)
{
    const auto at = body.find("%3Fpage%3D");
    return at == std::string::npos ? 0 : std::atoi(body.c_str() + at + 10);
}

// One answer of the test service: a page, an error status, a connection dropped midway, or a
// page that comes late.
struct Reply
{
    // By default the viewer's answer for a page without a total or rows.
    Reply(std::string page = Viewer("&lt;html&gt;&lt;/html&gt;")) : body(std::move(page)) {}
    static Reply Status(int status)
    {
        Reply reply("<html><body>error</body></html>");
        reply.status = status;
        return reply;
    }
    static Reply Dropped()
    {
        Reply reply;
        reply.drop = true;
        return reply;
    }
    static Reply Late(std::string page, std::chrono::milliseconds delay)
    {
        Reply reply(std::move(page));
        reply.delay = delay;
        return reply;
    }

    std::string body;
    int status = 200;
    bool drop = false;
    std::chrono::milliseconds delay{0};
};

// A loopback viewer service answering each POST with responder(requestNumber, body). Bodies are
// recorded before the answer goes out, so they are all there once a search returns.
class ViewerServer
{
public:
    using Responder = std::function<Reply(int request, const std::string &body)>;

    explicit ViewerServer(Responder responder) : m_responder(std::move(responder))
    {
        m_server.server().Post("/Tools/PageCode.aspx",
                               [this](const httplib::Request &req, httplib::Response &res) {
                                   int n = 0;
                                   {
                                       std::lock_guard lock(m_mutex);
                                       m_bodies.push_back(req.body);
                                       n = static_cast<int>(m_bodies.size());
                                   }
                                   const int now = ++m_concurrent;
                                   for (int seen = m_mostConcurrent; now > seen;)
                                       m_mostConcurrent.compare_exchange_weak(seen, now);
                                   const Reply reply = m_responder(n, req.body);
                                   if (reply.delay.count() > 0)
                                       m_server.sleepUnlessStopping(reply.delay);
                                   --m_concurrent;
                                   if (reply.drop) {
                                       res.set_content_provider(1000, "text/html",
                                                                [](std::size_t offset, std::size_t,
                                                                   httplib::DataSink &sink) {
                                                                    if (offset == 0)
                                                                        sink.write("<html>", 6);
                                                                    return false;
                                                                });
                                       return;
                                   }
                                   res.status = reply.status;
                                   res.set_content(reply.body, "text/html; charset=utf-8");
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
    // Pages asked for, in the order the requests arrived.
    std::vector<int> pagesAsked()
    {
        std::vector<int> pages;
        for (const std::string &body : bodies())
            pages.push_back(PageOf(body));
        return pages;
    }
    int mostConcurrent() const { return m_mostConcurrent; }

private:
    Responder m_responder;
    std::mutex m_mutex;
    std::vector<std::string> m_bodies;
    std::atomic<int> m_concurrent{0};
    std::atomic<int> m_mostConcurrent{0};
    test::TestServer m_server;
};

class RecordingUi final : public UiServices
{
public:
    std::vector<std::pair<Text, Text>> messages; // caption, text
    std::function<void()> onDispatch;            // once, at the next dispatch
    std::function<void()> everyDispatch;         // at every dispatch

    int messageBox(const Text &text, int, const Text &caption) override
    {
        messages.emplace_back(caption, text);
        return IdOk;
    }
    bool setClipboardText(const Text &) override { return true; }
    void clearClipboard() override {}
    bool dispatchPendingEvents() override
    {
        if (everyDispatch)
            everyDispatch();
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
    void SetUp() override
    {
        m_previous = SetUiServices(&ui);
        SearchSettings settings;
        settings.retryPauses = {20ms, 60ms};
        workflow.setSettings(settings);
    }
    void TearDown() override
    {
        SetUiServices(m_previous);
        // Requests abandoned by a stop end promptly, long before their slow answers.
        EXPECT_TRUE(WaitForHttpWorkers(5s));
    }

    SearchOutcome search(const Text &keyword)
    {
        window.keywordText = keyword;
        return workflow.StartSearch();
    }

    const Text &cell(std::size_t row, std::size_t column) { return window.rows.at(row).at(column); }

    std::vector<Text> listedNames() const
    {
        std::vector<Text> names;
        for (const auto &row : window.rows)
            names.push_back(row[1]);
        return names;
    }
    // Serial numbers run 1, 2, 3 ... without a gap.
    void expectContinuousSerials() const
    {
        for (std::size_t r = 0; r < window.rows.size(); ++r)
            ASSERT_EQ(window.rows[r][0], std::to_string(r + 1));
    }
    void setParallelRequests(int n)
    {
        SearchSettings settings = workflow.settings();
        settings.parallelRequests = n;
        workflow.setSettings(settings);
    }

    RecordingUi ui;
    test::MemorySearchWindow window;
    RegexObject regex;
    SearchWorkflow workflow{window, regex};

private:
    UiServices *m_previous = nullptr;
};

// A site listing `perPage` rows on each of `pages` pages, every page naming the last one.
struct Site
{
    int pages = 4;
    int perPage = 3;
    std::string total = "12";
    std::string lastPage = "4";

    static std::string Name(int page, int row)
    {
        return "p" + std::to_string(page) + "r" + std::to_string(row);
    }
    Reply page(int n) const
    {
        std::string rows;
        if (n >= 1 && n <= pages)
            for (int r = 0; r < perPage; ++r)
                rows += Row(Name(n, r), std::to_string(n) + " MB", std::to_string(r),
                            Link(n * 100 + r));
        return Viewer(TotalLine(total) + rows + LastPageLink(lastPage));
    }
    // The names of the given pages' rows, in order.
    std::vector<Text> names(const std::vector<int> &listedPages) const
    {
        std::vector<Text> out;
        for (int p : listedPages)
            for (int r = 0; r < perPage; ++r)
                out.push_back(Name(p, r));
        return out;
    }
};

const std::string kAbcBody =
    "q=search.example%2F%2Fsearch%2F%61%62%63%3Fpage%3D1%26mode%3Dlist&searchMode=1";

} // namespace

TEST_F(SearchWorkflowTest, BodyForAbcIsExactAndPageOneIsAskedOnce)
{
    ViewerServer server([](int, const std::string &) {
        return Viewer(TotalLine("1") + Row("one", "1 MB", "3", Link(1)));
    });
    EXPECT_EQ(search("abc"), SearchOutcome::Listed);
    const auto bodies = server.bodies();
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0], kAbcBody);
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
        ViewerServer server([](int, const std::string &) { return Reply(); });
        search(c.keyword);
        const auto bodies = server.bodies();
        ASSERT_EQ(bodies.size(), 1u);
        EXPECT_EQ(bodies[0], "q=search.example%2F%2Fsearch%2F" + c.encoded +
                                 "%3Fpage%3D1%26mode%3Dlist&searchMode=1");
    }
}

TEST_F(SearchWorkflowTest, EmptyKeywordAsksNothing)
{
    ViewerServer server([](int, const std::string &) { return Reply(); });
    window.page = 0;
    EXPECT_EQ(search(""), SearchOutcome::EmptyKeyword);
    EXPECT_TRUE(server.bodies().empty());
    EXPECT_EQ(window.page, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], std::make_pair(G("温馨提示"), G("请输入需搜索的关键字！")));
    EXPECT_TRUE(window.runningChanges.empty());
}

TEST_F(SearchWorkflowTest, EnterSearchesWhateverTheModifiers)
{
    ViewerServer server([](int, const std::string &) { return Reply(); });
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
        {"three pages", "3", 3}, {"digits then markup", "25abc", 25},
        {"no digits", "abc", 1}, {"no link", "", 1},
        {"zero", "0", 1},        {"negative lists page 1", "-2", 1},
        {"minus one", "-1", 1},  {"full-width digits", "３", 3},
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
        EXPECT_EQ(window.rows.size(), c.requests);
        EXPECT_EQ(window.announcement, G("为您找到[40]枚资源！双击复制、下载！"));
    }
}

TEST_F(SearchWorkflowTest, RowsAreNumberedAcrossPages)
{
    ViewerServer server([](int, const std::string &body) {
        const int page = PageOf(body);
        std::string rows;
        for (int i = 0; i < 2; ++i)
            rows +=
                Row("page" + std::to_string(page) + "-" + std::to_string(i),
                    std::to_string(page) + " GB", std::to_string(page * 7), Link(page * 10 + i));
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
        EXPECT_EQ(cell(r, 3), std::to_string(page * 7));
        EXPECT_EQ(cell(r, 4), Link(page * 10 + static_cast<int>(r % 2)));
    }
    EXPECT_EQ(window.page, 1);
    EXPECT_EQ(window.runningChanges, (std::vector<bool>{true, false}));
}

TEST_F(SearchWorkflowTest, NoTotalLineMeansNoResultsEvenWithRows)
{
    ViewerServer server(
        [](int, const std::string &) { return Viewer(Row("n", "1", "1", Link(1))); });
    window.rows.push_back({"old", {}, {}, {}, {}});
    EXPECT_EQ(search("abc"), SearchOutcome::NoResults);
    EXPECT_TRUE(window.rows.empty());
    EXPECT_EQ(window.announcement, G("我和小伙伴们都惊呆了，你的关键字也太冷门了！"))
        << "the top line no longer says 正在搜索";
    EXPECT_EQ(window.page, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].second, G("我和小伙伴们都惊呆了，你的关键字也太冷门了！"));
    EXPECT_EQ(server.bodies().size(), 1u);
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

TEST_F(SearchWorkflowTest, CellsAreTiedByPositionAndDecoded)
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
        // The page's "&amp;" under the viewer's escaping reads "&": names and links as the site
        // means them.
        EXPECT_EQ(cell(r, 1), "Tom & Jerry " + n);
        EXPECT_EQ(cell(r, 2), r < 3 ? n + " MB" : "");
        EXPECT_EQ(cell(r, 3), std::to_string((r + 1) * 10));
        EXPECT_EQ(cell(r, 4), "ed2k://|file|a&b" + n + "|1|/");
    }
}

// Hostile and broken pages: each row keeps its own cells, and no byte of an answer cuts the
// page short or reaches a cell as a control character.
TEST_F(SearchWorkflowTest, HostilePagesListEachRowWithItsOwnCells)
{
    using Cells = std::vector<std::string>; // name, size, sources, link
    const std::string nul(1, '\0');
    const std::string first = Row("first", "1 MB", "1", Link(1));
    const std::string third = Row("third", "3 MB", "3", Link(3));
    const std::string rowEnd = "    &lt;/td&gt;\n&lt;/tr&gt;\n";
    struct Case
    {
        const char *name;
        std::string rows;
        std::vector<Cells> listed; // the middle row; first and third are always listed
        std::int64_t missing;
    };
    const Case cases[] = {
        {"a row without its link",
         first + NameCell("second") + SizeCell("2 MB") + SourcesCell("2") + rowEnd + third,
         {{"second", "2 MB", "2", ""}},
         1},
        {"a row without its size",
         first + NameCell("second") + SourcesCell("2") + LinkCell(Link(2)) + third,
         {{"second", "", "2", Link(2)}},
         1},
        {"a row without its sources",
         first + NameCell("second") + SizeCell("2 MB") + LinkCell(Link(2)) + third,
         {{"second", "2 MB", "", Link(2)}},
         1},
        {"a row of a name alone", first + NameCell("second") + third, {{"second", "", "", ""}}, 1},
        {"a row with two links takes its first",
         first + Row("second", "2 MB", "2", Link(2)) + LinkCell(Link(9)) + third,
         {{"second", "2 MB", "2", Link(2)}},
         0},
        {"a size cell before the first row is nobody's",
         SizeCell("9 GB") + first + Row("second", "2 MB", "2", Link(2)) + third,
         {{"second", "2 MB", "2", Link(2)}},
         0},
        {"zero bytes between and inside rows",
         first + nul + Row("sec" + nul + "ond", "2 MB", "2", Link(2)) + nul + third,
         {{"second", "2 MB", "2", Link(2)}},
         0},
        {"control bytes, DEL and a C1 control are dropped",
         first +
             Row("se\x01"
                 "c\x1B[31mond\x7F\xC2\x9B",
                 "2 MB", "2", Link(2)) +
             third,
         {{"sec[31mond", "2 MB", "2", Link(2)}},
         0},
        {"a reference to a control character stays text",
         first + Row("a&amp;#27;b", "2 MB", "2", Link(2)) + third,
         {{"a&#27;b", "2 MB", "2", Link(2)}},
         0},
        {"bytes that are no UTF-8 read as replacement characters",
         first + Row("bad\xFF\xC3name", "2 MB", "2", Link(2)) + third,
         {{"bad\xEF\xBF\xBD\xEF\xBF\xBDname", "2 MB", "2", Link(2)}},
         0},
        {"a page cut off inside a row",
         first + third + NameCell("fourth") + "    &lt;td width=&#39;70&#39; align=&#39;ri",
         {},
         1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ViewerServer server(
            [&](int, const std::string &) { return Viewer(TotalLine("3") + c.rows); });
        ASSERT_EQ(search("abc"), SearchOutcome::Listed);
        std::vector<Cells> expected = {{"first", "1 MB", "1", Link(1)}};
        expected.insert(expected.end(), c.listed.begin(), c.listed.end());
        expected.push_back({"third", "3 MB", "3", Link(3)});
        if (c.listed.empty())
            expected.push_back({"fourth", "", "", ""});
        std::vector<Cells> listed;
        for (const auto &row : window.rows)
            listed.push_back(
                {TextToUtf8(row[1]), TextToUtf8(row[2]), TextToUtf8(row[3]), TextToUtf8(row[4])});
        EXPECT_EQ(listed, expected);
        ASSERT_EQ(workflow.report().pages.size(), 1u);
        EXPECT_EQ(workflow.report().pages[0].rowsMissingCells, c.missing);
        EXPECT_EQ(window.announcement, G("为您找到[3]枚资源！双击复制、下载！"));
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

TEST_F(SearchWorkflowTest, KeywordIsReadOnceForTheWholeSearch)
{
    ViewerServer server([](int, const std::string &) {
        return Viewer(TotalLine("2") + Row("n", "1", "1", Link(1)) + LastPageLink("2"));
    });
    // Typing into the box while page 1 is first fetched changes nothing of this search.
    ui.onDispatch = [&] { window.keywordText = "xyz"; };
    int reads = 0;
    window.onKeywordRead = [&] { ++reads; };
    ASSERT_EQ(search("abc"), SearchOutcome::Listed);
    EXPECT_EQ(reads, 1);
    const auto bodies = server.bodies();
    ASSERT_EQ(bodies.size(), 2u);
    for (const std::string &body : bodies)
        EXPECT_NE(body.find("%2Fsearch%2F%61%62%63%3Fpage"), std::string::npos) << body;
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
    EXPECT_EQ(server.bodies().size(), 1u);
    EXPECT_EQ(window.rows.size(), 1u);
    EXPECT_FALSE(workflow.isRunning());
}

// A fault the test service answers for a page the first `times` times it is asked.
struct Fault
{
    const char *name;
    int page;
    int times;
    Reply reply;
};

std::function<Reply(int, const std::string &)> FaultySite(const Site &site, const Fault &fault)
{
    auto asked = std::make_shared<std::map<int, int>>();
    auto mutex = std::make_shared<std::mutex>();
    return [site, fault, asked, mutex](int, const std::string &body) {
        const int page = PageOf(body);
        int count = 0;
        {
            std::lock_guard lock(*mutex);
            count = ++(*asked)[page];
        }
        if (page == fault.page && (fault.times < 0 || count <= fault.times))
            return fault.reply;
        return site.page(page);
    };
}

std::string EmptyPage(const Site &site)
{
    return Viewer(TotalLine(site.total) + LastPageLink(site.lastPage));
}

TEST_F(SearchWorkflowTest, TransientFailuresAreRetriedAndEveryRowListed)
{
    const Site site;
    const Fault faults[] = {
        {"503 once", 2, 1, Reply::Status(503)},
        {"connection dropped once", 3, 1, Reply::Dropped()},
        {"page without rows once", 2, 1, EmptyPage(site)},
        {"two failures still within the retries", 3, 2, Reply::Status(500)},
        {"first request fails once", 1, 1, Reply::Status(502)},
        {"last page fails once", 4, 1, Reply::Dropped()},
    };
    for (const Fault &fault : faults) {
        SCOPED_TRACE(fault.name);
        ViewerServer server(FaultySite(site, fault));
        ui.messages.clear();
        ASSERT_EQ(search("abc"), SearchOutcome::Listed);
        EXPECT_EQ(listedNames(), site.names({1, 2, 3, 4}));
        expectContinuousSerials();
        EXPECT_EQ(window.announcement, G("为您找到[12]枚资源！双击复制、下载！"));
        EXPECT_TRUE(ui.messages.empty());
        const auto asked = server.pagesAsked();
        EXPECT_EQ(std::count(asked.begin(), asked.end(), fault.page), 1 + fault.times);
        EXPECT_EQ(workflow.report().requests, static_cast<int>(asked.size()));
        EXPECT_TRUE(workflow.report().failedPages().empty());
    }
}

TEST_F(SearchWorkflowTest, PageFailingEveryTimeMakesTheSearchIncompleteAndNamesIt)
{
    const Site site;
    struct Case
    {
        Fault fault;
        std::string reason; // how the reason begins
    };
    const Case cases[] = {
        {{"always 503", 3, -1, Reply::Status(503)}, "HTTP 503"},
        {{"always dropped", 2, -1, Reply::Dropped()}, "transfer closed with"},
        {{"always without rows", 2, -1, EmptyPage(site)}, "answer without rows"},
        {{"last page always failing", 4, -1, Reply::Status(404)}, "HTTP 404"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault.name);
        ViewerServer server(FaultySite(site, c.fault));
        ASSERT_EQ(search("abc"), SearchOutcome::Incomplete);
        std::vector<int> listed;
        for (int p = 1; p <= 4; ++p)
            if (p != c.fault.page)
                listed.push_back(p);
        EXPECT_EQ(listedNames(), site.names(listed));
        expectContinuousSerials();
        const auto failed = workflow.report().failedPages();
        ASSERT_EQ(failed.size(), 1u);
        EXPECT_EQ(failed[0].page, c.fault.page);
        EXPECT_TRUE(failed[0].failure.starts_with(c.reason)) << failed[0].failure;
        EXPECT_EQ(window.announcement,
                  G(("为您找到[12]枚资源，只列出了 9 枚：第 " + std::to_string(c.fault.page) +
                     " 页没能读出来！双击复制、下载！")
                        .c_str()));
        const auto asked = server.pagesAsked();
        EXPECT_EQ(std::count(asked.begin(), asked.end(), c.fault.page), 3)
            << "asked, then twice again";
    }
}

// 重试失败的页: the pages that failed every try are asked again, and their rows go where they
// belong, every serial number after them moved on.
TEST_F(SearchWorkflowTest, RetryListsTheFailedPagesWhereTheyBelong)
{
    const Site site;
    const Fault faults[] = {
        {"a middle page", 2, 3, Reply::Status(503)},
        {"the last page", 4, 3, Reply::Dropped()},
    };
    for (const Fault &fault : faults) {
        SCOPED_TRACE(fault.name);
        ViewerServer server(FaultySite(site, fault));
        ASSERT_EQ(search("abc"), SearchOutcome::Incomplete);
        EXPECT_TRUE(window.retryOffered);
        EXPECT_EQ(workflow.failedPages(), std::vector<std::int32_t>{fault.page});
        ASSERT_EQ(workflow.RetryFailedPages(), SearchOutcome::Listed);
        EXPECT_EQ(listedNames(), site.names({1, 2, 3, 4}));
        expectContinuousSerials();
        EXPECT_EQ(window.announcement, G("为您找到[12]枚资源！双击复制、下载！"));
        EXPECT_FALSE(window.retryOffered);
        EXPECT_TRUE(workflow.failedPages().empty());
    }
}

TEST_F(SearchWorkflowTest, LastPageWithoutRowsIsEmptyNotFailed)
{
    Site site;
    site.pages = 3; // the link names page 4, which lists nothing
    ViewerServer server([&](int, const std::string &body) { return site.page(PageOf(body)); });
    ASSERT_EQ(search("abc"), SearchOutcome::Listed);
    EXPECT_EQ(listedNames(), site.names({1, 2, 3}));
    const auto asked = server.pagesAsked();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 4), 1);
    ASSERT_EQ(workflow.report().pages.size(), 4u);
    EXPECT_EQ(workflow.report().pages[3].rows, 0);
    EXPECT_EQ(workflow.report().pages[3].failure, "");
}

TEST_F(SearchWorkflowTest, UnreachableServiceHasItsOwnMessageWithTheReason)
{
    struct Case
    {
        const char *name;
        bool listening;
        std::string reason;
        std::string words; // the reason in Chinese
    };
    const Case cases[] = {
        {"nobody listening", false, "Failed to connect to 127.0.0.1 port 1", "连接被拒绝"},
        {"service answers 503", true, "HTTP 503", "服务出错（HTTP 503）"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ViewerServer server([](int, const std::string &) { return Reply::Status(503); });
        if (!c.listening)
            ::setenv("JIUJIU_VIEWER_HOST", "127.0.0.1:1", 1);
        ui.messages.clear();
        window.runningChanges.clear();
        window.announcement = "announcement";
        ASSERT_EQ(search("abc"), SearchOutcome::Unreachable);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].first, G("温馨提示"));
        // In words in the box and the top line; the technical reason in the box's details.
        const Text start = G(
            ("呜呜，连不上搜索服务（" + c.words + "），请检查网络后再试一次！\r\n原因：").c_str());
        EXPECT_TRUE(ui.messages[0].second.starts_with(start + c.reason)) << ui.messages[0].second;
        EXPECT_EQ(workflow.report().unreachableReason.rfind(c.reason, 0), 0u);
        EXPECT_EQ(window.announcement, G(("搜索失败：" + c.words).c_str()));
        EXPECT_TRUE(window.rows.empty());
        EXPECT_EQ(window.runningChanges, (std::vector<bool>{true, false}));
        EXPECT_EQ(workflow.report().requests, 3) << "asked, then twice again";
        if (c.listening) {
            EXPECT_EQ(server.bodies().size(), 3u);
        }
    }
}

// An answer too large is no network fault, and a page that never comes ends the search.
TEST_F(SearchWorkflowTest, AnswersTooLargeOrNeverComingAreNamedForWhatTheyAre)
{
    const Site site;
    const std::string tooLarge(100000, 'x');
    struct Case
    {
        Fault fault;
        SearchOutcome outcome;
        std::string reason;
        std::size_t asked; // requests for the faulty page
    };
    const Case cases[] = {
        {{"first answer too large", 1, -1, Reply(tooLarge)},
         SearchOutcome::Unreachable,
         "答案超过 65536 字节",
         1},
        {{"later page never comes", 3, -1, Reply::Late(site.page(3).body, 30s)},
         SearchOutcome::Incomplete,
         "no progress for 400 ms",
         1},
    };
    const HttpLimits savedLimits = CurrentHttpLimits();
    HttpLimits limits = savedLimits;
    limits.bodyCap = 64 * 1024;
    SetHttpLimits(limits);
    SearchSettings settings = workflow.settings();
    settings.noProgressLimit = 400ms;
    workflow.setSettings(settings);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault.name);
        ViewerServer server(FaultySite(site, c.fault));
        ui.messages.clear();
        ASSERT_EQ(search("abc"), c.outcome);
        const auto asked = server.pagesAsked();
        EXPECT_EQ(static_cast<std::size_t>(std::count(asked.begin(), asked.end(), c.fault.page)),
                  c.asked);
        if (c.outcome == SearchOutcome::Unreachable) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].second, G(("呜呜，搜索服务的答案太大（" + c.reason +
                                                "），没能读出来！\r\n原因：" + c.reason)
                                                   .c_str()));
            EXPECT_EQ(workflow.report().unreachableReason, c.reason);
            continue;
        }
        EXPECT_TRUE(ui.messages.empty());
        const auto failed = workflow.report().failedPages();
        ASSERT_FALSE(failed.empty());
        EXPECT_EQ(failed[0].page, c.fault.page);
        EXPECT_EQ(failed[0].failure, c.reason);
        EXPECT_TRUE(window.announcement.starts_with(G("为您找到[12]枚资源，只列出了 ")));
    }
    SetHttpLimits(savedLimits);
}

TEST_F(SearchWorkflowTest, StopKeepsExactlyThePagesListedSoFar)
{
    // Page 3 keeps the service thinking, so the search is certain to be stopped while
    // waiting for it; pages 4 and 5 come back at once but must not be listed.
    Site site;
    site.pages = 5;
    site.lastPage = "5";
    site.total = "15";
    struct Case
    {
        const char *name;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"the window asks to stop",
         [this] { window.stopWhen = [this] { return window.rows.size() >= 6; }; }},
        {"an event handler calls stopSearch",
         [this] {
             ui.everyDispatch = [this] {
                 if (window.rows.size() >= 6)
                     workflow.stopSearch();
             };
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ViewerServer server([&](int, const std::string &body) {
            const int page = PageOf(body);
            return page == 3 ? Reply::Late(site.page(3).body, 30s) : site.page(page);
        });
        window.stopWhen = nullptr;
        ui.everyDispatch = nullptr;
        c.arrange();
        ASSERT_EQ(search("abc"), SearchOutcome::Stopped);
        EXPECT_EQ(listedNames(), site.names({1, 2}));
        EXPECT_EQ(window.announcement,
                  G("搜索已停止，为您找到[15]枚资源，已列出 6 枚！双击复制、下载！"));
        EXPECT_EQ(workflow.report().pagesNotRead, 3);
        EXPECT_FALSE(workflow.isRunning());
        // The request for page 3 is abandoned, not waited for.
        EXPECT_TRUE(WaitForHttpWorkers(5s));
    }
    window.stopWhen = nullptr;
    ui.everyDispatch = nullptr;
}

TEST_F(SearchWorkflowTest, StopWhileTheFirstAnswerIsAwaited)
{
    ViewerServer server([](int, const std::string &) { return Reply::Late("", 30s); });
    int dispatches = 0;
    window.stopWhen = [&] { return ++dispatches > 5; };
    window.announcement = "announcement";
    ASSERT_EQ(search("abc"), SearchOutcome::Stopped);
    EXPECT_EQ(window.announcement, G("搜索已停止！"));
    EXPECT_TRUE(window.rows.empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(WaitForHttpWorkers(5s));
}

TEST_F(SearchWorkflowTest, ProgressIsShownForEveryPage)
{
    Site site;
    site.pages = 3;
    site.perPage = 2;
    site.lastPage = "3";
    site.total = "6";
    ViewerServer server([&](int, const std::string &body) { return site.page(PageOf(body)); });
    ASSERT_EQ(search("abc"), SearchOutcome::Listed);
    EXPECT_EQ(window.progress, (std::vector<Text>{G("正在读取第 1/3 页 · 已列出 0 条"),
                                                  G("正在读取第 2/3 页 · 已列出 2 条"),
                                                  G("正在读取第 3/3 页 · 已列出 4 条")}));
    EXPECT_EQ(window.announcement, G("为您找到[6]枚资源！双击复制、下载！"));
}

TEST_F(SearchWorkflowTest, BogusLastPageNeverRunsUnbounded)
{
    struct Case
    {
        const char *name;
        std::string total;
        int perPage;
        int pagesWithRows;
        std::int32_t pageLimit;
        SearchOutcome outcome;
        std::int32_t pageCount;
        std::size_t maxRequests;
    };
    const Case cases[] = {
        {"the total bounds the pages", "40", 20, 2, 10000, SearchOutcome::Listed, 2, 3},
        {"grouped digits count", " 1,000 ", 500, 2, 10000, SearchOutcome::Listed, 2, 3},
        {"the limit bounds the pages", "约40", 20, 1000, 6, SearchOutcome::Listed, 6, 7},
        // Pages past the results are empty; three in a row end the search. Each page is asked
        // at most three times, and no more than eight pages are read ahead.
        {"empty pages past the results end it", "很多", 20, 2, 10000, SearchOutcome::Incomplete,
         10000, 1 + 3 * (2 + 3 + 8)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Site site;
        site.pages = c.pagesWithRows;
        site.perPage = c.perPage;
        site.total = c.total;
        site.lastPage = "99999999999";
        ViewerServer server([&](int, const std::string &body) { return site.page(PageOf(body)); });
        SearchSettings settings = workflow.settings();
        settings.pageLimit = c.pageLimit;
        workflow.setSettings(settings);
        ASSERT_EQ(search("abc"), c.outcome);
        EXPECT_EQ(workflow.report().pageCount, c.pageCount);
        EXPECT_LE(server.bodies().size(), c.maxRequests);
        EXPECT_EQ(window.rows.size(),
                  static_cast<std::size_t>(std::min(c.pagesWithRows, c.pageCount) * c.perPage));
        expectContinuousSerials();
        if (c.outcome == SearchOutcome::Incomplete) {
            // Pages handed back together with the third failure are still accounted for.
            const auto failed = workflow.report().failedPages();
            ASSERT_GE(failed.size(), 3u);
            // Those still in flight when it gave up are reported as abandoned, not unasked.
            for (std::size_t i = 0; i < failed.size(); ++i) {
                EXPECT_EQ(failed[i].page, static_cast<int>(i) + 3);
                if (i < 3 || failed[i].failure != "abandoned after 3 failed pages in a row") {
                    EXPECT_EQ(failed[i].failure, "answer without rows");
                }
                EXPECT_GE(failed[i].requests, 1);
            }
            EXPECT_EQ(workflow.report().pagesNotRead, 10000 - 2 - static_cast<int>(failed.size()));
            EXPECT_TRUE(window.announcement.starts_with(
                G("为您找到[很多]枚资源，只列出了 40 枚：第 3、4、5")));
            EXPECT_TRUE(window.announcement.ends_with(G("页也没再读！双击复制、下载！")));
        }
    }
}

TEST_F(SearchWorkflowTest, PagesArriveInAnyOrderButAreListedInOrder)
{
    Site site;
    site.pages = 16;
    site.lastPage = "16";
    site.total = "48";
    std::vector<int> allPages(16);
    for (int p = 1; p <= 16; ++p)
        allPages[static_cast<std::size_t>(p - 1)] = p;
    for (const int jobs : {1, 3, 4, 8}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        std::mt19937 random(static_cast<unsigned>(jobs));
        std::vector<int> delays(17);
        for (int &d : delays)
            d = std::uniform_int_distribution<int>(0, 40)(random);
        ViewerServer server([&](int, const std::string &body) {
            const int page = PageOf(body);
            return Reply::Late(site.page(page).body, std::chrono::milliseconds(delays.at(
                                                         static_cast<std::size_t>(page))));
        });
        setParallelRequests(jobs);
        ASSERT_EQ(search("abc"), SearchOutcome::Listed);
        EXPECT_EQ(listedNames(), site.names(allPages));
        expectContinuousSerials();
        EXPECT_LE(server.mostConcurrent(), jobs);
        if (jobs > 1) {
            EXPECT_GE(server.mostConcurrent(), 2) << "pages were fetched side by side";
        }
        // Every page asked for once, byte for byte.
        auto bodies = server.bodies();
        std::vector<std::string> expected;
        for (int p = 1; p <= 16; ++p)
            expected.push_back("q=search.example%2F%2Fsearch%2F%61%62%63%3Fpage%3D" +
                               std::to_string(p) + "%26mode%3Dlist&searchMode=1");
        std::sort(bodies.begin(), bodies.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(bodies, expected);
    }
}
