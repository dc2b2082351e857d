#include "net/httpclient.h"

#include "net/httpbudget.h"
#include "net/httplimits.h"
#include "net/httppool.h"
#include "net/httprequestjob.h"
#include "net/httpwakeup.h"

#include <algorithm>

namespace jiujiu {

HttpClient::HttpClient()
    : m_wakeup(std::make_shared<HttpWakeup>()), m_budget(std::make_shared<HttpBudget>()),
      m_pool(std::make_shared<HttpPool>(m_budget))
{}

HttpClient::~HttpClient()
{
    cancelAll();
    m_pool->release();
}

HttpClient::Ticket HttpClient::start(HttpCall call)
{
    auto job = std::make_shared<HttpRequestJob>();
    job->call = std::move(call);
    job->limits = CurrentHttpLimits();
    job->wakeup = m_wakeup;
    job->budget = m_budget;
    const Ticket ticket = m_next++;
    m_jobs.emplace_back(ticket, job);
    m_pool->add(job);
    return ticket;
}

void HttpClient::cancel(Ticket ticket)
{
    for (auto &[t, job] : m_jobs)
        if (t == ticket)
            job->cancel();
    m_pool->wake();
}

void HttpClient::cancelAll()
{
    for (auto &entry : m_jobs)
        entry.second->cancel();
    m_pool->wake();
}

void HttpClient::detachAll()
{
    m_jobs.clear();
}

std::vector<HttpClient::Finished> HttpClient::takeFinished()
{
    return takeFinished([](Ticket, std::size_t) { return true; });
}

std::vector<HttpClient::Finished> HttpClient::takeFinished(const Wanted &wanted)
{
    // Each job is looked at once: one may finish while the others are looked at.
    std::vector<Finished> finished;
    std::vector<std::pair<Ticket, std::shared_ptr<HttpRequestJob>>> running;
    for (auto &entry : m_jobs) {
        if (entry.second->finished() && wanted(entry.first, entry.second->bodyBytes()))
            finished.push_back({entry.first, entry.second->take()});
        else
            running.push_back(std::move(entry));
    }
    m_jobs = std::move(running);
    return finished;
}

bool HttpClient::waitForFinished(std::chrono::milliseconds timeout)
{
    return waitForFinished(timeout, [](Ticket, std::size_t) { return true; });
}

bool HttpClient::waitForFinished(std::chrono::milliseconds timeout, const Wanted &wanted)
{
    const std::uint64_t seen = m_wakeup->count();
    const auto anyFinished = [&] {
        return std::any_of(m_jobs.begin(), m_jobs.end(), [&](const auto &entry) {
            return entry.second->finished() && wanted(entry.first, entry.second->bodyBytes());
        });
    };
    if (anyFinished())
        return true;
    if (m_jobs.empty())
        return false;
    return m_wakeup->waitForChange(seen, timeout) && anyFinished();
}

std::size_t HttpClient::bytesHeld() const
{
    return m_budget->held();
}

std::size_t HttpClient::mostBytesHeld() const
{
    return m_budget->peak();
}

} // namespace jiujiu
