#pragma once

#include <functional>

namespace jiujiu {

// The logic's clean-up routine; it runs once, however the program ends normally.
void SetCleanupRoutine(std::function<void()> routine);
void RunCleanupRoutine();

// Runs the clean-up routine once and exits the process with the code.
[[noreturn]] void EndProgram(int exitCode);

} // namespace jiujiu
