#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

namespace jiujiu {

// The body bytes one client holds: read from the network and not yet taken by the caller.
// Transfers wait for room instead of growing past it, so endless answers on every request at
// once cannot use up the memory. The eldest transfer may fill the budget to twice the
// per-answer cap, the others only to once: the eldest always has room to reach its end or its
// cap, and the whole stays within twice the cap.
class HttpBudget final
{
public:
    // Takes room for `bytes` more; false when they do not fit now.
    bool reserve(std::size_t bytes, std::size_t cap, bool eldest);
    // Gives room back, from any thread, and tells the waiting transfers.
    void release(std::size_t bytes);

    std::size_t held() const;
    // The most held at once.
    std::size_t peak() const;
    // Counts the releases, so a transfer thread sees that room may have come free.
    std::uint64_t releases() const;
    // Called after each release, on the releasing thread; empty: nobody to tell.
    void setOnRelease(std::function<void()> onRelease);

private:
    mutable std::mutex m_mutex;
    std::size_t m_held = 0;
    std::size_t m_peak = 0;
    std::uint64_t m_releases = 0;
    std::function<void()> m_onRelease;
};

} // namespace jiujiu
