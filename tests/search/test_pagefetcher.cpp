// The page fetcher against a real loopback service: how many requests it keeps in flight, when
// it asks again, the order it hands pages back in, stopping, and searches that stop moving.
#include "childprocess.h"
#include "net/httpclient.h"
#include "net/httplimits.h"
#include "net/httpresponse.h"
#include "net/httpworkers.h"
#include "runtime/codepage.h"
#include "search/pagefetcher.h"
#include "testserver.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <httplib.h>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using namespace jiujiu;

namespace {

using Clock = std::chrono::steady_clock;

// One answer of the test service.
struct Reply
{
    int status = 200;
    std::string body;
    std::string retryAfter; // the Retry-After header, when not empty
    std::chrono::milliseconds delay{0};
};

// A good page holds "rows=N" (and escaped markup, as every viewer answer); the reader turns
// that into N rows.
Reply Rows(int n, std::chrono::milliseconds delay = 0ms)
{
    return {200, "rows=" + std::to_string(n) + " &lt;br&gt;", {}, delay};
}

Reply Answer(int status, std::string body, std::string retryAfter = {})
{
    return {status, std::move(body), std::move(retryAfter), 0ms};
}

PageFetcher::Reading Read(std::int32_t, HttpResponse &&response)
{
    PageFetcher::Reading reading;
    if (response.body.rfind("rows=", 0) == 0)
        reading.rows.resize(std::stoul(response.body.substr(5)));
    else
        reading.failure = "unreadable";
    return reading;
}

int PageOf(const std::string &body)
{
    const auto at = body.find("%3Fpage%3D");
    return at == std::string::npos ? 0 : std::atoi(body.c_str() + at + 10);
}

// A viewer service answering each page's requests with responder(page, attempt), attempts
// counted from 1; it notes when each request came and how many ran at once.
class PageServer
{
public:
    using Responder = std::function<Reply(int page, int attempt)>;

    explicit PageServer(Responder responder) : m_responder(std::move(responder))
    {
        m_server.server().Post("/Tools/PageCode.aspx", [this](const httplib::Request &request,
                                                              httplib::Response &response) {
            const int page = PageOf(request.body);
            int attempt = 0;
            {
                std::lock_guard lock(m_mutex);
                m_arrivals[page].push_back(Clock::now());
                attempt = static_cast<int>(m_arrivals[page].size());
            }
            const int now = ++m_concurrent;
            for (int seen = m_mostConcurrent; now > seen;)
                m_mostConcurrent.compare_exchange_weak(seen, now);
            const Reply reply = m_responder(page, attempt);
            if (reply.delay.count() > 0)
                m_server.sleepUnlessStopping(reply.delay);
            --m_concurrent;
            response.status = reply.status;
            if (!reply.retryAfter.empty())
                response.set_header("Retry-After", reply.retryAfter);
            response.set_content(reply.body, "text/html; charset=utf-8");
        });
        EXPECT_TRUE(m_server.start());
        ::setenv("JIUJIU_VIEWER_HOST", ("127.0.0.1:" + std::to_string(m_server.port())).c_str(), 1);
        ::setenv("JIUJIU_SEARCH_HOST", "search.example", 1);
    }

    std::vector<Clock::time_point> arrivals(int page)
    {
        std::lock_guard lock(m_mutex);
        return m_arrivals[page];
    }
    std::size_t requests()
    {
        std::lock_guard lock(m_mutex);
        std::size_t n = 0;
        for (const auto &entry : m_arrivals)
            n += entry.second.size();
        return n;
    }
    int mostConcurrent() const { return m_mostConcurrent; }

private:
    Responder m_responder;
    std::mutex m_mutex;
    std::map<int, std::vector<Clock::time_point>> m_arrivals;
    std::atomic<int> m_concurrent{0};
    std::atomic<int> m_mostConcurrent{0};
    test::TestServer m_server;
};

struct Outcome
{
    std::vector<PageFetcher::Page> pages;
    int steps = 0;
    Clock::duration took{};
};

// Steps the fetcher until it is done (or a minute passed: a fetcher that never ends fails).
Outcome Drive(PageFetcher &fetcher, std::chrono::milliseconds slice,
              const std::function<void(const PageFetcher::Page &)> &onPage = {})
{
    Outcome outcome;
    const auto start = Clock::now();
    while (!fetcher.finished() && Clock::now() - start < 60s) {
        ++outcome.steps;
        for (PageFetcher::Page &page : fetcher.step(slice)) {
            if (onPage)
                onPage(page);
            outcome.pages.push_back(std::move(page));
        }
    }
    outcome.took = Clock::now() - start;
    return outcome;
}

std::vector<std::int32_t> Numbers(const std::vector<PageFetcher::Page> &pages)
{
    std::vector<std::int32_t> numbers;
    for (const auto &page : pages)
        numbers.push_back(page.number);
    return numbers;
}

std::vector<std::int32_t> Range(std::int32_t first, std::int32_t last)
{
    std::vector<std::int32_t> numbers;
    for (std::int32_t n = first; n <= last; ++n)
        numbers.push_back(n);
    return numbers;
}

SearchSettings Settings(int parallel, std::vector<std::chrono::milliseconds> pauses = {20ms, 20ms})
{
    SearchSettings settings;
    settings.parallelRequests = parallel;
    settings.retryPauses = std::move(pauses);
    return settings;
}

// Each case makes its client after its server, so the client and its kept-alive connections
// go first and the server need not wait for them to time out.
class PageFetcherTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        SetHttpLimits(m_savedLimits);
        EXPECT_TRUE(WaitForHttpWorkers(10s));
    }

    const Text m_keyword = Utf8ToText("abc");
    HttpLimits m_savedLimits = CurrentHttpLimits();
};

TEST_F(PageFetcherTest, SlotsBoundTheRequestsInFlightAndPagesComeBackInOrder)
{
    for (const int slots : {1, 3, 8}) {
        SCOPED_TRACE("slots " + std::to_string(slots));
        std::mt19937 random(static_cast<unsigned>(slots));
        std::map<int, std::chrono::milliseconds> delays;
        for (int page = 1; page <= 16; ++page)
            delays[page] =
                std::chrono::milliseconds(std::uniform_int_distribution<int>(20, 60)(random));
        // The first pages wait until every slot is busy, so the most at once is the slot count
        // even on a loaded machine (a fetcher using fewer slots leaves them waiting 5 s).
        PageServer server([&](int page, int) {
            for (const auto until = Clock::now() + 5s;
                 page <= slots && server.mostConcurrent() < slots && Clock::now() < until;)
                std::this_thread::sleep_for(5ms);
            return Rows(page, delays.at(page));
        });
        HttpClient client;
        PageFetcher fetcher(client, m_keyword, 1, 16, Settings(slots), Read);
        const Outcome outcome = Drive(fetcher, 50ms);
        EXPECT_EQ(Numbers(outcome.pages), Range(1, 16));
        for (const auto &page : outcome.pages)
            EXPECT_EQ(page.rows.size(), static_cast<std::size_t>(page.number));
        EXPECT_EQ(server.mostConcurrent(), slots);
        EXPECT_EQ(server.requests(), 16u);
    }
}

TEST_F(PageFetcherTest, RetriesWaitTheirPauseOrWhatTheServiceAsks)
{
    const struct
    {
        const char *name;
        int status;
        std::string retryAfter;
        std::vector<std::chrono::milliseconds> pauses;
        std::chrono::milliseconds retryAfterLimit;
        std::chrono::milliseconds atLeast; // between one request and the next
        std::chrono::milliseconds below;
    } cases[] = {
        {"the fixed pauses, in turn", 503, "", {150ms, 400ms}, 10s, 150ms, 5s},
        {"Retry-After on a 503", 503, "1", {20ms, 20ms}, 10s, 1000ms, 5s},
        {"Retry-After on a 429", 429, "1", {20ms, 20ms}, 10s, 1000ms, 5s},
        {"Retry-After past the limit waits the limit", 503, "3600", {20ms, 20ms}, 500ms, 500ms, 3s},
        {"Retry-After on a 500 asks nothing", 500, "1", {20ms, 20ms}, 10s, 20ms, 900ms},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PageServer server([&](int, int attempt) {
            return attempt <= 2 ? Answer(c.status, "busy", c.retryAfter) : Rows(3);
        });
        SearchSettings settings = Settings(1, c.pauses);
        settings.retryAfterLimit = c.retryAfterLimit;
        HttpClient client;
        PageFetcher fetcher(client, m_keyword, 1, 1, settings, Read);
        const Outcome outcome = Drive(fetcher, 50ms);
        ASSERT_EQ(outcome.pages.size(), 1u);
        EXPECT_EQ(outcome.pages[0].failure, "");
        EXPECT_EQ(outcome.pages[0].rows.size(), 3u);
        const auto arrivals = server.arrivals(1);
        ASSERT_EQ(arrivals.size(), 3u);
        for (std::size_t i = 1; i < arrivals.size(); ++i) {
            const auto gap = arrivals[i] - arrivals[i - 1];
            const auto pause = c.retryAfter.empty() ? c.pauses[i - 1] : c.atLeast;
            EXPECT_GE(gap, pause) << "retry " << i;
            EXPECT_LT(gap, c.below) << "retry " << i;
        }
    }
}

// A retry that is due while every slot is busy waits for the slot: the fetcher sleeps until a
// request finishes instead of stepping over and over.
TEST_F(PageFetcherTest, ARetryDueWhileTheSlotsAreFullWaitsWithoutSpinning)
{
    PageServer server([](int page, int attempt) {
        if (page == 1 && attempt == 1)
            return Answer(503, "busy");
        return Rows(1, page == 2 ? 800ms : 0ms);
    });
    HttpClient client;
    PageFetcher fetcher(client, m_keyword, 1, 2, Settings(1, {10ms, 10ms}), Read);
    const Outcome outcome = Drive(fetcher, 1000ms);
    EXPECT_EQ(Numbers(outcome.pages), Range(1, 2));
    EXPECT_GE(outcome.took, 800ms) << "page 2 held the only slot";
    EXPECT_LT(outcome.steps, 20);
}

TEST_F(PageFetcherTest, FailedPagesSayWhyAfterTheirRetries)
{
    const struct
    {
        const char *name;
        Reply reply;
        std::string failure;
        bool tooLarge;
        std::size_t asked;
    } cases[] = {
        {"an error status, asked three times", Answer(503, "busy"), "HTTP 503", false, 3},
        {"an answer too large is not asked again", Answer(200, std::string(100000, 'x')),
         "答案超过 65536 字节", true, 1},
    };
    HttpLimits limits = m_savedLimits;
    limits.bodyCap = 64 * 1024;
    SetHttpLimits(limits);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PageServer server([&](int page, int) { return page == 2 ? c.reply : Rows(1); });
        HttpClient client;
        PageFetcher fetcher(client, m_keyword, 1, 3, Settings(2), Read);
        const Outcome outcome = Drive(fetcher, 50ms);
        ASSERT_EQ(Numbers(outcome.pages), Range(1, 3));
        EXPECT_EQ(outcome.pages[1].failure, c.failure);
        EXPECT_EQ(outcome.pages[1].tooLarge, c.tooLarge);
        EXPECT_EQ(outcome.pages[0].failure + outcome.pages[2].failure, "");
        EXPECT_EQ(server.arrivals(2).size(), c.asked);
    }
}

TEST_F(PageFetcherTest, StopAbandonsTheRequestsInFlight)
{
    PageServer server([](int page, int) { return Rows(1, page == 1 ? 0ms : 30000ms); });
    HttpClient client;
    PageFetcher fetcher(client, m_keyword, 1, 6, Settings(2), Read);
    const Outcome outcome =
        Drive(fetcher, 50ms, [&](const PageFetcher::Page &) { fetcher.stop(); });
    EXPECT_EQ(Numbers(outcome.pages), Range(1, 1));
    EXPECT_TRUE(fetcher.finished());
    EXPECT_TRUE(fetcher.step(50ms).empty());
    EXPECT_TRUE(WaitForHttpWorkers(5s)) << "the slow requests were cancelled";
    EXPECT_LE(server.requests(), 3u) << "nothing asked after the stop";
    EXPECT_LT(outcome.took, 10s);
}

// When no page comes back for the no-progress time, the pages asked for are handed back, the
// one holding the others up as failed, and nothing more is asked.
TEST_F(PageFetcherTest, NoPageForTheNoProgressTimeEndsTheFetch)
{
    PageServer server([](int page, int) { return Rows(1, page == 2 ? 30000ms : 0ms); });
    SearchSettings settings = Settings(2);
    settings.noProgressLimit = 500ms;
    HttpClient client;
    PageFetcher fetcher(client, m_keyword, 1, 9, settings, Read);
    const Outcome outcome = Drive(fetcher, 50ms);
    // Two slots read ahead four pages: 2 to 5.
    ASSERT_EQ(Numbers(outcome.pages), Range(1, 5));
    for (const auto &page : outcome.pages)
        EXPECT_EQ(page.failure, page.number == 2 ? "no progress for 500 ms" : "") << page.number;
    EXPECT_TRUE(fetcher.finished());
    EXPECT_EQ(fetcher.nextPage(), 6);
    EXPECT_LT(outcome.took, 10s);
}

// With the program's own limits and pauses: three tries of a server that never answers.
TEST_F(PageFetcherTest, ASilentServiceFailsWithinHalfAMinuteRetriesIncluded)
{
    PageServer server([](int, int) { return Rows(1, 120s); });
    HttpClient client;
    PageFetcher fetcher(client, m_keyword, 1, 1, SearchSettings(), Read);
    const Outcome outcome = Drive(fetcher, 100ms);
    ASSERT_EQ(outcome.pages.size(), 1u);
    EXPECT_EQ(outcome.pages[0].failure, "no data for 8000 ms");
    EXPECT_EQ(server.requests(), 3u);
    EXPECT_LT(outcome.took, 30s);
}

// The demo service logs each connection it accepts: a search of 20 pages, 4 at a time, after
// a first request on the same client, opens no more than 4.
TEST_F(PageFetcherTest, TwentyPagesFourAtATimeOpenAtMostFourConnections)
{
    char logName[] = "/tmp/test_pagefetcher_log_XXXXXX";
    const int logFile = ::mkstemp(logName);
    ASSERT_GE(logFile, 0);
    ::close(logFile);
    const test::DemoServiceProcess service(
        {"--rows-per-page", "50", "--latency-ms", "10", "--log", logName});
    ASSERT_FALSE(service.host().empty());
    service.exportEnvironment();
    const Text keyword = Utf8ToText("每日新闻"); // 1000 results: 20 pages of 50
    int listed = 0;
    const auto count = [&listed](std::int32_t, HttpResponse &&response) {
        listed += response.body.find("每日新闻") != std::string::npos ? 1 : 0;
        return PageFetcher::Reading();
    };
    HttpClient client;
    PageFetcher first(client, keyword, 1, 1, Settings(4), count);
    Drive(first, 50ms);
    PageFetcher pages(client, keyword, 1, 20, Settings(4), count);
    EXPECT_EQ(Numbers(Drive(pages, 50ms).pages), Range(1, 20));
    EXPECT_EQ(listed, 21);

    // A request is logged just after its answer went out: the last may still be on its way.
    int connections = 0, requests = 0;
    for (const auto deadline = Clock::now() + 5s; requests < 21 && Clock::now() < deadline;) {
        std::ifstream log(logName);
        connections = requests = 0;
        for (std::string line; std::getline(log, line);) {
            connections += line.rfind("connection ", 0) == 0 ? 1 : 0;
            requests += line.rfind("POST ", 0) == 0 ? 1 : 0;
        }
        std::this_thread::sleep_for(requests < 21 ? 20ms : 0ms);
    }
    ::unlink(logName);
    EXPECT_EQ(requests, 21);
    EXPECT_GE(connections, 1);
    EXPECT_LE(connections, 4);
}

} // namespace
