// jiujiu-cli against the real demo service, both started as child processes.
#include "catalogue.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Child
{
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

// Starts a program with extra environment; it dies with the test.
Child Spawn(const std::vector<std::string> &args, const std::vector<std::string> &env)
{
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        for (const std::string &e : env)
            putenv(const_cast<char *>(e.c_str()));
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    return {pid, out[0], err[0]};
}

std::string ReadAll(int fd)
{
    std::string s;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        s.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return s;
}

std::string ReadLine(int fd)
{
    std::string s;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n')
        s += c;
    return s;
}

struct Result
{
    int status = -1;
    std::string out, err;
};

Result RunProgram(const std::vector<std::string> &args, const std::vector<std::string> &env)
{
    Child child = Spawn(args, env);
    Result r;
    r.err = ReadAll(child.err); // small, so reading it first cannot block the child
    r.out = ReadAll(child.out);
    int status = 0;
    waitpid(child.pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class DemoService
{
public:
    explicit DemoService(int rowsPerPage)
    {
        m_child = Spawn({JIUJIU_DEMO_SERVICE, "--rows-per-page", std::to_string(rowsPerPage)}, {});
        const std::string line = ReadLine(m_child.out);
        const std::string prefix = "listening on http://127.0.0.1:";
        if (line.rfind(prefix, 0) == 0)
            m_host = "127.0.0.1:" + line.substr(prefix.size());
    }
    ~DemoService()
    {
        kill(m_child.pid, SIGTERM);
        waitpid(m_child.pid, nullptr, 0);
        close(m_child.out);
        close(m_child.err);
    }
    const std::string &host() const { return m_host; }
    std::vector<std::string> env() const
    {
        return {"JIUJIU_VIEWER_HOST=" + m_host, "JIUJIU_SEARCH_HOST=search.example"};
    }

private:
    Child m_child;
    std::string m_host;
};

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
    DemoService service(7);
    ASSERT_FALSE(service.host().empty());
    struct Case
    {
        const char *keyword;
    };
    for (const char *keyword : {"啾啾", "jerry", "E05"}) {
        SCOPED_TRACE(keyword);
        const auto expected = jiujiu::demo::FindResources(keyword);
        ASSERT_GT(expected.size(), 7u) << "the keyword must span several pages";
        const Result r = RunProgram({JIUJIU_CLI, keyword}, service.env());
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
    DemoService service(50);
    const Result r = RunProgram({JIUJIU_CLI, "--json", "Tom & Jerry.Remix.E01."}, service.env());
    EXPECT_EQ(r.status, 0) << r.err;
    const auto &e = *jiujiu::demo::FindResources("Tom & Jerry.Remix.E01.").at(0);
    EXPECT_EQ(r.out, "[\n {\"serial\": \"1\", \"name\": \"" + Amp(e.name) + "\", \"size\": \"" +
                         e.size + "\", \"sources\": \"" + e.sources + "\", \"link\": \"" +
                         Amp(e.link) + "\"}\n]\n");
}

TEST(Cli, ExitStatus)
{
    DemoService service(20);
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
        const Result r = RunProgram(args, service.env());
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
