#include "runtime/programdirectory.h"

#include "runtime/codepage.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace jiujiu {
namespace {

ProgramPath &Kept()
{
    static ProgramPath path;
    return path;
}

} // namespace

ProgramPath SplitProgramPath(std::string_view executablePath)
{
    const auto cut = executablePath.find_last_of(DirectorySeparator());
    if (cut == std::string_view::npos)
        return {{}, std::string(executablePath)};
    return {std::string(executablePath.substr(0, cut)),
            std::string(executablePath.substr(cut + 1))};
}

void InitProgramDirectory()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return;
    Kept() = SplitProgramPath(exe.string());
    const std::string &dir = Kept().directory;
    if (chdir(dir.empty() ? "/" : dir.c_str()) != 0) {
        // Staying in the inherited directory is harmless; the logic uses full paths.
    }
}

Text ProgramDirectory()
{
    return Utf8ToText(Kept().directory);
}

void OverrideProgramDirectory(std::string directory)
{
    Kept().directory = std::move(directory);
}

char DirectorySeparator()
{
    return '/';
}

} // namespace jiujiu
