#pragma once

#include "net/httplimits.h"
#include "net/httpresponse.h"
#include "runtime/value.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace jiujiu {

// One HttpRequest call, shared by the caller and its worker: whichever lets go last frees it,
// so a caller that gave up waiting never leaves the worker writing into freed memory.
class HttpRequestJob final
{
public:
    // Inputs, fixed before the worker starts.
    Text url;
    Text verb;
    Text proxy;
    Text extraHeaders;
    std::string body; // a copy: the caller may be gone before the worker sends it
    bool hasBody = false;
    bool allowCompressed = false;
    std::uint32_t openFlags = 0;
    HttpLimits limits;

    // Worker side: stores the results and wakes the caller.
    void finish(HttpResponse response);
    // Caller side: true once the worker has finished, waiting at most `timeout` for it.
    bool waitFinished(std::chrono::milliseconds timeout);
    // The results present now; empty while the worker is still running.
    HttpResponse results() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_done = false;
    HttpResponse m_response;
};

} // namespace jiujiu
