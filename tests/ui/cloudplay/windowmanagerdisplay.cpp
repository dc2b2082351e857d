#include "windowmanagerdisplay.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartLimit = std::chrono::seconds(15);

pid_t Spawn(const std::vector<std::string> &args, const std::string &display)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (!display.empty())
            setenv("DISPLAY", display.c_str(), 1);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void Stop(pid_t &pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

struct ConnectionCloser
{
    void operator()(xcb_connection_t *c) const { xcb_disconnect(c); }
};

// True once a window manager has set _NET_SUPPORTING_WM_CHECK on the root window.
bool WindowManagerAnnounced(const std::string &display)
{
    std::unique_ptr<xcb_connection_t, ConnectionCloser> c(xcb_connect(display.c_str(), nullptr));
    if (xcb_connection_has_error(c.get()))
        return false;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data;
    static const char name[] = "_NET_SUPPORTING_WM_CHECK";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c.get(), xcb_intern_atom(c.get(), 1, sizeof name - 1, name), nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(
            c.get(), xcb_get_property(c.get(), 0, screen->root, atom->atom, XCB_ATOM_WINDOW, 0, 1),
            nullptr),
        &std::free);
    return property && xcb_get_property_value_length(property.get()) == 4;
}

} // namespace

WindowManagerDisplay::WindowManagerDisplay()
{
    if (startServer() && startWindowManager())
        return;
    m_display.clear();
}

WindowManagerDisplay::~WindowManagerDisplay()
{
    Stop(m_windowManager);
    Stop(m_server);
}

bool WindowManagerDisplay::startServer()
{
    // Xvfb picks a free display number and writes it to the descriptor we give it.
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        m_error = "no pipe";
        return false;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(pipeFds[0]);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        const std::string fd = std::to_string(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1000x24",
               "-nolisten", "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    m_server = pid;
    std::string number;
    pollfd p{pipeFds[0], POLLIN, 0};
    const auto end = Clock::now() + kStartLimit;
    while (Clock::now() < end && poll(&p, 1, 100) >= 0) {
        char buffer[16];
        if (!(p.revents & (POLLIN | POLLHUP)))
            continue;
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(n));
        if (number.find('\n') != std::string::npos)
            break;
    }
    close(pipeFds[0]);
    if (number.empty() || number.find('\n') == std::string::npos) {
        m_error = "Xvfb did not start (is the xvfb package installed?)";
        return false;
    }
    m_display = ":" + number.substr(0, number.find('\n'));
    return true;
}

bool WindowManagerDisplay::startWindowManager()
{
    m_windowManager = Spawn({"openbox", "--sm-disable"}, m_display);
    const auto end = Clock::now() + kStartLimit;
    while (Clock::now() < end) {
        if (WindowManagerAnnounced(m_display))
            return true;
        if (waitpid(m_windowManager, nullptr, WNOHANG) == m_windowManager) {
            m_windowManager = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_error =
        "openbox did not start managing " + m_display + " (is the openbox package installed?)";
    return false;
}
