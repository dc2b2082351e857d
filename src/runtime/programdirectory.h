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
// Makes ProgramDirectory answer another directory (UTF-8), as if the executable lived there;
// for tests of what the program starts from its own directory.
void OverrideProgramDirectory(std::string directory);

// The directory separator the logic appends before a file name.
char DirectorySeparator();

} // namespace jiujiu
