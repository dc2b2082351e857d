#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace jiujiu {

class HttpBudget;
class HttpRequestJob;

// The requests of one client, run by one thread on one libcurl multi handle: a request reuses
// the connection an earlier one to the same host left open, and the bodies share one budget.
// The thread starts with the first request and ends once the owner let go and the requests
// it was given have finished.
class HttpPool final : public std::enable_shared_from_this<HttpPool>
{
public:
    explicit HttpPool(std::shared_ptr<HttpBudget> budget);
    ~HttpPool();
    HttpPool(const HttpPool &) = delete;
    HttpPool &operator=(const HttpPool &) = delete;

    // Hands the job to the thread. When no thread or handle can be had, the job is finished
    // at once as failed and the answer is false.
    bool add(const std::shared_ptr<HttpRequestJob> &job);
    // Makes the thread look at its requests now, e.g. after one was cancelled.
    void wake();
    // The owner is gone: nothing more will be added.
    void release();

private:
    struct MultiDeleter
    {
        void operator()(void *multi) const;
    };
    void run();

    const std::shared_ptr<HttpBudget> m_budget;
    std::unique_ptr<void, MultiDeleter> m_multi;

    std::mutex m_mutex;
    std::vector<std::shared_ptr<HttpRequestJob>> m_incoming;
    bool m_threadRunning = false;
    bool m_released = false;
};

} // namespace jiujiu
