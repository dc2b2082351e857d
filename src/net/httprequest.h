#pragma once

#include "net/httpworkers.h"
#include "runtime/value.h"

namespace jiujiu {

struct HttpCall;
struct HttpResponse;

// One blocking HTTP or HTTPS request, run by a worker thread of its own while the calling
// thread keeps dispatching user-interface events. Answers the response body exactly as received
// (any status), empty when there was none or the request failed. Omitted arguments: verb GET,
// proxy from the system's settings, only the default headers, no body, no compression, no
// flags. When given, *receivedCookies gets every Set-Cookie value joined by "\r\n" and
// *receivedHeaders the raw response headers; both empty on failure.
ByteSet HttpRequest(const Value &url, const Value &verb = {}, const Value &proxy = {},
                    const Value &extraHeaders = {}, const Value &body = {},
                    const Value &allowCompressed = {}, const Value &openFlags = {},
                    Text *receivedCookies = nullptr, Text *receivedHeaders = nullptr);

// The same exchange with the whole response, failure reason included. When the caller stops
// waiting (no event and no answer for the give-up time) the worker finishes alone and the
// answer is empty, failed as timed out.
HttpResponse PerformHttpCall(HttpCall call);

} // namespace jiujiu
