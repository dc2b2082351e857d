#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <httplib.h>

namespace jiujiu::demo {

// The service's task queue: the server hands it one task per connection it accepts, run on a
// pool of threads. It counts the connections and tells each one, so a client's reuse of its
// connections can be seen from outside.
class ConnectionCounter final : public httplib::TaskQueue
{
public:
    // `onAccepted` gets the running count, on the accepting thread.
    ConnectionCounter(std::size_t threads, std::function<void(long)> onAccepted);
    ConnectionCounter(const ConnectionCounter &) = delete;
    ConnectionCounter &operator=(const ConnectionCounter &) = delete;

    void enqueue(std::function<void()> task) override;
    void shutdown() override;
    long accepted() const { return m_accepted.load(); }

private:
    httplib::ThreadPool m_pool;
    std::function<void(long)> m_onAccepted;
    std::atomic<long> m_accepted{0};
};

} // namespace jiujiu::demo
