#pragma once

#include "net/httpcall.h"
#include "net/httplimits.h"
#include "net/httpresponse.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace jiujiu {

class HttpWakeup;

// One request, shared by its caller and its worker: whichever lets go last frees it, so a
// caller that gave up waiting never leaves the worker writing into freed memory.
class HttpRequestJob final
{
public:
    // Inputs, fixed before the worker starts.
    HttpCall call;
    HttpLimits limits;
    // Told when the job finishes; may be null.
    std::shared_ptr<HttpWakeup> wakeup;

    // Caller side: asks the worker to end the transfer soon; it then finishes as cancelled.
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    // Worker side: stores the results and wakes the caller.
    void finish(HttpResponse response);
    // Caller side: true once the worker has finished, waiting at most `timeout` for it.
    bool waitFinished(std::chrono::milliseconds timeout);
    bool finished() const;
    // Moves the results out (once); empty while the worker is still running.
    HttpResponse take();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_done = false;
    HttpResponse m_response;
    std::atomic<bool> m_cancelled{false};
};

} // namespace jiujiu
