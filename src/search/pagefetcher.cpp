#include "search/pagefetcher.h"

#include "net/httpcall.h"
#include "net/httpresponse.h"
#include "search/searchworkflow.h"

#include <algorithm>
#include <limits>
#include <thread>

namespace jiujiu {
namespace {

// Pages read ahead of the first one not yet handed back, per request in flight: bounds what
// waits in memory while an early page is retried.
constexpr std::int32_t kReadAheadPerRequest = 2;

} // namespace

PageFetcher::PageFetcher(const Text &keyword, std::int32_t first, std::int32_t last,
                         const SearchSettings &settings, Reader reader)
    // One below the largest number, so counting past the last page never overflows.
    : m_address(ViewerServiceAddress()), m_keyword(keyword),
      m_last(std::min(last, std::numeric_limits<std::int32_t>::max() - 1)), m_settings(settings),
      m_reader(std::move(reader)), m_nextToStart(first), m_nextToHand(first)
{
    m_settings.parallelRequests = std::clamp(m_settings.parallelRequests, 1, 8);
}

bool PageFetcher::finished() const
{
    return m_stopped || m_nextToHand > m_last;
}

void PageFetcher::stop()
{
    m_stopped = true;
    m_client.cancelAll();
    m_inFlight.clear();
    m_waiting.clear();
}

void PageFetcher::start(const Attempt &attempt)
{
    HttpCall call;
    call.url = m_address;
    call.verb = "post";
    call.body = SearchRequestBody(m_keyword, attempt.page);
    m_inFlight.emplace(m_client.start(std::move(call)), attempt);
    ++m_requests;
}

void PageFetcher::startWhatMayStart()
{
    const auto limit = static_cast<std::size_t>(m_settings.parallelRequests);
    const std::int64_t readAhead =
        static_cast<std::int64_t>(m_settings.parallelRequests) * kReadAheadPerRequest;
    while (!m_stopped && m_inFlight.size() < limit) {
        // Retries first: they hold up the pages behind them.
        if (!m_waiting.empty() && m_waiting.begin()->first <= Clock::now()) {
            const Attempt attempt = m_waiting.begin()->second;
            m_waiting.erase(m_waiting.begin());
            start(attempt);
        } else if (m_nextToStart <= m_last &&
                   static_cast<std::int64_t>(m_nextToStart) < m_nextToHand + readAhead) {
            start({m_nextToStart++, 0});
        } else {
            break;
        }
    }
}

void PageFetcher::judge(const Attempt &attempt, HttpResponse &&response)
{
    Reading reading;
    if (response.succeeded())
        reading = m_reader(attempt.page, std::move(response));
    else
        reading.failure = response.failureText;
    if (!reading.failure.empty() && attempt.retries < m_settings.retryPauses.size()) {
        m_waiting.emplace(Clock::now() + m_settings.retryPauses[attempt.retries],
                          Attempt{attempt.page, attempt.retries + 1});
        return;
    }
    m_done[attempt.page] = {attempt.page, std::move(reading.rows), std::move(reading.failure)};
}

std::vector<PageFetcher::Page> PageFetcher::step(std::chrono::milliseconds timeout)
{
    std::vector<Page> pages;
    if (finished())
        return pages;
    startWhatMayStart();

    auto wait = timeout;
    if (!m_waiting.empty()) {
        const auto due =
            std::chrono::ceil<std::chrono::milliseconds>(m_waiting.begin()->first - Clock::now());
        wait = std::clamp(due, std::chrono::milliseconds(0), timeout);
    }
    if (!m_inFlight.empty())
        m_client.waitForFinished(wait);
    else if (wait.count() > 0)
        std::this_thread::sleep_for(wait);

    for (auto &finished : m_client.takeFinished()) {
        const auto attempt = m_inFlight.find(finished.ticket);
        if (attempt == m_inFlight.end())
            continue;
        const Attempt which = attempt->second;
        m_inFlight.erase(attempt);
        judge(which, std::move(finished.response));
    }
    for (auto next = m_done.find(m_nextToHand); next != m_done.end();
         next = m_done.find(m_nextToHand)) {
        pages.push_back(std::move(next->second));
        m_done.erase(next);
        ++m_nextToHand;
    }
    startWhatMayStart();
    return pages;
}

} // namespace jiujiu
