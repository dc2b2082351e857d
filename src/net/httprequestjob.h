#pragma once

#include "net/httpcall.h"
#include "net/httplimits.h"
#include "net/httpresponse.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>

namespace jiujiu {

class HttpBudget;
class HttpWakeup;

// One request, shared by its caller and the thread that runs it: whichever lets go last frees
// it, so a caller that gave up waiting never leaves the transfer writing into freed memory.
class HttpRequestJob final
{
public:
    HttpRequestJob() = default;
    // Gives back the budget of a body nobody took.
    ~HttpRequestJob();
    HttpRequestJob(const HttpRequestJob &) = delete;
    HttpRequestJob &operator=(const HttpRequestJob &) = delete;

    // Inputs, fixed before the transfer starts.
    HttpCall call;
    HttpLimits limits;
    // Told when the job finishes; may be null.
    std::shared_ptr<HttpWakeup> wakeup;
    // Counts the body while it is in memory and not yet taken; may be null.
    std::shared_ptr<HttpBudget> budget;

    // Caller side: asks the transfer to end soon; it then finishes as cancelled.
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    // Transfer side: stores the results, whose body holds `budgeted` bytes of the budget, and
    // wakes the caller.
    void finish(HttpResponse response, std::size_t budgeted = 0);
    // Caller side: true once the transfer has finished.
    bool finished() const;
    // Body bytes of the finished results, not yet taken.
    std::size_t bodyBytes() const;
    // Moves the results out (once), giving their room in the budget back; empty while the
    // transfer is still running.
    HttpResponse take();

private:
    mutable std::mutex m_mutex;
    bool m_done = false;
    HttpResponse m_response;
    std::size_t m_budgeted = 0;
    std::atomic<bool> m_cancelled{false};
};

} // namespace jiujiu
