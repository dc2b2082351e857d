#include "net/httprequestjob.h"

#include "net/httpwakeup.h"

#include <utility>

namespace jiujiu {

void HttpRequestJob::finish(HttpResponse response)
{
    {
        std::lock_guard lock(m_mutex);
        m_response = std::move(response);
        m_done = true;
    }
    m_finished.notify_all();
    if (wakeup)
        wakeup->notify();
}

bool HttpRequestJob::waitFinished(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_finished.wait_for(lock, timeout, [this] { return m_done; });
}

bool HttpRequestJob::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_done;
}

HttpResponse HttpRequestJob::take()
{
    std::lock_guard lock(m_mutex);
    return m_done ? std::exchange(m_response, HttpResponse()) : HttpResponse();
}

} // namespace jiujiu
