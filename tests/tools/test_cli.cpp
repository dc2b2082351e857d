// jiujiu-cli against the real demo service, both started as child processes.
#include "catalogue.h"
#include "childprocess.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

using jiujiu::test::ChildProcess;
using jiujiu::test::DemoServiceProcess;

struct Result
{
    int status = -1;
    std::string out, err;
};

Result RunProgram(const std::vector<std::string> &args, const std::vector<std::string> &env)
{
    ChildProcess child(args, env);
    Result r;
    r.status = child.finish(&r.out, &r.err);
    return r;
}

// The size the site writes ("1.37 GB", "81.3 MB") in bytes, read with the C library.
long long SizeBytes(const std::string &size)
{
    double value = 0;
    char unit[8] = {};
    if (std::sscanf(size.c_str(), "%lf %7s", &value, unit) != 2)
        return -1;
    const double scale = std::string(unit) == "GB" ? 1073741824.0 : 1048576.0;
    return std::llround(value * scale);
}

std::string Lower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    return lines;
}

const char *const kUsage = "usage: jiujiu-cli [--format tsv|json|csv|links] [--merge] "
                           "[--sort COLUMN[:desc]] [--filter EXPR] [--jobs N] KEYWORD\n";

// The rows jiujiu-cli prints for these catalogue entries, numbered from `serial`.
std::vector<std::string> ExpectedLines(const std::vector<const jiujiu::demo::Resource *> &rows,
                                       std::size_t serial)
{
    std::vector<std::string> lines;
    for (const auto *e : rows)
        lines.push_back(std::to_string(serial++) + "\t" + e->name + "\t" + e->size + "\t" +
                        e->sources + "\t" + e->link);
    return lines;
}

} // namespace

TEST(Cli, ListsEveryCatalogueRowOfEveryPage)
{
    const DemoServiceProcess service({"--rows-per-page", "7"});
    ASSERT_FALSE(service.host().empty());
    for (const char *jobs : {"1", "4", "8"}) {
        for (const char *keyword : {"啾啾", "jerry", "E05"}) {
            SCOPED_TRACE(std::string(keyword) + " with " + jobs + " in flight");
            const auto expected = jiujiu::demo::FindResources(keyword);
            ASSERT_GT(expected.size(), 7u) << "the keyword must span several pages";
            const Result r =
                RunProgram({JIUJIU_CLI, "--jobs", jobs, keyword}, service.environment());
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "为您找到[" + std::to_string(expected.size()) +
                                 "]枚资源！双击复制、下载！\n");
            const auto lines = Lines(r.out);
            ASSERT_EQ(lines.size(), expected.size());
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const auto &e = *expected[i];
                // Names and links as the site means them: "&", not the page's "&amp;".
                EXPECT_EQ(lines[i], std::to_string(i + 1) + "\t" + e.name + "\t" + e.size + "\t" +
                                        e.sources + "\t" + e.link);
            }
        }
    }
}

TEST(Cli, JsonOutput)
{
    const DemoServiceProcess service({"--rows-per-page", "50"});
    const Result r =
        RunProgram({JIUJIU_CLI, "--json", "Tom & Jerry.Remix.E01."}, service.environment());
    EXPECT_EQ(r.status, 0) << r.err;
    const auto &e = *jiujiu::demo::FindResources("Tom & Jerry.Remix.E01.").at(0);
    EXPECT_EQ(r.out, "[\n {\"serial\": \"1\", \"name\": \"" + e.name + "\", \"size\": \"" + e.size +
                         "\", \"size_bytes\": " + std::to_string(SizeBytes(e.size)) +
                         ", \"sources\": \"" + e.sources + "\", \"link\": \"" + e.link +
                         "\"}\n]\n");
}

TEST(Cli, FormatsCsvAndLinks)
{
    const DemoServiceProcess service({"--rows-per-page", "5"});
    const auto expected = jiujiu::demo::FindResources("jerry");
    const Result csv = RunProgram({JIUJIU_CLI, "--format", "csv", "jerry"}, service.environment());
    EXPECT_EQ(csv.status, 0) << csv.err;
    const auto lines = Lines(csv.out);
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines[0], "\xEF\xBB\xBF序号,名称,大小,大小(字节),资源数,链接\r");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto &e = *expected[i];
        // No name of the catalogue needs quoting.
        EXPECT_EQ(lines[i + 1], std::to_string(i + 1) + "," + e.name + "," + e.size + "," +
                                    std::to_string(SizeBytes(e.size)) + "," + e.sources + "," +
                                    e.link + "\r");
    }

    const Result links = RunProgram({JIUJIU_CLI, "--format=links", "jerry"}, service.environment());
    EXPECT_EQ(links.status, 0) << links.err;
    std::string all;
    for (const auto *e : expected)
        all += e->link + "\n";
    EXPECT_EQ(links.out, all);
}

// The site lists the Rerun files three times each, on several pages.
TEST(Cli, MergeKeepsTheFirstRowWithTheMostSources)
{
    const DemoServiceProcess service({"--rows-per-page", "4"});
    const auto expected = jiujiu::demo::FindResources("Rerun");
    ASSERT_EQ(expected.size(), 9u);
    std::map<std::string, std::pair<std::size_t, long>> files; // link -> first serial, sources
    std::vector<std::string> order;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto &e = *expected[i];
        auto [at, added] = files.try_emplace(e.link, i + 1, std::stol(e.sources));
        if (added)
            order.push_back(e.link);
        else
            at->second.second = std::max(at->second.second, std::stol(e.sources));
    }
    const Result r = RunProgram({JIUJIU_CLI, "--merge", "Rerun"}, service.environment());
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto &[serial, sources] = files[order[i]];
        const auto &e = *expected[serial - 1];
        EXPECT_EQ(lines[i], std::to_string(serial) + "\t" + e.name + "\t" + e.size + "\t" +
                                std::to_string(sources) + "\t" + e.link + "\t3");
    }
    const Result json =
        RunProgram({JIUJIU_CLI, "--merge", "--json", "Rerun"}, service.environment());
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '{'), 3);
    EXPECT_NE(json.out.find("\"copies\": 3}"), std::string::npos) << json.out;
}

TEST(Cli, SortAndFilterAgainstTheCatalogue)
{
    const DemoServiceProcess service({"--rows-per-page", "6"});
    auto expected = jiujiu::demo::FindResources("jerry");
    // Filter: both words somewhere in name or link, without case; the excluded word nowhere.
    std::erase_if(expected, [](const jiujiu::demo::Resource *e) {
        const std::string text = Lower(e->name + "\n" + e->link);
        return text.find("e0") == std::string::npos || text.find("remix") == std::string::npos ||
               text.find("mkv") != std::string::npos;
    });
    ASSERT_GE(expected.size(), 3u) << "a filter that keeps nothing proves nothing";
    std::stable_sort(expected.begin(), expected.end(), [](const auto *a, const auto *b) {
        return SizeBytes(a->size) > SizeBytes(b->size);
    });
    const Result r =
        RunProgram({JIUJIU_CLI, "--sort", "size:desc", "--filter", "E0 REMIX -mkv", "jerry"},
                   service.environment());
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_NE(lines[i].find("\t" + expected[i]->link), std::string::npos) << lines[i];

    // Without a sort the filter works on rows as they are listed.
    const Result streamed =
        RunProgram({JIUJIU_CLI, "--filter", "size>=2GB", "jerry"}, service.environment());
    for (const std::string &line : Lines(streamed.out)) {
        const std::size_t tab = line.find('\t', line.find('\t') + 1);
        EXPECT_GE(SizeBytes(line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1)), 2LL << 30)
            << line;
    }
    EXPECT_FALSE(streamed.out.empty());
}

TEST(Cli, ExitStatus)
{
    const DemoServiceProcess service;
    struct Case
    {
        std::vector<std::string> args;
        int status;
        const char *errText;
    };
    const Case cases[] = {
        {{"no-such-title-anywhere"}, 1, "温馨提示: 我和小伙伴们都惊呆了，你的关键字也太冷门了！\n"},
        {{""}, 2, "温馨提示: 请输入需搜索的关键字！\n"},
        {{}, 2, kUsage},
        {{"a", "b"}, 2, kUsage},
        {{"--bogus"}, 2, kUsage},
        {{"a", "--json"}, 2, kUsage},
        {{"--jobs", "0", "a"}, 2, kUsage},
        {{"--jobs", "9", "a"}, 2, kUsage},
        {{"--jobs", "x", "a"}, 2, kUsage},
        {{"--jobs"}, 2, kUsage},
        {{"--format", "xml", "a"}, 2, kUsage},
        {{"--format", "csv", "--json", "a"}, 2, kUsage},
        {{"--sort", "colour", "a"}, 2, kUsage},
        {{"--sort"}, 2, kUsage},
        {{"a", "--filter", "x"}, 2, kUsage},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args{JIUJIU_CLI};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = RunProgram(args, service.environment());
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.err, c.errText);
        EXPECT_EQ(r.out, "");
    }
}

TEST(DemoService, RejectsBadOptions)
{
    for (std::vector<std::string> args : {std::vector<std::string>{"--port", "x"},
                                          {"--latency-ms"},
                                          {"--what"},
                                          {"--fail-pages", "x"},
                                          {"--fail-pages", "2,"},
                                          {"--drop-pages", "0"},
                                          {"--drop-pages"}}) {
        args.insert(args.begin(), JIUJIU_DEMO_SERVICE);
        EXPECT_EQ(RunProgram(args, {}).status, 2);
    }
}

TEST(Cli, PagesFailingOnceAreAskedAgain)
{
    const DemoServiceProcess service({"--rows-per-page", "7", "--fail-pages", "1,2,3"});
    const auto expected = jiujiu::demo::FindResources("jerry");
    ASSERT_GT(expected.size(), 14u) << "three pages";
    const Result r = RunProgram({JIUJIU_CLI, "jerry"}, service.environment());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), ExpectedLines(expected, 1));
    EXPECT_EQ(r.err, "为您找到[" + std::to_string(expected.size()) + "]枚资源！双击复制、下载！\n");
}

TEST(Cli, PageThatNeverComesMakesTheSearchIncomplete)
{
    const DemoServiceProcess service({"--rows-per-page", "7", "--drop-pages", "2"});
    const auto found = jiujiu::demo::FindResources("jerry");
    ASSERT_GT(found.size(), 14u) << "three pages";
    const Result r = RunProgram({JIUJIU_CLI, "jerry"}, service.environment());
    EXPECT_EQ(r.status, 3) << r.err;
    // Pages 1 and 3, numbered without a gap.
    std::vector<const jiujiu::demo::Resource *> listed(found.begin(), found.begin() + 7);
    listed.insert(listed.end(), found.begin() + 14, found.end());
    EXPECT_EQ(Lines(r.out), ExpectedLines(listed, 1));
    const std::string total = std::to_string(found.size());
    const auto err = Lines(r.err);
    ASSERT_EQ(err.size(), 3u) << r.err;
    EXPECT_EQ(err[0], "为您找到[" + total + "]枚资源！双击复制、下载！");
    EXPECT_EQ(err[1], "为您找到[" + total + "]枚资源，只列出了 " + std::to_string(listed.size()) +
                          " 枚：第 2 页没能读出来！双击复制、下载！");
    EXPECT_TRUE(err[2].starts_with("page 2: transfer closed with ")) << err[2];
}

TEST(Cli, UnreachableServiceExitsWithFourAndTheReason)
{
    const Result r = RunProgram({JIUJIU_CLI, "jerry"},
                                {"JIUJIU_VIEWER_HOST=127.0.0.1:1", "JIUJIU_SEARCH_HOST=s.example"});
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.starts_with("温馨提示: 呜呜，连不上搜索服务，请检查网络后再试一次！\r\n"
                                  "原因：Failed to connect to 127.0.0.1 port 1"))
        << r.err;
    EXPECT_EQ(Lines(r.err).size(), 2u) << "the message only";
}

TEST(Cli, InterruptStopsLikeTheStopButton)
{
    // One page at a time, 200 ms each: there is time to interrupt after the first page.
    const DemoServiceProcess service({"--rows-per-page", "5", "--latency-ms", "200"});
    const auto found = jiujiu::demo::FindResources("每日新闻");
    ASSERT_EQ(found.size(), 1000u);
    ChildProcess cli({JIUJIU_CLI, "--jobs", "1", "每日新闻"}, service.environment());
    ASSERT_TRUE(cli.started());
    std::vector<std::string> lines;
    for (int i = 0; i < 5; ++i)
        lines.push_back(cli.readOutputLine());
    cli.signal(SIGINT);
    std::string out, err;
    const int status = cli.finish(&out, &err);
    EXPECT_EQ(status, 3) << err;
    for (const std::string &line : Lines(out))
        lines.push_back(line);
    // Whole pages only, in order, from the first.
    ASSERT_EQ(lines.size() % 5, 0u);
    ASSERT_LT(lines.size(), 1000u);
    const std::vector<const jiujiu::demo::Resource *> listed(
        found.begin(), found.begin() + static_cast<long>(lines.size()));
    EXPECT_EQ(lines, ExpectedLines(listed, 1));
    const auto errLines = Lines(err);
    ASSERT_EQ(errLines.size(), 3u) << err;
    EXPECT_EQ(errLines[1], "搜索已停止，为您找到[1000]枚资源，已列出 " +
                               std::to_string(lines.size()) + " 枚！双击复制、下载！");
    EXPECT_EQ(errLines[2], "pages " + std::to_string(lines.size() / 5 + 1) + "-200: stopped");
}
