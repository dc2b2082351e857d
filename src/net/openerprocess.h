#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace jiujiu {

// A short-lived helper program (the desktop's opener) started without a shell, with no input
// and none of our descriptors. It is always reaped: one nobody waited for is handed to a
// background reaper when its owner goes.
class OpenerProcess final
{
public:
    // Starts arguments[0], searched in PATH, with the rest as its arguments.
    explicit OpenerProcess(const std::vector<std::string> &arguments);
    ~OpenerProcess();
    OpenerProcess(const OpenerProcess &) = delete;
    OpenerProcess &operator=(const OpenerProcess &) = delete;

    // False when the program could not be started (missing, not executable).
    bool started() const { return m_pid > 0; }

    // Waits up to limit for the program to end, calling idle between short polls. Answers its
    // wait status (as waitpid gives it), or nothing while it still runs or never started.
    std::optional<int> waitFor(std::chrono::milliseconds limit, const std::function<void()> &idle);

private:
    pid_t m_pid = -1;
};

// True for a wait status of a program that exited with status 0.
bool ExitedCleanly(int waitStatus);

} // namespace jiujiu
