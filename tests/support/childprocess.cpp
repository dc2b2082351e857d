#include "childprocess.h"

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace jiujiu::test {

ChildProcess::ChildProcess(const std::vector<std::string> &args,
                           const std::vector<std::string> &extraEnvironment)
{
    int out[2], err[2];
    if (args.empty() || pipe(out) != 0)
        return;
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    m_pid = fork();
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        for (const std::string &e : extraEnvironment)
            putenv(const_cast<char *>(e.c_str()));
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    m_out = out[0];
    m_err = err[0];
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0)
        close(m_out);
    if (m_err >= 0)
        close(m_err);
}

void ChildProcess::signal(int number)
{
    if (m_pid > 0)
        kill(m_pid, number);
}

std::string ChildProcess::readOutputLine()
{
    std::string line;
    char c;
    while (m_out >= 0 && read(m_out, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

int ChildProcess::finish(std::string *out, std::string *err)
{
    // Both pipes at once, so a child filling one never blocks on the other.
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    std::string *sinks[2] = {out, err};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else if (sinks[i]) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    m_out = m_err = -1;
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

DemoServiceProcess::DemoServiceProcess(const std::vector<std::string> &options)
    : m_process([&] {
          std::vector<std::string> args{JIUJIU_DEMO_SERVICE};
          args.insert(args.end(), options.begin(), options.end());
          return args;
      }())
{
    const std::string line = m_process.readOutputLine();
    const std::string prefix = "listening on http://";
    if (line.rfind(prefix, 0) == 0)
        m_host = line.substr(prefix.size());
}

std::vector<std::string> DemoServiceProcess::environment() const
{
    return {"JIUJIU_VIEWER_HOST=" + m_host, "JIUJIU_SEARCH_HOST=search.example",
            "JIUJIU_CLOUDPLAY_HOST=" + m_host, "JIUJIU_SITE_HOST=" + m_host};
}

void DemoServiceProcess::exportEnvironment() const
{
    for (const std::string &e : environment()) {
        const auto eq = e.find('=');
        ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
}

std::vector<std::string> OutputLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    return lines;
}

} // namespace jiujiu::test
