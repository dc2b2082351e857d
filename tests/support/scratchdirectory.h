#pragma once

#include <filesystem>
#include <string>

namespace jiujiu::test {

// A fresh directory under the system's temporary one, removed with everything in it.
class ScratchDirectory final
{
public:
    explicit ScratchDirectory(const std::string &prefix);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;

    const std::filesystem::path &path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace jiujiu::test
