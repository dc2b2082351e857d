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
    InitProgramDirectoryFrom(error ? std::nullopt : std::optional<std::string>(exe.native()));
}

void InitProgramDirectoryFrom(const std::optional<std::string> &executablePath)
{
    if (!executablePath || executablePath->empty()) {
        // The current directory stands in: the root would send the updater path nowhere.
        std::error_code error;
        const std::filesystem::path current = std::filesystem::current_path(error);
        Kept() = {error ? std::string(".") : current.native(), {}};
        return;
    }
    Kept() = SplitProgramPath(*executablePath);
    const std::string &dir = Kept().directory;
    if (chdir(dir.empty() ? "/" : dir.c_str()) != 0) {
        // Staying in the inherited directory is harmless; the logic uses full paths.
    }
}

Text ProgramDirectory()
{
    // The directory's own bytes, whatever their encoding, survive into the command line.
    return LocalToText(Kept().directory);
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
