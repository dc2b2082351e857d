#include "net/httppool.h"

#include "net/httpbudget.h"
#include "net/httprequestjob.h"
#include "net/httpsession.h"
#include "net/httpworkers.h"

#include <curl/curl.h>
#include <iterator>
#include <list>
#include <thread>
#include <utility>

namespace jiujiu {
namespace {

// While requests run the thread looks at cancel flags and time limits at least this often.
constexpr int kCheckSliceMs = 50;
// With nothing to do it sleeps until woken; this only bounds a missed wake-up.
constexpr int kIdleSliceMs = 1000;

struct Transfer
{
    std::shared_ptr<HttpRequestJob> job;
    std::unique_ptr<HttpSession> session;
};

HttpResponse Failed(HttpFailure failure, const char *text)
{
    HttpResponse response;
    response.failure = failure;
    response.failureText = text;
    return response;
}

void Finish(HttpRequestJob &job, HttpResponse response, std::size_t budgeted = 0)
{
    job.finish(std::move(response), budgeted);
    LeaveHttpJob(&job);
}

void *NewMulti()
{
    InitialiseHttpLibrary();
    return curl_multi_init();
}

} // namespace

void HttpPool::MultiDeleter::operator()(void *multi) const
{
    curl_multi_cleanup(multi);
}

HttpPool::HttpPool(std::shared_ptr<HttpBudget> budget)
    : m_budget(std::move(budget)), m_multi(NewMulti())
{
    if (m_multi && m_budget)
        m_budget->setOnRelease([multi = m_multi.get()] { curl_multi_wakeup(multi); });
}

HttpPool::~HttpPool()
{
    if (m_budget)
        m_budget->setOnRelease({});
}

bool HttpPool::add(const std::shared_ptr<HttpRequestJob> &job)
{
    EnterHttpJob(job.get());
    const char *failure = nullptr;
    {
        std::lock_guard lock(m_mutex);
        try {
            if (!m_multi)
                throw std::bad_alloc();
            m_incoming.push_back(job);
        } catch (const std::exception &) {
            failure = "out of memory";
        }
        if (!failure && !m_threadRunning) {
            try {
                std::thread(&HttpPool::run, shared_from_this()).detach();
                m_threadRunning = true;
            } catch (const std::exception &) {
                m_incoming.pop_back();
                failure = "no worker thread";
            }
        }
    }
    if (failure) {
        Finish(*job, Failed(HttpFailure::NoWorker, failure));
        return false;
    }
    wake();
    return true;
}

void HttpPool::wake()
{
    std::lock_guard lock(m_mutex);
    if (m_multi)
        curl_multi_wakeup(m_multi.get());
}

void HttpPool::release()
{
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        if (m_threadRunning)
            EnterOrphanThread();
    }
    wake();
}

void HttpPool::run()
{
    CURLM *multi = m_multi.get();
    std::list<Transfer> transfers; // oldest first
    std::uint64_t seenReleases = m_budget ? m_budget->releases() : 0;
    // After an end the eldest may have changed and its body may be taken: the waiting bodies
    // try again.
    bool retryPaused = false;
    bool ended = false; // in this round

    const auto end = [&](std::list<Transfer>::iterator at, CURLcode code) {
        curl_multi_remove_handle(multi, at->session->easy());
        HttpResponse response;
        std::size_t budgeted = 0;
        try {
            response = at->session->collect(code);
            budgeted = at->session->handOverBudget();
        } catch (const std::exception &) {
            response = Failed(HttpFailure::NoWorker, "out of memory");
        }
        at->session.reset();
        Finish(*at->job, std::move(response), budgeted);
        retryPaused = true;
        ended = true;
        return transfers.erase(at);
    };
    const auto begin = [&](const std::shared_ptr<HttpRequestJob> &job) {
        try {
            auto session = std::make_unique<HttpSession>(*job, m_budget.get());
            if (!session->configure()) {
                Finish(*job, session->collect(CURLE_OK));
                return;
            }
            transfers.push_back({job, std::move(session)});
        } catch (const std::exception &) {
            Finish(*job, Failed(HttpFailure::NoWorker, "out of memory"));
            return;
        }
        if (curl_multi_add_handle(multi, transfers.back().session->easy()) != CURLM_OK) {
            transfers.back().session.reset();
            Finish(*job, Failed(HttpFailure::NoWorker, "out of memory"));
            transfers.pop_back();
        }
    };

    for (;;) {
        std::vector<std::shared_ptr<HttpRequestJob>> incoming;
        {
            std::lock_guard lock(m_mutex);
            incoming.swap(m_incoming);
            if (incoming.empty() && transfers.empty() && m_released) {
                m_threadRunning = false;
                break;
            }
        }
        for (const auto &job : incoming)
            begin(job);
        ended = false;

        const auto now = HttpSession::Clock::now();
        for (auto at = transfers.begin(); at != transfers.end();)
            at = at->session->overLimit(now) ? end(at, CURLE_ABORTED_BY_CALLBACK) : std::next(at);
        bool eldest = true;
        for (Transfer &transfer : transfers) {
            transfer.session->setEldest(eldest);
            eldest = false;
        }
        if (const std::uint64_t releases = m_budget ? m_budget->releases() : 0;
            releases != seenReleases) {
            seenReleases = releases;
            retryPaused = true;
        }
        if (std::exchange(retryPaused, false))
            for (Transfer &transfer : transfers)
                transfer.session->resume();

        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg *message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            for (auto at = transfers.begin(); at != transfers.end(); ++at) {
                if (at->session->easy() == message->easy_handle) {
                    end(at, message->data.result);
                    break;
                }
            }
        }
        // After an end, go round again at once: for the waiting bodies, or to leave.
        if (!ended)
            curl_multi_poll(multi, nullptr, 0, transfers.empty() ? kIdleSliceMs : kCheckSliceMs,
                            nullptr);
    }

    // The client has gone: its connections close here, before the thread counts as ended.
    if (m_budget)
        m_budget->setOnRelease({});
    {
        std::lock_guard lock(m_mutex);
        m_multi.reset();
    }
    LeaveOrphanThread();
}

} // namespace jiujiu
