#include "runtime/lifecycle.h"

#include <cstdio>
#include <cstdlib>

namespace jiujiu {
namespace {

std::function<void()> &Routine()
{
    static std::function<void()> routine;
    return routine;
}

} // namespace

void SetCleanupRoutine(std::function<void()> routine)
{
    Routine() = std::move(routine);
}

void RunCleanupRoutine()
{
    // Taken out first, so a routine that ends the program does not run twice.
    std::function<void()> routine = std::move(Routine());
    Routine() = nullptr;
    if (routine)
        routine();
}

void EndProgram(int exitCode)
{
    RunCleanupRoutine();
    std::fflush(nullptr);
    // Static destructors of libraries with threads still running (the web engine) are not
    // safe to run here.
    std::_Exit(exitCode);
}

} // namespace jiujiu
