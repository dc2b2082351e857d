// jiujiu-cli --help: usage on standard output and success; other options stay usage errors.
#include "childprocess.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(CliHelp, HelpGoesToStandardOutputOtherOptionsStayErrors)
{
    const std::string usage =
        "usage: jiujiu-cli [--format tsv|json|csv|links|xlsx] [--output FILE] "
        "[--merge] [--sort COLUMN[:desc]] [--filter EXPR] [--jobs N] [--max-rows N] "
        "KEYWORD\n"
        "       jiujiu-cli [--save NAME] [OPTIONS] KEYWORD\n"
        "       jiujiu-cli --saved NAME [--new-only] [--notify] [--format F] [--output FILE]\n"
        "       jiujiu-cli --list-saved | --forget NAME\n";
    const struct
    {
        const char *what;
        std::vector<std::string> args;
        int status;
        bool help; // the help text on standard output, nothing on standard error
    } rows[] = {
        {"--help alone", {"--help"}, 0, true},
        {"--help after --json", {"--json", "--help"}, 0, true},
        {"--help before a keyword", {"--help", "jerry"}, 0, true},
        {"--help after the keyword is a second keyword", {"jerry", "--help"}, 2, false},
        {"-h is not --help", {"-h"}, 2, false},
        {"--helpme is unknown", {"--helpme"}, 2, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> args{JIUJIU_CLI};
        args.insert(args.end(), row.args.begin(), row.args.end());
        // Nothing listens there: a run that searched instead would fail differently.
        jiujiu::test::ChildProcess cli(
            args, {"LC_ALL=", "LC_MESSAGES=", "LANG=C", "JIUJIU_VIEWER_HOST=127.0.0.1:1"});
        std::string out, err;
        EXPECT_EQ(cli.finish(&out, &err), row.status);
        if (row.help) {
            EXPECT_EQ(out.substr(0, usage.size()), usage);
            EXPECT_NE(out.find("--json"), std::string::npos) << out;
            EXPECT_NE(out.find("Exit status"), std::string::npos) << out;
            EXPECT_EQ(err, "");
        } else {
            EXPECT_EQ(out, "");
            // What is wrong on a line of its own, then the usage.
            EXPECT_TRUE(err.ends_with("\n" + usage)) << err;
        }
    }
}

// --help follows the messages' locale: Chinese under a Chinese one, English under any other.
TEST(CliHelp, FollowsTheLocale)
{
    const struct
    {
        std::vector<std::string> env;
        const char *expected; // a line of that help
    } rows[] = {
        {{"LANG=zh_CN.UTF-8"}, "退出状态："},
        {{"LANG=en_US.UTF-8"}, "Exit status:"},
        {{"LANG=C"}, "Exit status:"},
        {{"LANG=en_US.UTF-8", "LC_MESSAGES=zh_TW.UTF-8"}, "退出状态："},
        {{"LANG=zh_CN.UTF-8", "LC_ALL=C.UTF-8"}, "Exit status:"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.env.back());
        // The test's own locale must not decide: what the row sets comes after the clearing.
        std::vector<std::string> env{"LC_ALL=", "LC_MESSAGES="};
        env.insert(env.end(), row.env.begin(), row.env.end());
        env.push_back("JIUJIU_VIEWER_HOST=127.0.0.1:1");
        jiujiu::test::ChildProcess cli({JIUJIU_CLI, "--help"}, env);
        std::string out, err;
        EXPECT_EQ(cli.finish(&out, &err), 0);
        EXPECT_TRUE(out.starts_with("usage: jiujiu-cli ")) << out;
        EXPECT_NE(out.find(row.expected), std::string::npos) << out;
    }
}

} // namespace
