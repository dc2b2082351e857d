// jiujiu-cli and the ed2k client's files: JSON's "status" and the filter's status: terms,
// against the demo service and a client directory forged in aMule's formats.
#include "catalogue.h"
#include "childprocess.h"
#include "metwriter.h"
#include "scratchdirectory.h"
#include "testserver.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace jiujiu;
using jiujiu::test::ChildProcess;
using jiujiu::test::DemoServiceProcess;

// The hash and size of "ed2k://|file|NAME|SIZE|HASH|/", split at its bars.
FileId FileOfLink(const std::string &link)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t bar; (bar = link.find('|', start)) != std::string::npos; start = bar + 1)
        parts.push_back(link.substr(start, bar - start));
    EXPECT_GE(parts.size(), 5u) << link;
    return {test::HashOf(parts.at(4)), std::stoull(parts.at(3))};
}

} // namespace

TEST(CliClientMarks, StatusInJsonAndFilterTerms)
{
    const DemoServiceProcess service({"--rows-per-page", "50"});
    ASSERT_FALSE(service.host().empty());
    std::vector<std::string> links; // distinct files of the search, in listing order
    for (const auto *e : demo::FindResources("jerry"))
        if (std::find(links.begin(), links.end(), e->link) == links.end())
            links.push_back(e->link);
    ASSERT_GE(links.size(), 5u);
    const std::string &known = links[0], &downloading = links[1], &cancelled = links[2];

    const test::ScratchDirectory client("jiujiu-cli-client");
    const FileId download = FileOfLink(downloading);
    test::WriteFile(client.path() / "known.met", test::KnownMetFile({FileOfLink(known)}));
    test::WriteFile(client.path() / "Temp/001.part.met",
                    test::PartMetFile(download, {{download.size / 2, download.size}}));
    test::WriteFile(client.path() / "canceled.met",
                    test::CanceledMetFile({FileOfLink(cancelled).hash}));
    std::vector<std::string> env = service.environment();
    env.push_back("JIUJIU_ED2K_CLIENT_DIR=" + client.path().string());

    // JSON: every row says its status, as an English identifier like its type.
    ChildProcess json({JIUJIU_CLI, "--json", "jerry"}, env);
    std::string out, err;
    ASSERT_EQ(json.finish(&out, &err), 0) << err;
    const std::map<std::string, std::string> expected = {
        {known, "known"}, {downloading, "downloading"}, {cancelled, "cancelled"}};
    std::size_t rows = 0;
    for (const std::string &line : test::OutputLines(out)) {
        const auto at = line.find("\"link\": \"");
        if (at == std::string::npos)
            continue;
        ++rows;
        const std::string link = line.substr(at + 9, line.find('"', at + 9) - at - 9);
        const auto status = expected.find(link);
        EXPECT_NE(line.find("\"status\": \"" +
                            (status == expected.end() ? "none" : status->second) + "\"}"),
                  std::string::npos)
            << line;
    }
    EXPECT_EQ(rows, demo::FindResources("jerry").size());

    // --filter: the same words as the window's filter box; the links of what is listed.
    const struct
    {
        const char *filter;
        std::set<std::string> links;
    } filters[] = {
        // The grammar is tested with the filter; here, that the rows' statuses reach it.
        {"status:已有", {known}},
        {"-status:无", {known, downloading, cancelled}},
    };
    for (const auto &row : filters) {
        SCOPED_TRACE(row.filter);
        ChildProcess cli({JIUJIU_CLI, "--format", "links", "--filter", row.filter, "jerry"}, env);
        out.clear();
        ASSERT_EQ(cli.finish(&out, &err), 0) << err;
        const auto lines = test::OutputLines(out);
        EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), row.links);
    }

    ChildProcess bad({JIUJIU_CLI, "--filter", "status:lots", "jerry"}, env);
    err.clear();
    EXPECT_EQ(bad.finish(&out, &err), 2);
    EXPECT_TRUE(err.starts_with("--filter: 'status:lots': 'lots' is not a status (已有 or known"))
        << err;
}
