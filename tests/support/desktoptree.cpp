#include "desktoptree.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace jiujiu::test {

namespace fs = std::filesystem;

DesktopTree::DesktopTree(const std::string &name)
    : m_root(fs::path(::testing::TempDir()) / (name + "_" + std::to_string(::getpid())))
{
    fs::remove_all(m_root);
    fs::create_directories(m_root / "data/applications");
    fs::create_directories(m_root / "config");
    fs::create_directories(home());
    // The system's directories stay out too: a handler installed there must not answer.
    setEnvironment("XDG_DATA_HOME", (m_root / "data").string());
    setEnvironment("XDG_DATA_DIRS", (m_root / "data").string());
    setEnvironment("XDG_CONFIG_HOME", (m_root / "config").string());
    setEnvironment("XDG_CONFIG_DIRS", (m_root / "config").string());
    setEnvironment("HOME", home().string());
}

DesktopTree::~DesktopTree()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second)
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            ::unsetenv(it->first.c_str());
    }
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
}

void DesktopTree::registerEd2kHandler(const std::string &exec)
{
    std::ofstream(m_root / "data/applications/jiujiu-test-ed2k.desktop")
        << "[Desktop Entry]\nType=Application\nName=jiujiu test ed2k handler\nExec=" << exec
        << "\nMimeType=x-scheme-handler/ed2k;\nNoDisplay=true\n";
    std::ofstream(m_root / "config/mimeapps.list")
        << "[Default Applications]\nx-scheme-handler/ed2k=jiujiu-test-ed2k.desktop\n";
}

void DesktopTree::setEnvironment(const std::string &name, const std::string &value)
{
    const char *old = std::getenv(name.c_str());
    m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
}

std::string FindProgram(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (dir.empty())
            continue;
        const fs::path candidate = fs::path(dir) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

} // namespace jiujiu::test
