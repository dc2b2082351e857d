#include "net/openerprocess.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace jiujiu {
namespace {

// Short enough that a quick opener is hardly noticed, long enough not to spin.
constexpr std::chrono::milliseconds kPollPause{10};

struct SpawnActions
{
    posix_spawn_file_actions_t actions;
    bool ok = posix_spawn_file_actions_init(&actions) == 0;
    ~SpawnActions()
    {
        if (ok)
            posix_spawn_file_actions_destroy(&actions);
    }
};

} // namespace

OpenerProcess::OpenerProcess(const std::vector<std::string> &arguments)
{
    if (arguments.empty() || arguments.front().empty())
        return;
    std::vector<std::string> copies = arguments;
    std::vector<char *> argv;
    for (std::string &argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // The opener gets no input and none of our descriptors (sockets of running requests).
    SpawnActions spawn;
    if (!spawn.ok)
        return;
    posix_spawn_file_actions_addopen(&spawn.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&spawn.actions, STDERR_FILENO + 1);
    pid_t pid = 0;
    // glibc reports a failed exec as an error here, so a missing program is never started.
    if (posix_spawnp(&pid, argv[0], &spawn.actions, nullptr, argv.data(), environ) == 0)
        m_pid = pid;
}

OpenerProcess::~OpenerProcess()
{
    if (m_pid <= 0)
        return;
    const pid_t pid = m_pid;
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error &) {
        // No thread: the finished opener stays a zombie until we exit.
    }
}

std::optional<int> OpenerProcess::waitFor(std::chrono::milliseconds limit,
                                          const std::function<void()> &idle)
{
    if (m_pid <= 0)
        return std::nullopt;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            return status;
        }
        if (done < 0 && errno != EINTR) {
            // Reaped elsewhere (a SIGCHLD handler that takes every child): the verdict is lost.
            m_pid = -1;
            return std::nullopt;
        }
        const auto now = Clock::now();
        if (now >= deadline)
            return std::nullopt;
        if (idle)
            idle();
        std::this_thread::sleep_for(std::min<Clock::duration>(kPollPause, deadline - Clock::now()));
    }
}

bool ExitedCleanly(int waitStatus)
{
    return WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0;
}

} // namespace jiujiu
