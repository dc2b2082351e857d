#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace jiujiu::test {

// A private desktop for the duration of a test: a temporary tree that the XDG variables (and
// HOME) point at, so "gio open" sees only the handlers the test registers. The variables are
// restored and the tree removed on destruction.
class DesktopTree final
{
public:
    explicit DesktopTree(const std::string &name);
    ~DesktopTree();
    DesktopTree(const DesktopTree &) = delete;
    DesktopTree &operator=(const DesktopTree &) = delete;

    const std::filesystem::path &root() const { return m_root; }
    // The private home directory (root()/home).
    std::filesystem::path home() const { return m_root / "home"; }

    // Registers a desktop entry running `exec` (with %u for the address) as the default
    // program for ed2k links.
    void registerEd2kHandler(const std::string &exec);

    // Sets an environment variable until destruction.
    void setEnvironment(const std::string &name, const std::string &value);

private:
    std::filesystem::path m_root;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// The full path of a program found in PATH, empty when there is none.
std::string FindProgram(const std::string &program);

} // namespace jiujiu::test
