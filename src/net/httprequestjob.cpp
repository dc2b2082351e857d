#include "net/httprequestjob.h"

#include "net/httpbudget.h"
#include "net/httpwakeup.h"

#include <utility>

namespace jiujiu {

HttpRequestJob::~HttpRequestJob()
{
    if (budget)
        budget->release(m_budgeted);
}

void HttpRequestJob::finish(HttpResponse response, std::size_t budgeted)
{
    {
        std::lock_guard lock(m_mutex);
        m_response = std::move(response);
        m_budgeted = budgeted;
        m_done = true;
    }
    if (wakeup)
        wakeup->notify();
}

bool HttpRequestJob::finished() const
{
    std::lock_guard lock(m_mutex);
    return m_done;
}

std::size_t HttpRequestJob::bodyBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_done ? m_response.body.size() : 0;
}

HttpResponse HttpRequestJob::take()
{
    HttpResponse response;
    std::size_t budgeted = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_done)
            return response;
        response = std::exchange(m_response, HttpResponse());
        budgeted = std::exchange(m_budgeted, 0);
    }
    if (budget)
        budget->release(budgeted);
    return response;
}

} // namespace jiujiu
