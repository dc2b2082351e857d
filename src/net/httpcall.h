#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <string>

namespace jiujiu {

// One request as its caller describes it. Empty verb: GET; empty proxy: the system's settings.
struct HttpCall
{
    Text url;
    Text verb;
    Text proxy;
    Text extraHeaders; // request header lines put before the default ones
    std::string body;  // sent by POST only; a POST without a body sends zero bytes
    bool allowCompressed = false;
    std::uint32_t openFlags = 0;
    // Redirects followed at most; past them the request fails.
    long redirectLimit = 20;
    // A POST answered 301, 302 or 303 is sent on as a POST with its body, not as a GET: a
    // form's answer must not turn into another page's.
    bool redirectKeepsPost = false;
};

} // namespace jiujiu
