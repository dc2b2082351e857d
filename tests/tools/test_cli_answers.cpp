// jiujiu-cli against loopback services that answer what the viewer would not: error pages,
// compressed and bombed answers, redirects, names it cannot read, lying totals; and output it
// cannot write. Each case must end in what really happened.
#include "catalogue.h"
#include "childprocess.h"
#include "resultpage.h"
#include "testserver.h"

#include <functional>
#include <gtest/gtest.h>
#include <httplib.h>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

using jiujiu::demo::Resource;
using jiujiu::test::ChildProcess;
using jiujiu::test::OutputLines;
using jiujiu::test::TestServer;

struct Result
{
    int status = -1;
    std::string out, err;
};

Result RunCli(const std::vector<std::string> &args, int port)
{
    ChildProcess child(args,
                       {"JIUJIU_VIEWER_HOST=127.0.0.1:" + std::to_string(port),
                        "JIUJIU_SEARCH_HOST=s.example", "JIUJIU_ED2K_CLIENT_DIR=/nonexistent"});
    Result r;
    r.status = child.finish(&r.out, &r.err);
    return r;
}

int PageOf(const std::string &body)
{
    const auto at = body.find("%3Fpage%3D");
    return at == std::string::npos ? 0 : std::atoi(body.c_str() + at + 10);
}

std::vector<Resource> Resources(int count)
{
    std::vector<Resource> rows;
    for (int i = 0; i < count; ++i) {
        const std::string name = "file" + std::to_string(i) + ".mkv";
        rows.push_back({name, "1.00 MB", std::to_string(10 + i),
                        "ed2k://|file|" + name + "|1048576|0123456789ABCDEF0123456789ABCDEF|/"});
    }
    return rows;
}

// The viewer's answer for page `page` of `rows` at `perPage`, its total written as `total`.
std::string ViewerAnswer(const std::vector<Resource> &rows, int page, int perPage,
                         const std::string &total)
{
    std::vector<const Resource *> shown;
    for (int i = (page - 1) * perPage; i < page * perPage && i < static_cast<int>(rows.size()); ++i)
        shown.push_back(&rows[static_cast<std::size_t>(i)]);
    const int lastPage = static_cast<int>((rows.size() + perPage - 1) / perPage);
    std::string source = jiujiu::demo::SearchResultPage("k", shown, 1, page, lastPage);
    source.replace(source.find("结果总数1"), std::string("结果总数1").size(), "结果总数" + total);
    return jiujiu::demo::ViewerPage("http://s.example//search/k", source);
}

std::string Compressed(const std::string &data, int windowBits)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// What a case's service answers for a page.
using Answer = std::function<void(int page, const httplib::Request &, httplib::Response &)>;

Answer Pages(std::vector<Resource> rows, int perPage, std::string total = {})
{
    return [=](int page, const httplib::Request &, httplib::Response &res) {
        res.set_content(
            ViewerAnswer(rows, page, perPage, total.empty() ? std::to_string(rows.size()) : total),
            "text/html; charset=utf-8");
    };
}

Answer OnPage(int which, Answer special, Answer others)
{
    return [=](int page, const httplib::Request &req, httplib::Response &res) {
        (page == which ? special : others)(page, req, res);
    };
}

Answer Fixed(std::string body, std::string encoding = {})
{
    return [=](int, const httplib::Request &, httplib::Response &res) {
        res.set_content(body, "text/html; charset=utf-8");
        if (!encoding.empty())
            res.set_header("Content-Encoding", encoding);
    };
}

TEST(CliAnswers, EachEndsInWhatHappened)
{
    const auto twenty = Resources(20);
    std::vector<Resource> withLineFeed = Resources(5);
    withLineFeed[2].name = "two\nlines.mkv";
    const std::string page1 = ViewerAnswer(twenty, 1, 20, "20");
    struct Case
    {
        const char *name;
        Answer answer;
        std::vector<std::string> options;
        int status;
        std::size_t rows;
        std::vector<std::string> errHas; // lines of standard error that must be there
    };
    const std::string unreadable = "温馨提示: 呜呜，搜索服务的答案读不出来！\r";
    const Case cases[] = {
        {"an html error page is no empty search",
         Fixed("<html><body><h1>502 Bad Gateway</h1></body></html>"),
         {},
         4,
         0,
         {unreadable, "原因：答案读不出来：不是查看服务转来的网页"}},
        {"an empty answer", Fixed(""), {}, 4, 0, {unreadable, "原因：答案读不出来：答案是空的"}},
        {"a binary answer",
         Fixed(std::string("\x1f\x8b\x08\0\0\0\0\0", 8) + "xyz"),
         {},
         4,
         0,
         {unreadable, "原因：答案读不出来：不是文本"}},
        {"unasked gzip is decoded", Fixed(Compressed(page1, 15 + 16), "gzip"), {}, 0, 20, {}},
        {"unasked deflate is decoded", Fixed(Compressed(page1, 15), "deflate"), {}, 0, 20, {}},
        {"a gzip bomb stops at the cap",
         Fixed(Compressed(std::string(65 << 20, '<'), 15 + 16), "gzip"),
         {},
         4,
         0,
         {"原因：答案超过 64 MB"}},
        {"broken gzip",
         Fixed("not gzip at all &lt;", "gzip"),
         {},
         4,
         0,
         {"原因：答案读不出来：压缩的答案解不开"}},
        {"a later error page fails that page",
         OnPage(2, Fixed("<html>Service busy</html>"), Pages(twenty, 7)),
         {},
         3,
         13,
         {"page 2: 答案读不出来：不是查看服务转来的网页"}},
        {"a line feed in a name is reported",
         Pages(withLineFeed, 5),
         {},
         3,
         4,
         {"为您找到[5]枚资源，只列出了 4 枚：第 1 页有 1 行读不出来！双击复制、下载！",
          "page 1: 1 row could not be read"}},
        {"total 0 is announced, the last-page link bounds",
         Pages(twenty, 7, "0"),
         {},
         0,
         20,
         {"为您找到[0]枚资源！双击复制、下载！"}},
        {"total -5", Pages(twenty, 7, "-5"), {}, 0, 20, {"为您找到[-5]枚资源！双击复制、下载！"}},
        {"total abc",
         Pages(twenty, 7, "abc"),
         {},
         0,
         20,
         {"为您找到[abc]枚资源！双击复制、下载！"}},
        {"the row limit stops the search",
         Pages(twenty, 7),
         {"--max-rows", "10"},
         3,
         10,
         {"为您找到[20]枚资源，结果超过 10 条，只列出了前 10 条！双击复制、下载！",
          "page 3: not read (the row limit was reached)"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server;
        server.server().Post("/Tools/PageCode.aspx",
                             [&](const httplib::Request &req, httplib::Response &res) {
                                 c.answer(PageOf(req.body), req, res);
                             });
        ASSERT_TRUE(server.start());
        std::vector<std::string> args{JIUJIU_CLI, "--jobs", "2"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("k");
        const Result r = RunCli(args, server.port());
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(OutputLines(r.out).size(), c.rows) << r.err;
        const auto err = OutputLines(r.err);
        for (const std::string &line : c.errHas)
            EXPECT_NE(std::find(err.begin(), err.end(), line), err.end()) << line << "\n" << r.err;
    }
}

// A 301, 302 or 303 to the form's POST is followed as the same POST; other schemes fail.
TEST(CliAnswers, RedirectsKeepTheForm)
{
    const auto twenty = Resources(20);
    for (const int status : {301, 302, 303, 307, 308}) {
        SCOPED_TRACE(status);
        TestServer other;
        other.server().Post("/real", [&](const httplib::Request &req, httplib::Response &res) {
            Pages(twenty, 7)(PageOf(req.body), req, res);
        });
        ASSERT_TRUE(other.start());
        TestServer server;
        server.server().Post("/Tools/PageCode.aspx",
                             [&](const httplib::Request &, httplib::Response &res) {
                                 res.status = status;
                                 res.set_header("Location", other.url("/real"));
                             });
        ASSERT_TRUE(server.start());
        const Result r = RunCli({JIUJIU_CLI, "k"}, server.port());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(OutputLines(r.out).size(), 20u);
        // Each page once, as the form sent it.
        std::multiset<int> pages;
        for (const auto &request : other.received()) {
            EXPECT_EQ(request.method, "POST");
            EXPECT_TRUE(request.body.starts_with("q=s.example%2F%2Fsearch%2F%6B%3Fpage%3D"))
                << request.body;
            pages.insert(PageOf(request.body));
        }
        EXPECT_EQ(pages, (std::multiset<int>{1, 2, 3}));
    }
    TestServer server;
    server.server().Post("/Tools/PageCode.aspx",
                         [](const httplib::Request &, httplib::Response &res) {
                             res.status = 302;
                             res.set_header("Location", "ftp://127.0.0.1/page");
                         });
    ASSERT_TRUE(server.start());
    const Result r = RunCli({JIUJIU_CLI, "k"}, server.port());
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("ftp"), std::string::npos) << r.err;
}

// Each page's report against what the service saw: "not asked for" only for pages it never
// saw, every failed page with the reason of its last answer.
TEST(CliAnswers, PageReportsMatchTheServiceLog)
{
    const auto rows = Resources(100);
    const std::set<int> failing{3, 4, 5, 6};
    for (const char *jobs : {"1", "8"}) {
        SCOPED_TRACE(jobs);
        TestServer server;
        server.server().Post("/Tools/PageCode.aspx",
                             [&](const httplib::Request &req, httplib::Response &res) {
                                 const int page = PageOf(req.body);
                                 if (failing.count(page)) {
                                     res.status = 503;
                                     res.set_content("busy", "text/plain");
                                     return;
                                 }
                                 Pages(rows, 10)(page, req, res);
                             });
        ASSERT_TRUE(server.start());
        const Result r = RunCli({JIUJIU_CLI, "--jobs", jobs, "k"}, server.port());
        EXPECT_EQ(r.status, 3) << r.err;
        std::map<int, int> asked;
        for (const auto &request : server.received())
            ++asked[PageOf(request.body)];
        std::set<int> reported;
        const std::regex failed("page ([0-9]+): (.*)");
        const std::regex unasked("pages? ([0-9]+)(-([0-9]+))?: not asked for after failed pages");
        for (const std::string &line : OutputLines(r.err)) {
            std::smatch m;
            if (std::regex_match(line, m, unasked)) {
                const int first = std::stoi(m[1]);
                const int last = m[3].matched ? std::stoi(m[3]) : first;
                for (int p = first; p <= last; ++p) {
                    EXPECT_EQ(asked[p], 0) << "page " << p << " was asked for";
                    reported.insert(p);
                }
            } else if (std::regex_match(line, m, failed)) {
                const int page = std::stoi(m[1]);
                // One abandoned in flight may not have reached the log, written after answers.
                if (!m[2].str().starts_with("abandoned after")) {
                    EXPECT_GE(asked[page], 1) << line;
                }
                if (failing.count(page) && asked[page] > 1) {
                    EXPECT_EQ(m[2], "HTTP 503") << line;
                }
                reported.insert(page);
            }
        }
        // Every page is listed or reported; a page reported was not listed.
        std::set<int> listed;
        for (const std::string &line : OutputLines(r.out)) {
            const auto name = line.find("\tfile") + 5;
            listed.insert(std::stoi(line.substr(name)) / 10 + 1);
        }
        for (int page = 1; page <= 10; ++page)
            EXPECT_NE(reported.count(page), listed.count(page)) << page << "\n" << r.err;
    }
}

// A write that fails ends the search with its own status and says why, in every format.
TEST(CliAnswers, FailedWritesAreReported)
{
    TestServer server;
    server.server().Post("/Tools/PageCode.aspx",
                         [&](const httplib::Request &req, httplib::Response &res) {
                             Pages(Resources(40), 20)(PageOf(req.body), req, res);
                         });
    ASSERT_TRUE(server.start());
    for (const char *format : {"tsv", "json", "csv", "links"}) {
        SCOPED_TRACE(format);
        const std::string command =
            std::string("exec '") + JIUJIU_CLI + "' --format " + format + " k > /dev/full";
        const Result r = RunCli({"/bin/sh", "-c", command}, server.port());
        EXPECT_EQ(r.status, 5) << r.err;
        const auto err = OutputLines(r.err);
        ASSERT_FALSE(err.empty());
        EXPECT_EQ(err.back(), "写入输出失败：No space left on device") << r.err;
    }
}

TEST(CliAnswers, DemoServiceHelp)
{
    ChildProcess child({JIUJIU_DEMO_SERVICE, "--help"}, {});
    std::string out;
    EXPECT_EQ(child.finish(&out), 0);
    EXPECT_NE(out.find("--rows-per-page N"), std::string::npos) << out;
}

} // namespace
