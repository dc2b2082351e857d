#pragma once

#include "runtime/value.h"

#include <string>
#include <string_view>
#include <vector>

namespace jiujiu {

// The header text of a request: the caller's lines (ended by "\r\n" when they are not), then
// each default line whose "Name: " does not occur yet, case-sensitively: User-Agent, Accept,
// Referer, Accept-Language, and Accept-Encoding when compression is allowed; a POST adds the
// form Content-Type the same way.
Text ComposeRequestHeaders(const Text &extraHeaders, const Text &referer, bool allowCompressed,
                           bool isPost);

// Header text split into the lines put on the wire. Empty lines are dropped (one would end the
// header block early), and so are lines holding a stray CR or NUL.
std::vector<std::string> SplitHeaderLines(std::string_view headers);

// Values of the named header (name case-insensitive) in raw response headers, in order, with
// surrounding blanks removed. The status line is never a header.
std::vector<std::string> ResponseHeaderValues(std::string_view rawHeaders, std::string_view name);

} // namespace jiujiu
