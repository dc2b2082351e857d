// jiujiu-cli against the real demo service, both started as child processes.
#include "catalogue.h"
#include "childprocess.h"
#include "resultpage.h"
#include "testserver.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using jiujiu::test::ChildProcess;
using jiujiu::test::DemoServiceProcess;
using jiujiu::test::OutputLines;

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

const char *const kUsage =
    "usage: jiujiu-cli [--format tsv|json|csv|links|xlsx] [--output FILE] "
    "[--merge] [--sort COLUMN[:desc]] [--filter EXPR] [--jobs N] [--max-rows N] "
    "KEYWORD\n"
    "       jiujiu-cli [--save NAME] [OPTIONS] KEYWORD\n"
    "       jiujiu-cli --saved NAME [--new-only] [--notify] [--format F] [--output FILE]\n"
    "       jiujiu-cli --list-saved | --forget NAME\n";

// What jiujiu-cli writes for a usage error: the argument and what is wrong, then the usage.
std::string UsageError(const std::string &why)
{
    return why + "\n" + kUsage;
}

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

// The archive series as the demo service makes it with --archive 4500, before any test reads
// the catalogue.
[[maybe_unused]] const bool kArchive = (jiujiu::demo::SetArchiveSize(4500), true);

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
            const auto lines = OutputLines(r.out);
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

// Pages of thousands of rows are read and printed in halves side by side: every row still
// comes once, in order, on a page large enough for that and on one that is not.
TEST(Cli, LargePagesListEveryRowInOrder)
{
    const DemoServiceProcess service({"--rows-per-page", "3000", "--archive", "4500"});
    ASSERT_FALSE(service.host().empty());
    const auto expected = jiujiu::demo::FindResources("档案馆");
    ASSERT_EQ(expected.size(), 4500u);
    std::vector<std::string> links;
    for (const auto *e : expected)
        links.push_back(e->link);
    for (const char *jobs : {"1", "4"}) {
        const Result tsv =
            RunProgram({JIUJIU_CLI, "--jobs", jobs, "档案馆"}, service.environment());
        EXPECT_EQ(tsv.status, 0) << tsv.err;
        EXPECT_EQ(OutputLines(tsv.out), ExpectedLines(expected, 1)) << jobs << " in flight";
        const Result list = RunProgram({JIUJIU_CLI, "--jobs", jobs, "--format", "links", "档案馆"},
                                       service.environment());
        EXPECT_EQ(OutputLines(list.out), links) << jobs << " in flight";
    }
}

TEST(Cli, JsonOutput)
{
    const DemoServiceProcess service({"--rows-per-page", "50"});
    const Result r =
        RunProgram({JIUJIU_CLI, "--json", "Tom & Jerry.Remix.E01."}, service.environment());
    EXPECT_EQ(r.status, 0) << r.err;
    const auto &e = *jiujiu::demo::FindResources("Tom & Jerry.Remix.E01.").at(0);
    const std::string ext = e.name.substr(e.name.rfind('.') + 1);
    EXPECT_EQ(r.out, "[\n {\"serial\": \"1\", \"name\": \"" + e.name + "\", \"size\": \"" + e.size +
                         "\", \"size_bytes\": " + std::to_string(SizeBytes(e.size)) +
                         ", \"sources\": \"" + e.sources + "\", \"link\": \"" + e.link +
                         "\", \"type\": \"video\", \"ext\": \"" + ext +
                         "\", \"names\": [], \"warnings\": [], \"status\": \"none\"}\n]\n");
}

TEST(Cli, FormatsCsvAndLinks)
{
    const DemoServiceProcess service({"--rows-per-page", "5"});
    const auto expected = jiujiu::demo::FindResources("jerry");
    const Result csv = RunProgram({JIUJIU_CLI, "--format", "csv", "jerry"}, service.environment());
    EXPECT_EQ(csv.status, 0) << csv.err;
    const auto lines = OutputLines(csv.out);
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines[0], "\xEF\xBB\xBF序号,名称,大小,大小(字节),资源数,链接,提示\r");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto &e = *expected[i];
        // No name of the catalogue needs quoting.
        EXPECT_EQ(lines[i + 1], std::to_string(i + 1) + "," + e.name + "," + e.size + "," +
                                    std::to_string(SizeBytes(e.size)) + "," + e.sources + "," +
                                    e.link + ",\r");
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
    const auto lines = OutputLines(r.out);
    ASSERT_EQ(lines.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const auto &[serial, sources] = files[order[i]];
        const auto &e = *expected[serial - 1];
        EXPECT_EQ(lines[i], std::to_string(serial) + "\t" + e.name + "\t" + e.size + "\t" +
                                std::to_string(sources) + "\t" + e.link + "\t3");
    }
    const Result json =
        RunProgram({JIUJIU_CLI, "--merge", "--json", "Rerun"}, service.environment());
    EXPECT_EQ(OutputLines(json.out).size(), 3u + 2) << "three rows between the brackets";
    EXPECT_NE(json.out.find("\"copies\": 3, "), std::string::npos) << json.out;
}

// 假货 lists fakes and broken links among ordinary files: JSON names each row's type and
// warnings, CSV gives them in 提示, and the filter finds or hides them by what they are.
TEST(Cli, TypesNamesAndWarningsInJsonCsvAndTheFilter)
{
    const DemoServiceProcess service({"--rows-per-page", "5"});
    const auto fakes = jiujiu::demo::FindResources("假货");
    const Result json = RunProgram({JIUJIU_CLI, "--json", "假货"}, service.environment());
    EXPECT_EQ(json.status, 0) << json.err;
    const auto lines = OutputLines(json.out);
    ASSERT_EQ(lines.size(), fakes.size() + 2); // the brackets
    const auto rulesOf = [](const std::string &line) {
        std::vector<std::string> rules;
        for (std::size_t at = line.find("\"rule\": \""); at != std::string::npos;
             at = line.find("\"rule\": \"", at + 1)) {
            const std::size_t from = at + 9;
            rules.push_back(line.substr(from, line.find('"', from) - from));
        }
        return rules;
    };
    const struct
    {
        const char *name;
        const char *typeAndExt;
        std::vector<std::string> rules;
    } rows[] = {
        {"假货.银河守望者.1080p.mkv", "\"type\": \"video\", \"ext\": \"mkv\"", {}},
        {"假货.银河守望者.字幕.zip", "\"type\": \"archive\", \"ext\": \"zip\"", {}},
        {"假货.银河守望者.1080p.avi.exe",
         "\"type\": \"program\", \"ext\": \"exe\"",
         {"double-extension", "program-among-media"}},
        {"假货.银河守望者.高清版.rar", "\"type\": \"archive\"", {"small-archive-among-media"}},
        {"假货.雾岛.全30集.mkv", "\"ext\": \"mkv\"", {"too-small-for-season"}},
        {"假货.银河守望者.国语.mkv", "\"type\": \"video\"", {"name-mismatch"}},
        {"假货.坏链接.服务器.mkv", "\"type\": \"other\", \"ext\": \"\"", {"broken-link"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string &l) {
            return l.find("\"name\": \"" + std::string(row.name) + "\"") != std::string::npos;
        });
        ASSERT_NE(line, lines.end());
        EXPECT_NE(line->find(row.typeAndExt), std::string::npos) << *line;
        EXPECT_EQ(rulesOf(*line), row.rules) << *line;
    }

    // CSV: the same warnings in 提示, one after the other.
    const Result csv = RunProgram({JIUJIU_CLI, "--format", "csv", "假货"}, service.environment());
    const auto csvLines = OutputLines(csv.out);
    ASSERT_EQ(csvLines.size(), fakes.size() + 1);
    const auto exe = std::find_if(csvLines.begin(), csvLines.end(), [](const std::string &l) {
        return l.find("假货.银河守望者.1080p.avi.exe,") != std::string::npos;
    });
    ASSERT_NE(exe, csvLines.end());
    EXPECT_NE(
        exe->find("/,文件名以 .avi.exe 结尾：看着像视频，打开却会运行程序；列表里多是视频和音频"),
        std::string::npos)
        << *exe;

    // What the filter keeps: only ordinary rows once both kinds are hidden; programs by type.
    const auto namesOf = [](const std::string &tsv) {
        std::vector<std::string> names;
        for (const std::string &line : OutputLines(tsv))
            names.push_back(line.substr(line.find('\t') + 1, line.find('\t', line.find('\t') + 1) -
                                                                 line.find('\t') - 1));
        return names;
    };
    const Result clean =
        RunProgram({JIUJIU_CLI, "--filter", "-可疑 -链接无效", "假货"}, service.environment());
    EXPECT_EQ(clean.status, 0) << clean.err;
    EXPECT_EQ(namesOf(clean.out),
              (std::vector<std::string>{"假货.银河守望者.1080p.mkv", "假货.银河守望者.720p.mp4",
                                        "假货.银河守望者.480p.rmvb", "假货.银河守望者.原声.flac",
                                        "假货.银河守望者.字幕.zip", "假货.夜行侦探.第2集.mkv",
                                        "假货.夜行侦探.第1集.mkv", "假货.夜行侦探.第1集.mkv"}));
    const Result programs =
        RunProgram({JIUJIU_CLI, "--filter", "type:程序 -ext:lnk", "假货"}, service.environment());
    EXPECT_EQ(namesOf(programs.out).size(), 3u) << programs.out;

    // A merged row names its other listings, with their serials and sources.
    const Result merged =
        RunProgram({JIUJIU_CLI, "--merge", "--json", "Rerun"}, service.environment());
    const auto rerun = jiujiu::demo::FindResources("Rerun");
    EXPECT_NE(merged.out.find("\"names\": [{\"serial\": \"4\", \"name\": \"" + rerun[3]->name +
                              "\", \"sources\": \"" + rerun[3]->sources +
                              "\"}, {\"serial\": \"7\""),
              std::string::npos)
        << merged.out;
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
    const auto lines = OutputLines(r.out);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_NE(lines[i].find("\t" + expected[i]->link), std::string::npos) << lines[i];

    // Without a sort the filter works on rows as they are listed.
    const Result streamed =
        RunProgram({JIUJIU_CLI, "--filter", "size>=2GB", "jerry"}, service.environment());
    for (const std::string &line : OutputLines(streamed.out)) {
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
        std::string errText;
    };
    const std::string filterTooLarge = "--filter: 'size>=99999999999999999999TB': "
                                       "'99999999999999999999TB' is too large a size";
    const Case cases[] = {
        {{"no-such-title-anywhere"}, 1, "温馨提示: 我和小伙伴们都惊呆了，你的关键字也太冷门了！\n"},
        {{""}, 2, "温馨提示: 请输入需搜索的关键字！\n"},
        {{}, 2, UsageError("KEYWORD is missing")},
        {{"--merge"}, 2, UsageError("KEYWORD is missing")},
        {{"a", "b"}, 2, UsageError("'b': one keyword only (quote a keyword with blanks)")},
        {{"--bogus"}, 2, UsageError("--bogus: unknown option")},
        {{"--bogus=1", "a"}, 2, UsageError("--bogus: unknown option")},
        {{"-h", "a"}, 2, UsageError("-h: unknown option")},
        {{"a", "--json"}, 2, UsageError("--json: options go before the keyword")},
        {{"a", "--filter=x"}, 2, UsageError("--filter: options go before the keyword")},
        {{"--jobs", "0", "a"}, 2, UsageError("--jobs: 0 is not between 1 and 8")},
        {{"--jobs=9", "a"}, 2, UsageError("--jobs: 9 is not between 1 and 8")},
        {{"--jobs", "-1", "a"}, 2, UsageError("--jobs: -1 is not between 1 and 8")},
        {{"--jobs=99999999999999999999", "a"},
         2,
         UsageError("--jobs: 99999999999999999999 is not between 1 and 8")},
        {{"--jobs", "x", "a"}, 2, UsageError("--jobs: 'x' is not a number")},
        {{"--jobs=", "a"}, 2, UsageError("--jobs: '' is not a number")},
        {{"--jobs"}, 2, UsageError("--jobs: a value is missing")},
        {{"--format", "xml", "a"},
         2,
         UsageError("--format: unknown format 'xml' (tsv, json, csv, links or xlsx)")},
        {{"--format", "csv", "--json", "a"},
         2,
         UsageError("--json: the output format is given twice")},
        {{"--json", "--format=csv", "a"},
         2,
         UsageError("--format: the output format is given twice")},
        {{"--json=yes", "a"}, 2, UsageError("--json: takes no value")},
        {{"--sort", "colour", "a"},
         2,
         UsageError("--sort: unknown column 'colour' (serial, name, size, sources or link)")},
        {{"--sort=name:up", "a"}, 2, UsageError("--sort: unknown direction 'up' (asc or desc)")},
        {{"--sort"}, 2, UsageError("--sort: a value is missing")},
        {{"--filter", "jerry size>=", "a"},
         2,
         UsageError("--filter: 'size>=': a size is missing after '>='")},
        {{"--filter=sources>=-1", "a"},
         2,
         UsageError("--filter: 'sources>=-1': '-1' is not a number of sources (0 or more)")},
        {{"--filter", "size>=99999999999999999999TB", "a"}, 2, UsageError(filterTooLarge)},
        {{"--filter", "资源数<5", "a"},
         2,
         UsageError("--filter: '资源数<5': sources take a minimum only (> or >=)")},
        {{"--filter", "-大小>1GB", "a"},
         2,
         UsageError("--filter: '-大小>1GB': a bound cannot be excluded (use the opposite "
                    "comparison)")},
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

// Every option that takes a value takes it as the next argument or after "=".
TEST(Cli, OptionValuesInBothForms)
{
    const DemoServiceProcess service({"--rows-per-page", "6"});
    const Result plain = RunProgram({JIUJIU_CLI, "jerry"}, service.environment());
    ASSERT_EQ(plain.status, 0) << plain.err;
    const struct
    {
        std::vector<std::string> spaced;
        std::string joined;
        bool changesOutput;
    } cases[] = {
        {{"--jobs", "2"}, "--jobs=2", false},
        {{"--jobs", "08"}, "--jobs=8", false},
        {{"--format", "csv"}, "--format=csv", true},
        {{"--sort", "size:desc"}, "--sort=size:desc", true},
        {{"--filter", "-mkv size>=1GB"}, "--filter=-mkv size>=1GB", true},
        {{"--filter", "a=b"}, "--filter=a=b", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.joined);
        std::vector<std::string> spaced{JIUJIU_CLI};
        spaced.insert(spaced.end(), c.spaced.begin(), c.spaced.end());
        spaced.push_back("jerry");
        const Result a = RunProgram(spaced, service.environment());
        const Result b = RunProgram({JIUJIU_CLI, c.joined, "jerry"}, service.environment());
        EXPECT_EQ(a.status, 0) << a.err;
        EXPECT_EQ(b.status, 0) << b.err;
        EXPECT_EQ(a.out, b.out);
        EXPECT_EQ(a.out != plain.out, c.changesOutput);
    }
}

// Rows a hostile site could list: names a spreadsheet would run as formulas, links that are
// not ed2k links. Served by a loopback stand-in of the viewer service.
TEST(Cli, CsvCellsAreNeverFormulasAndLinkListsHoldEd2kLinksOnly)
{
    const std::vector<jiujiu::demo::Resource> resources = {
        {"=HYPERLINK(\"http://x.example\",\"click\")", "1.00 GB", "5",
         "ed2k://|file|a.mkv|1073741824|0123456789ABCDEF0123456789ABCDEF|/"},
        {"+cmd|' /C calc'!A0", "2.0 MB", "7", "http://evil.example/a.mkv"},
        {"@SUM(1+1)", "3.0 MB", "9",
         "ED2K://|file|b.mkv|3145728|0123456789ABCDEF0123456789ABCDEF|/"},
        {"-2+3", "4.0 MB", "11", "magnet:?xt=urn:btih:0123"},
        {"plain", "5.0 MB", "13", "=cmd|' /C calc'!A0"},
    };
    std::vector<const jiujiu::demo::Resource *> rows;
    for (const auto &r : resources)
        rows.push_back(&r);
    jiujiu::test::TestServer server;
    server.server().Post("/Tools/PageCode.aspx", [&](const httplib::Request &request,
                                                     httplib::Response &response) {
        const std::string page =
            jiujiu::demo::SearchResultPage("x", rows, static_cast<long long>(rows.size()), 1, 1);
        response.set_content(
            jiujiu::demo::ViewerPage("http://" + request.get_param_value("q"), page),
            "text/html; charset=utf-8");
    });
    ASSERT_TRUE(server.start());
    const std::vector<std::string> environment = {"JIUJIU_VIEWER_HOST=127.0.0.1:" +
                                                  std::to_string(server.port())};

    const Result csv = RunProgram({JIUJIU_CLI, "--format=csv", "x"}, environment);
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out,
              "\xEF\xBB\xBF序号,名称,大小,大小(字节),资源数,链接,提示\r\n"
              "1,\"'=HYPERLINK(\"\"http://x.example\"\",\"\"click\"\")\",1.00 GB,"
              "1073741824,5,ed2k://|file|a.mkv|1073741824|0123456789ABCDEF0123456789ABCDEF|/,"
              "链接里的文件名“a.mkv”与名称不符，下载到的可能是另一个文件\r\n"
              "2,'+cmd|' /C calc'!A0,2.0 MB,2097152,7,http://evil.example/a.mkv,"
              "链接无效：这不是 ed2k:// 链接\r\n"
              "3,'@SUM(1+1),3.0 MB,3145728,9,"
              "ED2K://|file|b.mkv|3145728|0123456789ABCDEF0123456789ABCDEF|/,"
              "链接里的文件名“b.mkv”与名称不符，下载到的可能是另一个文件\r\n"
              "4,'-2+3,4.0 MB,4194304,11,magnet:?xt=urn:btih:0123,链接无效：这不是 ed2k:// 链接\r\n"
              "5,plain,5.0 MB,5242880,13,'=cmd|' /C calc'!A0,链接无效：这不是 ed2k:// 链接\r\n");

    const Result links = RunProgram({JIUJIU_CLI, "--format", "links", "x"}, environment);
    EXPECT_EQ(links.status, 0) << links.err;
    EXPECT_EQ(links.out, resources[0].link + "\n" + resources[2].link + "\n");

    // The other formats stay exact.
    const Result tsv = RunProgram({JIUJIU_CLI, "x"}, environment);
    ASSERT_EQ(OutputLines(tsv.out).size(), resources.size());
    for (std::size_t i = 0; i < resources.size(); ++i)
        EXPECT_EQ(OutputLines(tsv.out)[i], ExpectedLines({&resources[i]}, i + 1)[0]);
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
    EXPECT_EQ(OutputLines(r.out), ExpectedLines(expected, 1));
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
    EXPECT_EQ(OutputLines(r.out), ExpectedLines(listed, 1));
    const std::string total = std::to_string(found.size());
    const auto err = OutputLines(r.err);
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
    EXPECT_TRUE(
        r.err.starts_with("温馨提示: 呜呜，连不上搜索服务（连接被拒绝），请检查网络后再试一次！\r\n"
                          "原因：Failed to connect to 127.0.0.1 port 1"))
        << r.err;
    EXPECT_EQ(OutputLines(r.err).size(), 2u) << "the message only";
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
    for (const std::string &line : OutputLines(out))
        lines.push_back(line);
    // Whole pages only, in order, from the first.
    ASSERT_EQ(lines.size() % 5, 0u);
    ASSERT_LT(lines.size(), 1000u);
    const std::vector<const jiujiu::demo::Resource *> listed(
        found.begin(), found.begin() + static_cast<long>(lines.size()));
    EXPECT_EQ(lines, ExpectedLines(listed, 1));
    const auto errLines = OutputLines(err);
    ASSERT_EQ(errLines.size(), 3u) << err;
    EXPECT_EQ(errLines[1], "搜索已停止，为您找到[1000]枚资源，已列出 " +
                               std::to_string(lines.size()) + " 枚！双击复制、下载！");
    EXPECT_EQ(errLines[2], "pages " + std::to_string(lines.size() / 5 + 1) + "-200: stopped");
}

namespace {

namespace fs = std::filesystem;

// A directory of its own for the test, removed with it.
struct ScratchDirectory
{
    ScratchDirectory()
    {
        std::string pattern = (fs::temp_directory_path() / "jiujiu-cli-out-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~ScratchDirectory() { fs::remove_all(path); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto &entry : fs::directory_iterator(path))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    fs::path path;
};

std::string ReadWhole(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// One cell as the independent reader saw it: type (s text, n number, f formula), value, bold,
// hyperlink target, number format.
struct Cell
{
    Cell() = default;
    Cell(std::string type, std::string value, bool bold = false, std::string link = {},
         std::string format = "General")
        : type(std::move(type)), value(std::move(value)), bold(bold), link(std::move(link)),
          format(std::move(format))
    {}
    std::string type, value;
    bool bold = false;
    std::string link, format;
    friend bool operator==(const Cell &, const Cell &) = default;
};
std::ostream &operator<<(std::ostream &out, const Cell &c)
{
    return out << c.type << " '" << c.value << "' bold=" << c.bold << " link='" << c.link
               << "' format=" << c.format;
}

struct Spreadsheet
{
    std::map<std::string, std::string> facts; // sheets, sheet, freeze, formulas
    std::map<std::string, Cell> cells;        // by coordinate
};

std::string Unescaped(const std::string &field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
    }
    return out;
}

// The spreadsheet read back by openpyxl and Python's zipfile (tests/support/xlsxcells.py).
Spreadsheet ReadSpreadsheet(const fs::path &path)
{
    const Result read = RunProgram({"/usr/bin/python3", JIUJIU_XLSX_CELLS, path.string()}, {});
    EXPECT_EQ(read.status, 0) << read.err;
    Spreadsheet sheet;
    for (const std::string &line : OutputLines(read.out)) {
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            fields.push_back(Unescaped(line.substr(from, tab - from)));
        fields.push_back(Unescaped(line.substr(from)));
        if (fields[0] == "cell" && fields.size() == 7)
            sheet.cells[fields[1]] =
                Cell(fields[2], fields[3], fields[4] == "1", fields[5], fields[6]);
        else if (fields.size() == 2)
            sheet.facts[fields[0]] = fields[1];
    }
    return sheet;
}

const std::string kHash = "0123456789ABCDEF0123456789ABCDEF";

// Names a spreadsheet would read as numbers, formulas or an escape, Chinese with commas and
// quotes.
const std::vector<jiujiu::demo::Resource> kTricky = {
    {"0012345", "1.00 GB", "5", "ed2k://|file|0012345|1073741824|" + kHash + "|/"},
    {"1e5", "2.0 MB", "7", "ed2k://|file|1e5|2097152|" + kHash + "|/"},
    {"=SUM(A1)", "3.0 MB", "9", "http://evil.example/a.mkv"},
    {"周杰伦, \"最伟大的作品\" _x0041_", "4.0 MB", "11",
     "ed2k://|file|a.mkv|4194304|" + kHash + "|/"},
};

// A loopback site that lists the resources on one page, whatever the keyword.
struct TrickySite
{
    TrickySite()
    {
        for (const auto &r : kTricky)
            rows.push_back(&r);
        server.server().Post("/Tools/PageCode.aspx", [this](const httplib::Request &request,
                                                            httplib::Response &response) {
            const std::string page = jiujiu::demo::SearchResultPage(
                "x", rows, static_cast<long long>(rows.size()), 1, 1);
            response.set_content(
                jiujiu::demo::ViewerPage("http://" + request.get_param_value("q"), page),
                "text/html; charset=utf-8");
        });
        started = server.start();
        environment = {"JIUJIU_VIEWER_HOST=127.0.0.1:" + std::to_string(server.port()),
                       "JIUJIU_ED2K_CLIENT_DIR=/nonexistent"};
    }
    std::vector<const jiujiu::demo::Resource *> rows;
    jiujiu::test::TestServer server;
    bool started = false;
    std::vector<std::string> environment;
};

// A keyword with every character a sheet name refuses, longer than a sheet name may be.
const std::string kKeyword =
    "'周杰伦/演唱会:2004*[高清]?\\一二三四五六七八九十一二三四五六七八九十";

} // namespace

TEST(CliXlsx, CellsAreTypedTextStaysTextAndLinksAreClickable)
{
    TrickySite site;
    ASSERT_TRUE(site.started);
    ScratchDirectory dir;
    const fs::path file = dir.path / "结果.xlsx";
    const Result run = RunProgram(
        {JIUJIU_CLI, "--format", "xlsx", "--output", file.string(), kKeyword}, site.environment);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const Spreadsheet sheet = ReadSpreadsheet(file);

    EXPECT_EQ(sheet.facts.at("sheets"), "1");
    // Cut to 31 characters, [ ] : * ? / \ and the leading apostrophe replaced.
    EXPECT_EQ(sheet.facts.at("sheet"), "_周杰伦_演唱会_2004__高清___一二三四五六七八九十一");
    EXPECT_EQ(sheet.facts.at("freeze"), "A2") << "the header row is frozen";
    EXPECT_EQ(sheet.facts.at("formulas"), "0");

    const std::string mismatch = "链接里的文件名“a.mkv”与名称不符，下载到的可能是另一个文件";
    const std::map<std::string, Cell> expected = {
        {"A1", {"s", "序号", true}},
        {"B1", {"s", "名称", true}},
        {"C1", {"s", "大小", true}},
        {"D1", {"s", "大小(字节)", true}},
        {"E1", {"s", "资源数", true}},
        {"F1", {"s", "链接", true}},
        {"G1", {"s", "类型", true}},
        {"H1", {"s", "提示", true}},
        {"I1", {"s", "状态", true}},
        // 0012345
        {"A2", {"n", "1"}},
        {"B2", {"s", "0012345"}},
        {"C2", {"s", "1.00 GB"}},
        {"D2", {"n", "1073741824", false, "", "#,##0"}},
        {"E2", {"n", "5"}},
        {"F2", {"s", kTricky[0].link, false, kTricky[0].link}},
        {"G2", {"s", "其他"}},
        {"I2", {"s", "新"}},
        // 1e5
        {"A3", {"n", "2"}},
        {"B3", {"s", "1e5"}},
        {"C3", {"s", "2.0 MB"}},
        {"D3", {"n", "2097152", false, "", "#,##0"}},
        {"E3", {"n", "7"}},
        {"F3", {"s", kTricky[1].link, false, kTricky[1].link}},
        {"G3", {"s", "其他"}},
        {"I3", {"s", "新"}},
        // =SUM(A1), a broken link: its text without a hyperlink
        {"A4", {"n", "3"}},
        {"B4", {"s", "=SUM(A1)"}},
        {"C4", {"s", "3.0 MB"}},
        {"D4", {"n", "3145728", false, "", "#,##0"}},
        {"E4", {"n", "9"}},
        {"F4", {"s", kTricky[2].link}},
        {"G4", {"s", "其他"}},
        {"H4", {"s", "链接无效：这不是 ed2k:// 链接"}},
        {"I4", {"s", "新"}},
        // Chinese, comma and quotes
        {"A5", {"n", "4"}},
        {"B5", {"s", kTricky[3].name}},
        {"C5", {"s", "4.0 MB"}},
        {"D5", {"n", "4194304", false, "", "#,##0"}},
        {"E5", {"n", "11"}},
        {"F5", {"s", kTricky[3].link, false, kTricky[3].link}},
        {"G5", {"s", "视频（.mkv）"}},
        {"H5", {"s", mismatch}},
        {"I5", {"s", "新"}},
    };
    ASSERT_EQ(sheet.cells.size(), expected.size());
    for (const auto &[coordinate, cell] : expected)
        EXPECT_EQ(sheet.cells.at(coordinate), cell) << coordinate;
}

// The file as LibreOffice reads it, where it is installed.
TEST(CliXlsx, LibreOfficeReadsTheSameTexts)
{
    if (!fs::exists("/usr/bin/soffice"))
        GTEST_SKIP() << "LibreOffice (soffice, package libreoffice-calc-nogui) is not installed";
    TrickySite site;
    ASSERT_TRUE(site.started);
    ScratchDirectory dir;
    const fs::path file = dir.path / "results.xlsx";
    ASSERT_EQ(RunProgram({JIUJIU_CLI, "--format=xlsx", "--output=" + file.string(), "x"},
                         site.environment)
                  .status,
              0);
    const Result converted = RunProgram(
        {"soffice", "--headless", "-env:UserInstallation=file://" + dir.path.string() + "/profile",
         "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", dir.path.string(),
         file.string()},
        {});
    ASSERT_EQ(converted.status, 0) << converted.err;
    const std::string csv = ReadWhole(dir.path / "results.csv");
    for (const auto &r : kTricky) {
        // Each name arrives as its text: quoted as CSV quotes it, or bare.
        std::string quoted = "\"";
        for (char c : r.name)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        quoted += '"';
        EXPECT_TRUE(csv.find("," + r.name + ",") != std::string::npos ||
                    csv.find("," + quoted + ",") != std::string::npos)
            << r.name << " in\n"
            << csv;
    }
}

TEST(CliOutput, EveryFormatGoesToTheFileAsItWouldToStandardOutput)
{
    const DemoServiceProcess service({"--rows-per-page", "5"});
    ScratchDirectory dir;
    for (const char *format : {"tsv", "json", "csv", "links"}) {
        SCOPED_TRACE(format);
        const fs::path file = dir.path / (std::string("out.") + format);
        const Result printed =
            RunProgram({JIUJIU_CLI, "--format", format, "jerry"}, service.environment());
        const Result written =
            RunProgram({JIUJIU_CLI, "--format", format, "--output", file.string(), "jerry"},
                       service.environment());
        EXPECT_EQ(written.status, 0) << written.err;
        EXPECT_EQ(written.out, "");
        EXPECT_FALSE(printed.out.empty());
        EXPECT_EQ(ReadWhole(file), printed.out);
    }
}

TEST(CliOutput, FailuresLeaveNoFileBehind)
{
    const DemoServiceProcess service({"--rows-per-page", "5"});
    ScratchDirectory dir;
    fs::create_directory(dir.path / "sub");
    const fs::path old = dir.path / "old.json";
    std::ofstream(old) << "old contents\n";
    const std::string cli = JIUJIU_CLI;
    struct Case
    {
        const char *name;
        std::vector<std::string> args;
        int status;
        std::string err; // what standard error starts with
    };
    const Case cases[] = {
        {"xlsx needs a file",
         {cli, "--format", "xlsx", "jerry"},
         2,
         UsageError("--format xlsx: a spreadsheet goes to a file: give --output FILE")},
        {"the file is given twice",
         {cli, "--output", old.string(), "--output", old.string(), "jerry"},
         2,
         UsageError("--output: the output file is given twice")},
        {"the directory is missing",
         {cli, "--output", (dir.path / "no" / "a.tsv").string(), "jerry"},
         5,
         "写入输出失败：" + (dir.path / "no").string() + ": No such file or directory\n"},
        {"the file is a directory",
         {cli, "--output", (dir.path / "sub").string(), "jerry"},
         5,
         "写入输出失败："},
        // The file-size limit stops the write half-way; the old file stays whole.
        {"the write fails",
         {"/bin/sh", "-c", "ulimit -f 1 && exec \"$0\" \"$@\"", cli, "--json", "--output",
          old.string(), "jerry"},
         5,
         "写入输出失败：" + old.string() + ": File too large\n"},
        {"the service cannot be reached", {cli, "--output", old.string(), "jerry"}, 4, ""},
    };
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN); // children inherit it
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> environment = service.environment();
        if (std::string(c.name) == "the service cannot be reached")
            environment = {"JIUJIU_VIEWER_HOST=127.0.0.1:1"};
        const Result r = RunProgram(c.args, environment);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(r.err.starts_with(c.err) || r.err.find("\n" + c.err) != std::string::npos)
            << r.err;
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"old.json", "sub"}));
        EXPECT_TRUE(fs::is_empty(dir.path / "sub"));
        EXPECT_EQ(ReadWhole(old), "old contents\n");
    }
    std::signal(SIGXFSZ, previousHandler);
}
