#pragma once

#include "runtime/value.h"

#include <string>
#include <vector>

namespace jiujiu {

// Splits a command line the way a Windows program reads its own: white space separates
// arguments, double quotes group, and backslashes are literal unless they precede a quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Window mode 1..6 (hide, normal, minimised, maximised, no-activate, minimise).
int ClampWindowMode(const Value &mode);

// Starts a program without a shell. With wait, blocks until it ends; otherwise returns once it
// has started (at most about a second). False when the program cannot be started.
bool RunCommandLine(const Text &commandLine, const Value &wait = {}, const Value &windowMode = {});

} // namespace jiujiu
