#pragma once

#include "runtime/value.h"

namespace jiujiu {

class RegexObject;

// "\"" + program directory + "/AutoUpdate\" -ver:2,1,1,013" ("\\AutoUpdate.exe" on Windows).
// The path is quoted so a directory with spaces still starts the updater.
Text UpdaterCommandLine(const Text &programDirectory);

// Start-up up to a shown main window: runtime, the program-wide regular expression object and
// its exit routine, the skin engine, the main window with its event bindings. Needs the
// application object; a main window that cannot be loaded is fatal.
void StartProgram();
// The whole program: StartProgram, then the event loop; answers 0.
int ProgramMain();

// The program-wide regular expression object; null before start-up and after the exit routine.
RegexObject *ProgramRegex();

// The main window's events.
void OnMainWindowCreated();
bool OnMainWindowCloseQuery();
[[noreturn]] void OnMainWindowDestroying();

} // namespace jiujiu
