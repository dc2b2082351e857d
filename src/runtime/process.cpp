#include "runtime/process.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace jiujiu {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = line.size();

    // The program name: quoted up to the next quote, else up to the first blank; no escapes.
    while (i < n && IsBlank(line[i]))
        ++i;
    if (i >= n)
        return args;
    std::string program;
    if (line[i] == '"') {
        ++i;
        while (i < n && line[i] != '"')
            program += line[i++];
        if (i < n)
            ++i;
    } else {
        while (i < n && !IsBlank(line[i]))
            program += line[i++];
    }
    args.push_back(std::move(program));

    for (;;) {
        while (i < n && IsBlank(line[i]))
            ++i;
        if (i >= n)
            break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            if (line[i] == '\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(slashes, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"'; // "" inside quotes is a literal quote
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += line[i++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

int ClampWindowMode(const Value &mode)
{
    if (mode.isOmitted())
        return 2;
    return std::clamp(ToInteger(mode), 1, 6);
}

bool RunCommandLine(const Text &commandLine, const Value &wait, const Value &windowMode)
{
    // There is no show state for a new process here; the mode is still validated.
    (void)ClampWindowMode(windowMode);
    std::vector<std::string> args;
    for (const std::string &arg : SplitCommandLine(commandLine))
        args.push_back(TextToLocal(arg));
    if (args.empty() || args.front().empty())
        return false;

    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    // No handle inheritance: the child gets standard input, output and error only, never our
    // other descriptors (sockets of running requests are not close-on-exec).
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return false;
    const std::unique_ptr<posix_spawn_file_actions_t, int (*)(posix_spawn_file_actions_t *)>
        actionsGuard(&actions, posix_spawn_file_actions_destroy);
    if (posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1) != 0)
        return false;
    // glibc's posix_spawn reports a failed exec as an error, so a missing program is false.
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        return false;

    if (!wait.isOmitted() && ToInteger(wait) != 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return true;
    }
    // Nothing to wait for once exec succeeded; a detached reaper keeps the child from
    // lingering as a zombie.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

} // namespace jiujiu
