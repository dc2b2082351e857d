#pragma once

#include "runtime/value.h"

#include <cstdint>
#include <string>

namespace jiujiu {

// What one request brought back. All empty or zero when the request failed.
struct HttpResponse
{
    std::string body;
    Text rawHeaders; // status line and header lines of the final response, "\r\n" each
    Text contentType;
    Text setCookies; // every Set-Cookie value, joined by "\r\n"
    Text location;
    std::int32_t contentEncoding = 0; // 1 exactly "gzip", 2 exactly "deflate", else 0
    std::int64_t contentLength = 0;
    std::int32_t statusCode = 0;
};

} // namespace jiujiu
