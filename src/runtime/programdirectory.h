#pragma once

#include "runtime/value.h"

namespace jiujiu {

struct ProgramPath
{
    std::string directory; // without a trailing separator; the root gives ""
    std::string fileName;
};

ProgramPath SplitProgramPath(std::string_view executablePath);

// Finds the running executable, remembers its directory and makes it the current directory.
void InitProgramDirectory();

// Directory of the running executable, without a trailing separator.
Text ProgramDirectory();

// The directory separator the logic appends before a file name.
char DirectorySeparator();

} // namespace jiujiu
