// jiujiu-cli against the real demo service, both started as child processes.
#include "catalogue.h"
#include "childprocess.h"

#include <gtest/gtest.h>
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

std::string Amp(std::string s)
{
    for (std::size_t at = s.find('&'); at != std::string::npos; at = s.find('&', at + 5))
        s.replace(at, 1, "&amp;");
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

} // namespace

TEST(Cli, ListsEveryCatalogueRowOfEveryPage)
{
    const DemoServiceProcess service({"--rows-per-page", "7"});
    ASSERT_FALSE(service.host().empty());
    for (const char *keyword : {"啾啾", "jerry", "E05"}) {
        SCOPED_TRACE(keyword);
        const auto expected = jiujiu::demo::FindResources(keyword);
        ASSERT_GT(expected.size(), 7u) << "the keyword must span several pages";
        const Result r = RunProgram({JIUJIU_CLI, keyword}, service.environment());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err,
                  "为您找到[" + std::to_string(expected.size()) + "]枚资源！双击复制、下载！\n");
        const auto lines = Lines(r.out);
        ASSERT_EQ(lines.size(), expected.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto &e = *expected[i];
            EXPECT_EQ(lines[i], std::to_string(i + 1) + "\t" + Amp(e.name) + "\t" + e.size + "\t" +
                                    e.sources + "\t" + Amp(e.link));
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
    EXPECT_EQ(r.out, "[\n {\"serial\": \"1\", \"name\": \"" + Amp(e.name) + "\", \"size\": \"" +
                         e.size + "\", \"sources\": \"" + e.sources + "\", \"link\": \"" +
                         Amp(e.link) + "\"}\n]\n");
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
        {{}, 2, "usage: jiujiu-cli [--json] KEYWORD\n"},
        {{"a", "b"}, 2, "usage: jiujiu-cli [--json] KEYWORD\n"},
        {{"--bogus"}, 2, "usage: jiujiu-cli [--json] KEYWORD\n"},
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
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--port", "x"}, {"--latency-ms"}, {"--what"}}) {
        args.insert(args.begin(), JIUJIU_DEMO_SERVICE);
        EXPECT_EQ(RunProgram(args, {}).status, 2);
    }
}
