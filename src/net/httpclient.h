#pragma once

#include "net/httpcall.h"
#include "net/httpresponse.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace jiujiu {

class HttpBudget;
class HttpPool;
class HttpRequestJob;
class HttpWakeup;

// Several requests at once for one caller thread that looks at them between other work. They
// run on one transfer thread of the client's, reuse each other's connections, and their bodies
// share one memory budget of twice the body cap. Requests still running when the client goes
// are cancelled.
class HttpClient final
{
public:
    using Ticket = std::uint64_t;
    struct Finished
    {
        Ticket ticket = 0;
        HttpResponse response;
    };

    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    // Starts the request with the current limits. A request that cannot start finishes at
    // once as failed.
    Ticket start(HttpCall call);
    // Asks the request to end soon; it still finishes, as cancelled.
    void cancel(Ticket ticket);
    void cancelAll();
    // Leaves every request to finish alone, unwatched.
    void detachAll();

    // Requests started and not yet taken.
    std::size_t pending() const { return m_jobs.size(); }
    // Which finished requests a caller takes now, by ticket and body size; the others stay,
    // their bodies within the budget, so transfers that would pass it wait.
    using Wanted = std::function<bool(Ticket ticket, std::size_t bodyBytes)>;

    // The results of requests that have finished, in the order they were started.
    std::vector<Finished> takeFinished();
    std::vector<Finished> takeFinished(const Wanted &wanted);
    // Waits at most `timeout` until a request not yet taken has finished; true when one has.
    bool waitForFinished(std::chrono::milliseconds timeout);
    bool waitForFinished(std::chrono::milliseconds timeout, const Wanted &wanted);

    // Body bytes in memory and not yet taken: now, and the most at once so far.
    std::size_t bytesHeld() const;
    std::size_t mostBytesHeld() const;

private:
    std::shared_ptr<HttpWakeup> m_wakeup;
    std::shared_ptr<HttpBudget> m_budget;
    std::shared_ptr<HttpPool> m_pool;
    std::vector<std::pair<Ticket, std::shared_ptr<HttpRequestJob>>> m_jobs;
    Ticket m_next = 1;
};

} // namespace jiujiu
