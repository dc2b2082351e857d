#pragma once

#include "runtime/value.h"

#include <memory>

namespace jiujiu {

class MainSearchWindow;
class MainWindow;
class RegexObject;
class SearchWorkflow;

// "\"" + program directory + "/AutoUpdate\" -ver:2,1,1,013" ("\\AutoUpdate.exe" on Windows).
// The path is quoted so a directory with spaces still starts the updater.
Text UpdaterCommandLine(const Text &programDirectory);

// What lives as long as the program: the program-wide regular expression object, the search
// workflow over the main window, and the wiring of the main window's events to them.
class Program final
{
public:
    Program();
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    RegexObject &regex() const { return *m_regex; }
    SearchWorkflow &workflow() const { return *m_workflow; }
    MainSearchWindow &searchWindow() const { return *m_searchWindow; }

    // Runs on each new main window before it is shown.
    void connectMainWindow(MainWindow &window);

    // The running program's object; null before start-up and after the exit routine.
    static Program *instance();

private:
    std::unique_ptr<RegexObject> m_regex;
    std::unique_ptr<MainSearchWindow> m_searchWindow;
    std::unique_ptr<SearchWorkflow> m_workflow;
};

// Start-up up to a shown main window: runtime, the program object and the exit routine that
// deletes it, the skin engine, the main window with its events connected. Needs the application
// object; a main window that cannot be loaded is fatal.
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
