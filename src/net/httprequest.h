#pragma once

#include "runtime/value.h"

#include <chrono>

namespace jiujiu {

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

// Workers still running, including those whose callers stopped waiting.
int RunningHttpWorkers();
// Waits until no worker runs or the time is up; true when none runs. For an orderly exit.
bool WaitForHttpWorkers(std::chrono::milliseconds timeout);

} // namespace jiujiu
