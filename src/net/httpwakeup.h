#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace jiujiu {

// Wakes one waiter when any of several requests finishes. A counter, so a finish between a
// look at the requests and the wait is never missed.
class HttpWakeup final
{
public:
    std::uint64_t count() const;
    void notify();
    // True once the counter differs from `seen`, waiting at most `timeout` for it.
    bool waitForChange(std::uint64_t seen, std::chrono::milliseconds timeout);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_count = 0;
};

} // namespace jiujiu
