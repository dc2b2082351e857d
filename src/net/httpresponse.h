#pragma once

#include "runtime/value.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace jiujiu {

// Why a request did not bring back a usable answer.
enum class HttpFailure
{
    None,
    BadRequest, // the address or the method cannot be used: nothing was sent
    Network,    // libcurl gave up: no connection, reset, TLS, too many redirects ...
    TimedOut,   // no connection in time, no data for the stall time, too slow, or too long
    TooLarge,   // the body passed the cap; what fit is kept
    Status,     // the exchange worked but the status is 400 or above; the body is kept
    Cancelled,  // abandoned by its caller
    NoWorker,   // no thread or memory to run it
};

// What one request brought back. Headers and body are empty when the request failed before
// the final response's headers arrived; a failure while reading the body keeps what was read.
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
    // What the Retry-After header asks for, when it is there and readable.
    std::optional<std::chrono::seconds> retryAfter;

    HttpFailure failure = HttpFailure::None;
    // One line on why, e.g. libcurl's error text or "HTTP 503"; empty without a failure.
    std::string failureText;

    bool succeeded() const { return failure == HttpFailure::None; }
};

} // namespace jiujiu
