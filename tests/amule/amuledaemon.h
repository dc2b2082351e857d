#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace jiujiu::test {

// A private aMule daemon on loopback: its configuration lives in HOME/.aMule of the given
// home, external connections listen on a free loopback port with a password, and nothing
// reaches beyond loopback (no servers, no Kad, no UDP, no UPnP, no update checks). It dies
// with the test; destruction kills what is left of its process group.
class AmuleDaemon final
{
public:
    AmuleDaemon(const std::filesystem::path &home, const std::string &amuled);
    ~AmuleDaemon();
    AmuleDaemon(const AmuleDaemon &) = delete;
    AmuleDaemon &operator=(const AmuleDaemon &) = delete;

    bool started() const { return m_pid > 0; }
    // True once external connections are accepted; false when it ended or the limit passed.
    bool waitUntilReady(std::chrono::milliseconds limit);
    // Asks it to end (SIGTERM to its PID) and waits; true when it ended within the limit.
    bool stop(std::chrono::milliseconds limit);

    // The downloads it lists ("show dl" over external connections): hash -> name. Empty when
    // the query failed; `error` then says why.
    std::map<std::string, std::string> downloads(const std::string &amulecmd,
                                                 std::string *error = nullptr) const;

    // Runs one amulecmd command over external connections ("cancel HASH", "reload shared");
    // true when amulecmd ended well, its output in `output`.
    bool command(const std::string &amulecmd, const std::string &command,
                 std::string *output = nullptr) const;

    // Its configuration directory (HOME/.aMule).
    const std::filesystem::path &configDirectory() const { return m_config; }

    // Its own log (standard output and error).
    std::string log() const;

private:
    std::filesystem::path m_config;
    int m_ecPort = 0;
    std::string m_password;
    pid_t m_pid = -1;
};

// `count` distinct TCP ports on 127.0.0.1 that were free a moment ago; empty on failure.
std::vector<int> FreeLoopbackPorts(std::size_t count);

} // namespace jiujiu::test
