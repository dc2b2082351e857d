#pragma once

#include "net/httpclient.h"
#include "results/resultrow.h"
#include "runtime/value.h"
#include "search/searchsettings.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace jiujiu {

struct HttpResponse;

// Asks the viewer service for result pages first..last of one keyword, several at once, asks
// again after a pause for a page that failed or that its reader rejected, and hands the pages
// back strictly in page order. Driven in steps by the caller's thread, which stays free to
// serve its user interface between them. When no page comes back for the settings'
// no-progress time, the pages still owed are handed back as failed and no more are asked for.
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

    // A page done with: its rows, or why it could not be read after every retry.
    struct Page
    {
        std::int32_t number = 0;
        std::vector<ResultRow> rows;
        std::string failure;
        bool tooLarge = false; // the answer passed the body cap (never asked again)
    };

    // The requests go through `client`, which may carry other requests of the same search
    // (their connections are reused) and must outlive the fetcher.
    PageFetcher(HttpClient &client, const Text &keyword, std::int32_t first, std::int32_t last,
                const SearchSettings &settings, Reader reader);
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
    // The first page not yet handed back.
    std::int32_t nextPage() const { return m_nextToHand; }
    std::int32_t requestsStarted() const { return m_requests; }

private:
    using Clock = std::chrono::steady_clock;
    struct Attempt
    {
        std::int32_t page = 0;
        std::size_t retries = 0; // retries already made for the page
    };

    void startWhatMayStart();
    void start(const Attempt &attempt);
    void judge(const Attempt &attempt, HttpResponse &&response);
    std::chrono::milliseconds waitTime(std::chrono::milliseconds timeout) const;
    void handBack(std::vector<Page> &pages);
    void giveUp(std::vector<Page> &pages);

    HttpClient &m_client;
    Text m_address;
    Text m_keyword;
    std::int32_t m_last;
    SearchSettings m_settings;
    Reader m_reader;
    std::size_t m_bodyCap;

    std::map<HttpClient::Ticket, Attempt> m_inFlight;
    std::multimap<Clock::time_point, Attempt> m_waiting; // retries, by when they are due
    std::map<std::int32_t, Page> m_done;                 // read, waiting for their turn
    std::int32_t m_nextToStart;
    std::int32_t m_nextToHand;
    std::int32_t m_requests = 0;
    Clock::time_point m_lastProgress; // when a page was last handed back, or the start
    bool m_stopped = false;
};

} // namespace jiujiu
