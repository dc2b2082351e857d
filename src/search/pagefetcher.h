#pragma once

#include "net/httpclient.h"
#include "results/resultrow.h"
#include "runtime/value.h"
#include "search/searchsettings.h"
#include "search/viewerservices.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace jiujiu {

struct HttpResponse;

// Asks the viewer service for result pages first..last of one keyword, several at once, asks
// again after a pause for a page that failed or that its reader rejected, and hands the pages
// back strictly in page order. A page that still cannot be had from its service (no
// connection, an error status, an answer not the viewer's) is asked of the next service of the
// list that is not backing off, and the one that failed backs off. Driven in steps by the caller's
// thread, which stays free to serve its user interface between them. When no page comes back for
// the settings' no-progress time, the pages still owed are handed back as failed and no more are
// asked for.
class PageFetcher final
{
public:
    // What the reader made of an answer: its rows, or why it is no good (then it is retried).
    struct Reading
    {
        std::vector<ResultRow> rows;
        std::string failure;
    };
    using Reader = std::function<Reading(std::int32_t page, HttpResponse &&response)>;

    // What kind of failure ended a page, for callers that try something else for one kind.
    enum class Failure
    {
        None,
        Request,    // no connection, an HTTP error, a dropped or timed-out transfer
        TooLarge,   // the answer (or what it decodes to) passed the body cap
        Unreadable, // an answer that is not the viewer's page: an error page, empty, binary
        Rejected,   // the reader found the answer no good (e.g. without rows)
        Abandoned,  // asked for, but the search gave up on it (after failed pages, no progress)
    };

    // A page done with: its rows, or why it could not be read after every retry.
    struct Page
    {
        std::int32_t number = 0;
        std::vector<ResultRow> rows;
        std::string failure;
        bool tooLarge = false; // the answer passed the body cap (never asked again)
        Failure kind = Failure::None;
        std::int32_t requests = 0; // times it was asked for
        std::size_t service = 0;   // the service that answered it, or was asked last
    };
    // Called when a page goes on to another service: the one it failed on, the next.
    using Switched = std::function<void(std::size_t from, std::size_t to)>;

    // The requests go through `client`, which may carry other requests of the same search
    // (their connections are reused) and must outlive the fetcher. Every page is asked of
    // `service` first, by default the first of `services` not backing off.
    PageFetcher(HttpClient &client, const Text &keyword, std::int32_t first, std::int32_t last,
                const SearchSettings &settings, Reader reader,
                ViewerServices services = ViewerServices(),
                std::optional<std::size_t> service = std::nullopt);
    void onSwitched(Switched switched) { m_switched = std::move(switched); }
    const ViewerServices &services() const { return m_services; }
    // Abandons the requests still in flight.
    ~PageFetcher();
    PageFetcher(const PageFetcher &) = delete;
    PageFetcher &operator=(const PageFetcher &) = delete;

    // Starts what may start, waits at most `timeout` for an answer or a retry's time, and
    // reads what came. Answers the pages now complete in page order, each once.
    std::vector<Page> step(std::chrono::milliseconds timeout);
    // Every page handed back, or stopped.
    bool finished() const;
    // Abandons the requests in flight and asks for nothing more.
    void stop();
    // The same, handing back in page order every page asked for and not yet handed back:
    // those read as they are, the others failed with their last reason, else `reason`. The
    // pages never asked for stay unread (nextPage() is the first of them).
    std::vector<Page> abandon(const std::string &reason);
    // The first page not yet handed back.
    std::int32_t nextPage() const { return m_nextToHand; }
    std::int32_t requestsStarted() const { return m_requests; }

private:
    using Clock = std::chrono::steady_clock;
    struct Attempt
    {
        std::int32_t page = 0;
        std::size_t retries = 0; // retries already made for the page on its service
        std::size_t service = 0;
    };

    void startWhatMayStart();
    void start(const Attempt &attempt);
    void judge(const Attempt &attempt, HttpResponse &&response);
    std::chrono::milliseconds waitTime(std::chrono::milliseconds timeout) const;
    void handBack(std::vector<Page> &pages);

    HttpClient &m_client;
    ViewerServices m_services;
    std::size_t m_service;
    std::set<std::size_t> m_failedServices; // backing off already for this fetcher's failures
    Switched m_switched;
    Text m_keyword;
    std::int32_t m_last;
    SearchSettings m_settings;
    Reader m_reader;
    std::size_t m_bodyCap;

    std::map<HttpClient::Ticket, Attempt> m_inFlight;
    std::multimap<Clock::time_point, Attempt> m_waiting; // retries, by when they are due
    std::map<std::int32_t, Page> m_done;                 // read, waiting for their turn
    // Pages asked for and not handed back: how often, and why the last try failed.
    struct Tries
    {
        std::int32_t requests = 0;
        std::string lastFailure;
        Failure lastKind = Failure::None;
    };
    std::map<std::int32_t, Tries> m_tries;
    std::int32_t m_nextToStart;
    std::int32_t m_nextToHand;
    std::int32_t m_requests = 0;
    Clock::time_point m_lastProgress; // when a page was last handed back, or the start
    bool m_stopped = false;
};

} // namespace jiujiu
