// jiujiu-cli with a list of viewer services: it goes on with the next when one fails, and
// says so on standard error.
#include "childprocess.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct CliRun
{
    int status = -1;
    std::string out;
    std::string err;
};

CliRun Search(const std::string &services, const std::string &keyword)
{
    jiujiu::test::ChildProcess cli({JIUJIU_CLI, keyword}, {"JIUJIU_VIEWER_HOST=" + services,
                                                           "JIUJIU_SEARCH_HOST=search.example"});
    CliRun run;
    run.status = cli.finish(&run.out, &run.err);
    return run;
}

TEST(CliServices, GoesOnWithTheNextServiceAndSaysSo)
{
    jiujiu::test::DemoServiceProcess busy({"--unavailable"});
    jiujiu::test::DemoServiceProcess good({"--rows-per-page", "4"});
    ASSERT_FALSE(busy.host().empty());
    ASSERT_FALSE(good.host().empty());
    const std::string closed = "127.0.0.1:1";
    const CliRun alone = Search(good.host(), "啾啾");
    ASSERT_EQ(alone.status, 0) << alone.err;
    ASSERT_FALSE(alone.out.empty());

    struct Case
    {
        std::string services;
        std::vector<std::string> lines; // on standard error, in order
    };
    const Case cases[] = {
        {closed + "," + busy.host() + "," + good.host(),
         {"查看服务 " + closed + " 连不上，改用 " + busy.host(),
          "查看服务 " + busy.host() + " 连不上，改用 " + good.host()}},
        {good.host() + "," + closed, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.services);
        const CliRun run = Search(c.services, "啾啾");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, alone.out);
        std::size_t from = 0;
        for (const std::string &line : c.lines) {
            const auto at = run.err.find(line + "\n", from);
            EXPECT_NE(at, std::string::npos) << line << " in " << run.err;
            from = at == std::string::npos ? from : at + line.size();
        }
        EXPECT_EQ(run.err.find("查看服务") == std::string::npos, c.lines.empty()) << run.err;
    }
}

} // namespace
