#pragma once

#include "runtime/value.h"

#include <string>
#include <string_view>

namespace jiujiu {

// A viewer answer (UTF-8 as it came) the way the search reads it: bytes that are no UTF-8,
// and the few characters the program's text cannot hold, become replacement characters
// exactly as converting to the program's text would make them; control characters other
// than tab, line feed and carriage return (C0, DEL, C1) are dropped. A zero byte never cuts
// an answer short, and no control character reaches a cell, a terminal or a file.
std::string AnswerUtf8(std::string_view body);
// The same, taking the body over: a valid answer is cleaned where it lies, not copied.
std::string AnswerUtf8(std::string &&body);

// The same answer as the program's text.
Text AnswerText(std::string_view body);

} // namespace jiujiu
