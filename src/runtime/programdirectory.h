#pragma once

#include "runtime/value.h"

#include <optional>
#include <string>

namespace jiujiu {

struct ProgramPath
{
    std::string directory; // without a trailing separator; the root gives ""
    std::string fileName;
};

ProgramPath SplitProgramPath(std::string_view executablePath);

// Finds the running executable, remembers its directory and makes it the current directory.
void InitProgramDirectory();
// The same from a given path of the executable (its bytes as the system gives them); without
// one, the current directory is kept and stays current.
void InitProgramDirectoryFrom(const std::optional<std::string> &executablePath);

// Directory of the running executable, without a trailing separator; its bytes come back
// unchanged through TextToLocal (and so through RunCommandLine).
Text ProgramDirectory();
// Makes ProgramDirectory answer another directory (local bytes), as if the executable lived
// there; for tests of what the program starts from its own directory.
void OverrideProgramDirectory(std::string directory);

// The directory separator the logic appends before a file name.
char DirectorySeparator();

} // namespace jiujiu
