#include "net/httpwakeup.h"

namespace jiujiu {

std::uint64_t HttpWakeup::count() const
{
    std::lock_guard lock(m_mutex);
    return m_count;
}

void HttpWakeup::notify()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_count;
    }
    m_changed.notify_all();
}

bool HttpWakeup::waitForChange(std::uint64_t seen, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_count != seen; });
}

} // namespace jiujiu
