#include "connectioncounter.h"

#include <utility>

namespace jiujiu::demo {

ConnectionCounter::ConnectionCounter(std::size_t threads, std::function<void(long)> onAccepted)
    : m_pool(threads), m_onAccepted(std::move(onAccepted))
{}

void ConnectionCounter::enqueue(std::function<void()> task)
{
    const long count = ++m_accepted;
    if (m_onAccepted)
        m_onAccepted(count);
    m_pool.enqueue(std::move(task));
}

void ConnectionCounter::shutdown()
{
    m_pool.shutdown();
}

} // namespace jiujiu::demo
