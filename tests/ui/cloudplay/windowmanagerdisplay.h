#pragma once

#include <string>
#include <sys/types.h>

// A display of its own for tests that need a real window manager: Xvfb on a free display
// number, with openbox managing it. Both die with the test.
class WindowManagerDisplay final
{
public:
    WindowManagerDisplay();
    ~WindowManagerDisplay();
    WindowManagerDisplay(const WindowManagerDisplay &) = delete;
    WindowManagerDisplay &operator=(const WindowManagerDisplay &) = delete;

    // ":N" once the server runs and the window manager has announced itself; empty otherwise,
    // with error() saying why.
    const std::string &display() const { return m_display; }
    const std::string &error() const { return m_error; }

private:
    bool startServer();
    bool startWindowManager();

    pid_t m_server = -1;
    pid_t m_windowManager = -1;
    std::string m_display;
    std::string m_error;
};
