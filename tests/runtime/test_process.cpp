#include "childprocess.h"
#include "runtime/codepage.h"
#include "runtime/process.h"
#include "runtime/programdirectory.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace jiujiu;
namespace fs = std::filesystem;

namespace {

// A scratch directory whose name has spaces and Chinese in it, removed at the end.
class ScratchDir
{
public:
    ScratchDir()
    {
        m_path = fs::temp_directory_path() / ("jiujiu test 目录 " + std::to_string(::getpid()) +
                                              "-" + std::to_string(++s_counter));
        fs::create_directories(m_path);
    }
    ~ScratchDir() { fs::remove_all(m_path); }
    const fs::path &path() const { return m_path; }

    fs::path writeScript(const std::string &name, const std::string &body) const
    {
        const fs::path file = m_path / name;
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(file, fs::perms::owner_all);
        return file;
    }

private:
    fs::path m_path;
    static inline int s_counter = 0;
};

std::string ReadFile(const fs::path &file)
{
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WaitForFile(const fs::path &file, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (fs::exists(file) && !ReadFile(file).empty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

Text Quoted(const fs::path &path)
{
    return "\"" + Utf8ToText(path.string()) + "\"";
}

} // namespace

TEST(SplitCommandLine, WindowsRules)
{
    using Args = std::vector<std::string>;
    struct Row
    {
        const char *name;
        const char *line;
        Args expected;
    };
    const Row rows[] = {
        {"plain words", "prog a b", {"prog", "a", "b"}},
        {"extra blanks", "  prog   a\t b  ", {"prog", "a", "b"}},
        {"quoted program with spaces",
         "\"C:\\Program Files\\x.exe\" -v",
         {"C:\\Program Files\\x.exe", "-v"}},
        {"program keeps backslash before quote", "\"C:\\dir\\\" arg", {"C:\\dir\\", "arg"}},
        {"quotes group words", "p \"a b\" c", {"p", "a b", "c"}},
        {"quotes inside a word", "p a\"b c\"d", {"p", "ab cd"}},
        {"backslash ending a directory is ordinary", "p C:\\dir\\ x", {"p", "C:\\dir\\", "x"}},
        {"escaped quote", "p a\\\"b", {"p", "a\"b"}},
        {"two backslashes then quote", "p \"a\\\\\" b", {"p", "a\\", "b"}},
        {"doubled quote inside quotes", "p \"a\"\"b\"", {"p", "a\"b"}},
        {"empty quoted argument", "p \"\" x", {"p", "", "x"}},
        {"updater line",
         "\"/opt/my app/AutoUpdate\" -ver:2,1,1,013",
         {"/opt/my app/AutoUpdate", "-ver:2,1,1,013"}},
        {"empty line", "", {}},
        {"only blanks", "   ", {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SplitCommandLine(row.line), row.expected);
    }
}

TEST(RunCommandLine, WindowModeIsClamped)
{
    EXPECT_EQ(ClampWindowMode(Value()), 2);
    EXPECT_EQ(ClampWindowMode(Value(0)), 1);
    EXPECT_EQ(ClampWindowMode(Value(-4)), 1);
    EXPECT_EQ(ClampWindowMode(Value(9)), 6);
    EXPECT_EQ(ClampWindowMode(Value(4)), 4);
}

TEST(RunCommandLine, QuotedPathWithSpacesAndArguments)
{
    ScratchDir dir;
    const fs::path out = dir.path() / "out.txt";
    const fs::path script =
        dir.writeScript("写入 args.sh", "printf '%s|' \"$@\" > \"" + out.string() + "\"");
    ASSERT_TRUE(RunCommandLine(Quoted(script) + " -ver:2,1,1,013 \"two words\"", Value(true)));
    EXPECT_EQ(ReadFile(out), "-ver:2,1,1,013|two words|");
}

TEST(RunCommandLine, MissingProgramIsFalse)
{
    ScratchDir dir;
    EXPECT_FALSE(RunCommandLine(Quoted(dir.path() / "no such program"), Value(true)));
    EXPECT_FALSE(RunCommandLine(Quoted(dir.path() / "no such program")));
    EXPECT_FALSE(RunCommandLine(""));
    // Not executable is as good as missing.
    const fs::path plain = dir.path() / "plain.txt";
    std::ofstream(plain) << "text";
    EXPECT_FALSE(RunCommandLine(Quoted(plain)));
}

TEST(RunCommandLine, UnquotedPathWithSpacesRunsSomethingElse)
{
    // The reason callers quote: unquoted, the first word is taken as the program.
    ScratchDir dir;
    const fs::path script = dir.writeScript("a b.sh", "exit 0");
    EXPECT_FALSE(RunCommandLine(Utf8ToText(script.string()), Value(true)));
}

TEST(RunCommandLine, WaitBlocksUntilTheChildEnds)
{
    ScratchDir dir;
    const fs::path out = dir.path() / "done";
    const fs::path script =
        dir.writeScript("slow.sh", "sleep 0.3; echo done > \"" + out.string() + "\"");
    ASSERT_TRUE(RunCommandLine(Quoted(script), Value(true)));
    EXPECT_EQ(ReadFile(out), "done\n");
}

TEST(RunCommandLine, WithoutWaitReturnsWhileTheChildRuns)
{
    ScratchDir dir;
    const fs::path pidFile = dir.path() / "pid";
    // Never exits by itself and never becomes "idle"; its output is closed so nothing waits
    // on it.
    const fs::path script =
        dir.writeScript("forever.sh", "exec >/dev/null 2>&1; echo $$ > \"" + pidFile.string() +
                                          "\"; exec sleep 30");
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunCommandLine(Quoted(script), Value(false), Value(2)));
    const auto elapsed = std::chrono::steady_clock::now() - before;
    EXPECT_LT(elapsed, std::chrono::seconds(3));
    ASSERT_TRUE(WaitForFile(pidFile, std::chrono::seconds(10)));
    const pid_t pid = std::stoi(ReadFile(pidFile));
    EXPECT_EQ(::kill(pid, 0), 0) << "the child is still running";
    ::kill(pid, SIGKILL);
}

TEST(ProgramDirectory, SplitsAtTheLastSeparator)
{
    struct Row
    {
        const char *path;
        const char *directory;
        const char *file;
    };
    const Row rows[] = {
        {"/opt/jiujiu/bin/jiujiu", "/opt/jiujiu/bin", "jiujiu"},
        {"/jiujiu", "", "jiujiu"},
        {"jiujiu", "", "jiujiu"},
        {"/a b/程序", "/a b", "程序"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        const ProgramPath split = SplitProgramPath(row.path);
        EXPECT_EQ(split.directory, row.directory);
        EXPECT_EQ(split.fileName, row.file);
    }
}

TEST(ProgramDirectory, IsTheTestBinaryDirectoryAndBecomesCurrent)
{
    const fs::path before = fs::current_path();
    InitProgramDirectory();
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(TextToUtf8(ProgramDirectory()), exe.parent_path().string());
    EXPECT_EQ(fs::current_path(), exe.parent_path());
    fs::current_path(before);
}

namespace {

// Descriptors of the kinds a running program holds, none of them close-on-exec.
class InheritableDescriptors
{
public:
    InheritableDescriptors()
    {
        keep(::open("/dev/null", O_RDONLY));
        int ends[2] = {-1, -1};
        if (::pipe(ends) == 0) {
            keep(ends[0]);
            keep(ends[1]);
        }
        keep(::socket(AF_INET, SOCK_STREAM, 0)); // as libcurl's sockets are
        m_fds.push_back(::fcntl(m_fds.front(), F_DUPFD, 200));
    }
    ~InheritableDescriptors()
    {
        for (int fd : m_fds)
            if (fd >= 0)
                ::close(fd);
    }
    const std::vector<int> &fds() const { return m_fds; }

private:
    // Above the standard three even when the test runs without some of them.
    void keep(int fd)
    {
        m_fds.push_back(fd >= 0 ? ::fcntl(fd, F_DUPFD, 10) : -1);
        if (fd >= 0)
            ::close(fd);
    }

    std::vector<int> m_fds;
};

// The standard descriptors this process has open, as a child lists them.
std::string OpenStandardDescriptors()
{
    std::string listing;
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) != -1)
            listing += std::to_string(fd) + " ";
    return listing;
}

std::string Lines(const std::string &text, int index)
{
    std::size_t start = 0;
    for (int i = 0; i < index; ++i)
        start = text.find('\n', start) + 1;
    return text.substr(start, text.find('\n', start) - start);
}

} // namespace

TEST(RunCommandLine, ChildHasOnlyStandardDescriptors)
{
    const InheritableDescriptors open;
    for (int fd : open.fds()) {
        ASSERT_GE(fd, 10);
        ASSERT_EQ(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "descriptor " << fd;
    }
    ScratchDir dir;
    const fs::path listing = dir.path() / "fds";

    // The probe sees what it inherits: started by a plain fork and exec, it lists them.
    test::ChildProcess control({JIUJIU_RUNTIME_PROBE, "fds", listing.string()});
    ASSERT_EQ(control.finish(), 0);
    const std::string inherited = ReadFile(listing);
    for (int fd : open.fds())
        ASSERT_NE((" " + inherited).find(" " + std::to_string(fd) + " "), std::string::npos)
            << "the probe does not see descriptor " << fd << " in: " << inherited;

    fs::remove(listing);
    ASSERT_TRUE(
        RunCommandLine(Quoted(JIUJIU_RUNTIME_PROBE) + " fds " + Quoted(listing), Value(true)));
    EXPECT_EQ(ReadFile(listing), OpenStandardDescriptors());
}

// The directory's bytes reach the command line unchanged, even when they are no UTF-8.
TEST(ProgramDirectory, KeepsTheBytesOfADirectoryThatIsNoUtf8)
{
    ScratchDir scratch;
    const std::string name =
        "\xFF\xFE \xE7\x9B\xAE\xE5\xBD\x95 \x80\xE4\xB8"; // "目录" among bad bytes
    const fs::path dir = scratch.path() / name;
    fs::create_directories(dir);
    const fs::path probe = dir / "runtime_probe";
    fs::copy_file(JIUJIU_RUNTIME_PROBE, probe);
    fs::permissions(probe, fs::perms::owner_all);
    std::ofstream(dir / "marker.sh") << "#!/bin/sh\necho ran > \"$(dirname \"$0\")/ran\"\n";
    fs::permissions(dir / "marker.sh", fs::perms::owner_all);

    test::ChildProcess child({probe.native(), "programdir", "marker.sh"});
    ASSERT_TRUE(child.started());
    std::string out, err;
    ASSERT_EQ(child.finish(&out, &err), 0) << err;
    EXPECT_EQ(Lines(out, 0), dir.native()) << "program directory";
    EXPECT_EQ(Lines(out, 1), dir.native()) << "current directory";
    EXPECT_EQ(Lines(out, 2), "started");
    EXPECT_EQ(ReadFile(dir / "ran"), "ran\n");
}

TEST(ProgramDirectory, FallsBackToTheCurrentDirectory)
{
    const fs::path before = fs::current_path();
    struct Row
    {
        const char *name;
        std::optional<std::string> executable;
        std::string directory;
        fs::path current;
    };
    const Row rows[] = {
        {"path cannot be read", std::nullopt, before.native(), before},
        {"empty path", std::string(), before.native(), before},
        {"executable in the root", std::string("/jiujiu"), "", "/"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        InitProgramDirectoryFrom(row.executable);
        EXPECT_EQ(TextToLocal(ProgramDirectory()), row.directory);
        EXPECT_EQ(fs::current_path(), row.current);
        fs::current_path(before);
    }
    InitProgramDirectory();
    fs::current_path(before);
}
