#pragma once

#include "runtime/value.h"

namespace jiujiu {

// Every byte as "%XX" (upper-case hexadecimal), letters and digits included: abc gives
// %61%62%63. With utf8 = 1 (and only then) the text is converted to UTF-8 first.
Text UrlEncode(const Text &text, const Value &utf8 = {});

// A value for a URL's query: the text as UTF-8 with every byte but letters, digits, "-", ".",
// "_", "~", ":" and "/" written "%XX", so "&", "=", "#", "%", "|", blanks and Chinese survive
// the trip: ed2k://|file|a b|1|/ gives ed2k://%7Cfile%7Ca%20b%7C1%7C/.
Text UrlEncodeQueryValue(const Text &text);

// UTF-8 bytes to the program's text; malformed sequences become the replacement character.
Text Utf8ToAnsi(const Text &text);

} // namespace jiujiu
