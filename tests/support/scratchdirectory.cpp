#include "scratchdirectory.h"

#include <cstdlib>
#include <unistd.h>

namespace jiujiu::test {

ScratchDirectory::ScratchDirectory(const std::string &prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    m_path = pattern;
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
}

} // namespace jiujiu::test
