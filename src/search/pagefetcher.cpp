#include "search/pagefetcher.h"

#include "net/contentdecoder.h"
#include "net/httpcall.h"
#include "net/httplimits.h"
#include "net/httpresponse.h"
#include "search/answercheck.h"
#include "search/searchrequest.h"
#include "search/searchtexts.h"
#include "search/servicebackoff.h"

#include <algorithm>
#include <limits>
#include <thread>

namespace jiujiu {
namespace {

// Pages read ahead of the first one not yet handed back, per request in flight: bounds what
// waits in memory while an early page is retried.
constexpr std::int32_t kReadAheadPerRequest = 2;
// Answers up to this size are read as they come; larger ones of pages behind the next to hand
// back wait in the client, within its budget, so a search of huge pages holds the budget and
// about one page's rows rather than every page read ahead.
constexpr std::size_t kReadAtOnce = 1024 * 1024;

std::chrono::milliseconds Until(std::chrono::steady_clock::time_point when)
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

} // namespace

PageFetcher::PageFetcher(HttpClient &client, const Text &keyword, std::int32_t first,
                         std::int32_t last, const SearchSettings &settings, Reader reader,
                         ViewerServices services, std::optional<std::size_t> service)
    // One below the largest number, so counting past the last page never overflows.
    : m_client(client), m_services(std::move(services)),
      m_service(std::min(service.value_or(m_services.first()), m_services.size() - 1)),
      m_keyword(keyword), m_last(std::min(last, std::numeric_limits<std::int32_t>::max() - 1)),
      m_settings(settings), m_reader(std::move(reader)), m_bodyCap(CurrentHttpLimits().bodyCap),
      m_nextToStart(first), m_nextToHand(first), m_lastProgress(Clock::now())
{
    m_settings.parallelRequests = std::clamp(m_settings.parallelRequests, 1, 8);
}

PageFetcher::~PageFetcher()
{
    for (const auto &entry : m_inFlight)
        m_client.cancel(entry.first);
}

bool PageFetcher::finished() const
{
    return m_stopped || m_nextToHand > m_last;
}

void PageFetcher::stop()
{
    m_stopped = true;
    for (const auto &entry : m_inFlight)
        m_client.cancel(entry.first);
    m_inFlight.clear();
    m_waiting.clear();
}

void PageFetcher::start(const Attempt &attempt)
{
    m_inFlight.emplace(
        m_client.start(PageRequest(m_services.name(attempt.service), m_keyword, attempt.page)),
        attempt);
    ++m_requests;
    ++m_tries[attempt.page].requests;
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
            start({m_nextToStart++, 0, m_service});
        } else {
            break;
        }
    }
}

void PageFetcher::judge(const Attempt &attempt, HttpResponse &&response)
{
    Reading reading;
    Failure kind = Failure::None;
    auto pause = attempt.retries < m_settings.retryPauses.size()
                     ? m_settings.retryPauses[attempt.retries]
                     : std::chrono::milliseconds(0);
    // A service that says when to come back is taken at its word, within reason.
    if ((response.statusCode == 503 || response.statusCode == 429) && response.retryAfter)
        pause =
            std::min<std::chrono::milliseconds>(*response.retryAfter, m_settings.retryAfterLimit);
    if (response.succeeded()) {
        // Compressed although the request did not ask for it: decoded within the same cap.
        auto decoding = DecodeContent(response.body, response.contentEncoding, m_bodyCap);
        if (decoding == ContentDecoding::Decoded &&
            m_services.name(attempt.service) == kDirectService) {
            auto escaped = EscapedLikeViewer(response.body, m_bodyCap);
            if (escaped)
                response.body = std::move(*escaped);
            else
                decoding = ContentDecoding::TooLarge;
        }
        switch (decoding) {
        case ContentDecoding::Decoded:
            reading.failure = UnreadableAnswerReason(response.body);
            kind = reading.failure.empty() ? Failure::None : Failure::Unreadable;
            break;
        case ContentDecoding::TooLarge:
            reading.failure = TooLargeReason(m_bodyCap);
            kind = Failure::TooLarge;
            break;
        case ContentDecoding::Corrupt:
            reading.failure = UndecodableAnswerReason();
            kind = Failure::Unreadable;
            break;
        }
        if (kind == Failure::None) {
            reading = m_reader(attempt.page, std::move(response));
            kind = reading.failure.empty() ? Failure::None : Failure::Rejected;
        }
    } else if (response.failure == HttpFailure::TooLarge) {
        reading.failure = TooLargeReason(m_bodyCap);
        kind = Failure::TooLarge;
    } else {
        reading.failure = response.failureText;
        kind = Failure::Request;
    }
    // The same page would be as large again: asking once more only costs memory.
    const bool tooLarge = kind == Failure::TooLarge;
    if (kind != Failure::None) {
        Tries &tries = m_tries[attempt.page];
        tries.lastFailure = reading.failure;
        tries.lastKind = kind;
    }
    if (kind != Failure::None && !tooLarge && attempt.retries < m_settings.retryPauses.size()) {
        m_waiting.emplace(Clock::now() + pause,
                          Attempt{attempt.page, attempt.retries + 1, attempt.service});
        return;
    }
    // The service is no good for now; another may be. An answer too large or without rows
    // would most likely be the same anywhere.
    if (kind == Failure::Request || kind == Failure::Unreadable) {
        if (ServiceBackoff *backoff = m_services.backoff();
            backoff && m_failedServices.insert(attempt.service).second)
            backoff->failed(m_services.name(attempt.service));
        if (const auto next = m_services.after(attempt.service)) {
            if (m_switched)
                m_switched(attempt.service, *next);
            m_waiting.emplace(Clock::now(), Attempt{attempt.page, 0, *next});
            return;
        }
    }
    m_done[attempt.page] = {attempt.page,
                            std::move(reading.rows),
                            std::move(reading.failure),
                            tooLarge,
                            kind,
                            m_tries[attempt.page].requests,
                            attempt.service};
}

std::chrono::milliseconds PageFetcher::waitTime(std::chrono::milliseconds timeout) const
{
    auto wait = std::min(timeout, Until(m_lastProgress + m_settings.noProgressLimit));
    // A retry due while every slot is busy waits for a slot, not for its time: waking for it
    // would find nothing to do, again and again.
    if (!m_waiting.empty() &&
        m_inFlight.size() < static_cast<std::size_t>(m_settings.parallelRequests))
        wait = std::min(wait, Until(m_waiting.begin()->first));
    return wait;
}

void PageFetcher::handBack(std::vector<Page> &pages)
{
    for (auto next = m_done.find(m_nextToHand); next != m_done.end();
         next = m_done.find(m_nextToHand)) {
        pages.push_back(std::move(next->second));
        m_done.erase(next);
        m_tries.erase(m_nextToHand);
        ++m_nextToHand;
        m_lastProgress = Clock::now();
    }
}

std::vector<PageFetcher::Page> PageFetcher::abandon(const std::string &reason)
{
    std::vector<Page> pages;
    for (; m_nextToHand < m_nextToStart; ++m_nextToHand) {
        if (const auto read = m_done.find(m_nextToHand); read != m_done.end()) {
            pages.push_back(std::move(read->second));
            continue;
        }
        const Tries &tries = m_tries[m_nextToHand];
        Page page{m_nextToHand, {}, reason, false, Failure::Abandoned, tries.requests, m_service};
        // A page that failed before names what went wrong, not that it was given up on.
        if (!tries.lastFailure.empty()) {
            page.failure = tries.lastFailure;
            page.kind = tries.lastKind;
        }
        pages.push_back(std::move(page));
    }
    m_done.clear();
    m_tries.clear();
    stop();
    return pages;
}

std::vector<PageFetcher::Page> PageFetcher::step(std::chrono::milliseconds timeout)
{
    std::vector<Page> pages;
    if (finished())
        return pages;
    startWhatMayStart();

    const HttpClient::Wanted wanted = [this](HttpClient::Ticket ticket, std::size_t bytes) {
        const auto attempt = m_inFlight.find(ticket);
        return bytes <= kReadAtOnce || attempt == m_inFlight.end() ||
               attempt->second.page == m_nextToHand;
    };
    const auto wait = waitTime(timeout);
    if (!m_inFlight.empty())
        m_client.waitForFinished(wait, wanted);
    else if (wait.count() > 0)
        std::this_thread::sleep_for(wait);

    for (auto &finished : m_client.takeFinished(wanted)) {
        const auto attempt = m_inFlight.find(finished.ticket);
        if (attempt == m_inFlight.end())
            continue;
        const Attempt which = attempt->second;
        m_inFlight.erase(attempt);
        judge(which, std::move(finished.response));
    }
    handBack(pages);
    if (!finished() && Clock::now() - m_lastProgress >= m_settings.noProgressLimit) {
        // Every page asked for is handed back, read or not.
        for (Page &page : abandon("no progress for " +
                                  std::to_string(m_settings.noProgressLimit.count()) + " ms"))
            pages.push_back(std::move(page));
    }
    startWhatMayStart();
    return pages;
}

} // namespace jiujiu
