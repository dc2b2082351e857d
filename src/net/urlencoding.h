#pragma once

#include "runtime/value.h"

namespace jiujiu {

// Every byte as "%XX" (upper-case hexadecimal), letters and digits included: abc gives
// %61%62%63. With utf8 = 1 (and only then) the text is converted to UTF-8 first.
Text UrlEncode(const Text &text, const Value &utf8 = {});

// UTF-8 bytes to the program's text; malformed sequences become the replacement character.
Text Utf8ToAnsi(const Text &text);

} // namespace jiujiu
