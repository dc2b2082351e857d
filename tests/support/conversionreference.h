#pragma once

#include "runtime/codepage.h"

#include <random>
#include <string>
#include <string_view>

namespace jiujiu::test {

// The plain converter over the whole input in one go, each bad unit replaced by U+FFFD and
// skipped: what every fast path must agree with byte for byte.
std::string IconvReference(std::string_view input, CodePage from, CodePage to);

// Random inputs in the shape of each code page, biased towards what breaks fast paths: ASCII
// runs ending just before, at and after 16- and 32-byte boundaries, GB18030 two- and
// four-byte codes (valid, unassigned and cut off), UTF-8 of every length, truncated and
// overlong sequences, surrogates, stray bytes, and for UTF-16 lone surrogates and odd lengths.
std::string RandomSample(std::mt19937 &random, CodePage page, std::size_t length);

} // namespace jiujiu::test
