#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace jiujiu::test {

// A program the test starts, with pipes on its standard output and error; it dies with the test.
class ChildProcess final
{
public:
    ChildProcess(const std::vector<std::string> &args,
                 const std::vector<std::string> &extraEnvironment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool started() const { return m_pid > 0; }
    // Sends the signal to the running program.
    void signal(int number);
    // One line of standard output, without its line feed.
    std::string readOutputLine();
    // Everything until the program closes its output, then its exit status (-1 when killed).
    int finish(std::string *out = nullptr, std::string *err = nullptr);

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};

// The lines of a program's output, without their line feeds (a last line without one is left
// out: the program did not finish it).
std::vector<std::string> OutputLines(const std::string &text);

// The bundled demo service on a free loopback port.
class DemoServiceProcess final
{
public:
    explicit DemoServiceProcess(const std::vector<std::string> &options = {});
    // "127.0.0.1:PORT", empty when it did not start.
    const std::string &host() const { return m_host; }
    // The settings that point the program at it.
    std::vector<std::string> environment() const;
    void exportEnvironment() const;

private:
    ChildProcess m_process;
    std::string m_host;
};

} // namespace jiujiu::test
