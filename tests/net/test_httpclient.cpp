// Why a request failed, several requests at once, abandoning them, and servers that trickle,
// stall or flood.
#include "net/httpcall.h"
#include "net/httpclient.h"
#include "net/httplimits.h"
#include "net/httprequest.h"
#include "net/httpresponse.h"
#include "net/httpworkers.h"
#include "net/retryafter.h"
#include "testserver.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <httplib.h>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using jiujiu::HttpCall;
using jiujiu::HttpClient;
using jiujiu::HttpFailure;
using jiujiu::HttpLimits;
using jiujiu::HttpResponse;
using jiujiu::test::TestServer;

namespace {

using Clock = std::chrono::steady_clock;

HttpCall Get(const std::string &url)
{
    HttpCall call;
    call.url = url;
    return call;
}

class HttpClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"http_proxy", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
            unsetenv(name);
        auto &s = m_server.server();
        s.Get("/status/(\\d+)", [](const httplib::Request &request, httplib::Response &response) {
            response.status = std::stoi(request.matches[1]);
            response.set_content("body of " + std::string(request.matches[1]), "text/plain");
        });
        // Promises 1000 bytes, sends 10 and closes the connection.
        s.Get("/dropped", [](const httplib::Request &, httplib::Response &response) {
            response.set_content_provider(
                1000, "text/plain", [](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                    return offset == 0 && sink.write("0123456789", 10);
                });
        });
        s.Get("/big", [](const httplib::Request &, httplib::Response &response) {
            response.set_content(std::string(5000, 'b'), "text/plain");
        });
        s.Get("/silent", [this](const httplib::Request &, httplib::Response &response) {
            m_server.sleepUnlessStopping(60s);
            response.set_content("too late", "text/plain");
        });
        // Endless answers: CHUNK bytes every PAUSE ms, until the client goes.
        s.Get("/endless/(\\d+)/(\\d+)",
              [](const httplib::Request &request, httplib::Response &response) {
                  const std::string chunk(std::stoul(request.matches[1]), 'e');
                  const auto pause = std::chrono::milliseconds(std::stoi(request.matches[2]));
                  response.set_chunked_content_provider(
                      "text/plain", [chunk, pause](std::size_t, httplib::DataSink &sink) {
                          std::this_thread::sleep_for(pause);
                          return sink.write(chunk.data(), chunk.size());
                      });
              });
        s.Get("/busy/(\\d+)", [](const httplib::Request &request, httplib::Response &response) {
            response.status = std::stoi(request.matches[1]);
            response.set_header("Retry-After", "7");
            response.set_content("come back later", "text/plain");
        });
        s.Get("/slow/(\\d+)", [this](const httplib::Request &request, httplib::Response &response) {
            const int now = ++m_concurrent;
            for (int seen = m_mostConcurrent; now > seen;)
                m_mostConcurrent.compare_exchange_weak(seen, now);
            m_server.sleepUnlessStopping(std::chrono::milliseconds(std::stoi(request.matches[1])));
            --m_concurrent;
            response.set_content("slow " + std::string(request.matches[1]), "text/plain");
        });
        ASSERT_TRUE(m_server.start());
    }
    void TearDown() override
    {
        jiujiu::SetHttpLimits(m_savedLimits);
        EXPECT_TRUE(jiujiu::WaitForHttpWorkers(20s));
    }

    std::string url(const std::string &path) const { return m_server.url(path); }

    TestServer m_server;
    std::atomic<int> m_concurrent{0};
    std::atomic<int> m_mostConcurrent{0};
    HttpLimits m_savedLimits = jiujiu::CurrentHttpLimits();
};

struct FailureCase
{
    const char *name;
    std::string path; // empty: a port nobody listens on
    std::size_t bodyCap;
    HttpFailure failure;
    std::string textStart; // failureText begins with this
    std::string body;
};

void PrintTo(const FailureCase &c, std::ostream *out)
{
    *out << c.name;
}

class HttpFailureTest : public HttpClientTest, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(HttpFailureTest, ResponseSaysWhy)
{
    const FailureCase &c = GetParam();
    HttpLimits limits = jiujiu::CurrentHttpLimits();
    limits.bodyCap = c.bodyCap;
    limits.stallTimeout = 300ms;
    jiujiu::SetHttpLimits(limits);
    const HttpResponse response =
        jiujiu::PerformHttpCall(Get(c.path.empty() ? "http://127.0.0.1:1/" : url(c.path)));
    EXPECT_EQ(response.failure, c.failure);
    EXPECT_EQ(response.succeeded(), c.failure == HttpFailure::None);
    EXPECT_TRUE(response.failureText.starts_with(c.textStart)) << response.failureText;
    EXPECT_EQ(response.body, c.body);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, HttpFailureTest,
    ::testing::Values(
        FailureCase{"ok", "/status/200", 1 << 20, HttpFailure::None, "", "body of 200"},
        FailureCase{"redirect status kept as an answer", "/status/304", 1 << 20, HttpFailure::None,
                    "", ""},
        FailureCase{"not found keeps its body", "/status/404", 1 << 20, HttpFailure::Status,
                    "HTTP 404", "body of 404"},
        FailureCase{"service unavailable", "/status/503", 1 << 20, HttpFailure::Status, "HTTP 503",
                    "body of 503"},
        FailureCase{"nobody listening", "", 1 << 20, HttpFailure::Network, "Failed to connect", ""},
        FailureCase{"connection dropped midway keeps what came", "/dropped", 1 << 20,
                    HttpFailure::Network, "transfer closed with 990 bytes remaining", "0123456789"},
        FailureCase{"body over the cap keeps what fits", "/big", 1000, HttpFailure::TooLarge,
                    "answer larger than 1000 bytes", std::string(1000, 'b')},
        FailureCase{"no answer within the stall time", "/silent", 1 << 20, HttpFailure::TimedOut,
                    "no data for 300 ms", ""}),
    [](const ::testing::TestParamInfo<FailureCase> &info) {
        std::string name = info.param.name;
        for (char &ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

struct HostileCase
{
    const char *name;
    std::string path;
    std::function<void(HttpLimits &)> limits;
    std::string textStart;
};

// Every request ends, whatever the server does, and says why; the bound only proves it ends.
// (A server that never answers is in the table above.)
TEST_F(HttpClientTest, HostileServersEndEveryRequestWithItsReason)
{
    const HostileCase cases[] = {
        {"trickles below the low speed", "/endless/10/100",
         [](HttpLimits &l) {
             l.lowSpeedBytes = 1024;
             l.lowSpeedTime = 500ms;
         },
         "under 1024 bytes/s for 500 ms"},
        {"trickles fast enough but never ends", "/endless/2000/20",
         [](HttpLimits &l) { l.transferTimeout = 700ms; }, "no complete answer within 700 ms"},
        {"floods past the cap", "/endless/16384/0", [](HttpLimits &l) { l.bodyCap = 1 << 20; },
         "answer larger than 1048576 bytes"},
    };
    for (const HostileCase &c : cases) {
        SCOPED_TRACE(c.name);
        HttpLimits limits = m_savedLimits;
        c.limits(limits);
        jiujiu::SetHttpLimits(limits);
        const auto start = Clock::now();
        const HttpResponse response = jiujiu::PerformHttpCall(Get(url(c.path)));
        EXPECT_LT(Clock::now() - start, 15s);
        EXPECT_FALSE(response.succeeded());
        EXPECT_TRUE(response.failureText.starts_with(c.textStart)) << response.failureText;
    }
}

// Endless answers on every request at once: each stops at the cap, the bodies held never pass
// twice the cap, and time spent waiting for room (the caller is slow to take the answers)
// never counts as a stall.
TEST_F(HttpClientTest, ManyEndlessAnswersAtOnceStayWithinTheBudget)
{
    constexpr std::size_t kCap = 4 << 20;
    HttpLimits limits = m_savedLimits;
    limits.bodyCap = kCap;
#if defined(__SANITIZE_THREAD__)
    // Eight endless senders slowed down by the thread checker can starve one past 200 ms.
    limits.stallTimeout = 2s;
#else
    limits.stallTimeout = 200ms;
#endif
    jiujiu::SetHttpLimits(limits);
    HttpClient client;
    for (int i = 0; i < 8; ++i)
        client.start(Get(url("/endless/16384/0")));
    int tooLarge = 0;
    const auto deadline = Clock::now() + 60s;
    while (client.pending() > 0 && Clock::now() < deadline) {
        client.waitForFinished(1s);
        std::this_thread::sleep_for(300ms);
        for (auto &finished : client.takeFinished()) {
            EXPECT_EQ(finished.response.failure, HttpFailure::TooLarge)
                << finished.response.failureText;
            EXPECT_EQ(finished.response.body.size(), kCap);
            tooLarge += finished.response.failure == HttpFailure::TooLarge ? 1 : 0;
        }
    }
    EXPECT_EQ(tooLarge, 8);
    EXPECT_GE(client.mostBytesHeld(), kCap);
    EXPECT_LE(client.mostBytesHeld(), 2 * kCap);
    EXPECT_EQ(client.bytesHeld(), 0u) << "every answer taken gives its room back";
}

TEST_F(HttpClientTest, RetryAfterReachesTheCaller)
{
    for (const int status : {503, 429}) {
        SCOPED_TRACE(status);
        const HttpResponse response =
            jiujiu::PerformHttpCall(Get(url("/busy/" + std::to_string(status))));
        EXPECT_EQ(response.statusCode, status);
        EXPECT_EQ(response.retryAfter, std::optional(7s));
    }
    EXPECT_EQ(jiujiu::PerformHttpCall(Get(url("/status/503"))).retryAfter, std::nullopt);
}

TEST(RetryAfterDelay, SecondsOrADate)
{
    // Wed, 21 Oct 2015 07:28:00 GMT
    const std::time_t now = 1445412480;
    const struct
    {
        const char *value;
        std::optional<std::chrono::seconds> delay;
    } cases[] = {
        {"120", 120s},
        {" 5 ", 5s},
        {"0", 0s},
        {"Wed, 21 Oct 2015 07:28:30 GMT", 30s},
        {"Wednesday, 21-Oct-15 07:29:00 GMT", 60s},
        {"Wed Oct 21 07:28:10 2015", 10s},
        {"Tue, 20 Oct 2015 07:28:00 GMT", 0s}, // gone by
        {"99999999999999999999999", std::chrono::seconds(std::int64_t(1) << 40)},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-5", std::nullopt},
        {"1.5", std::nullopt},
        {"soon", std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(jiujiu::RetryAfterDelay(c.value, now), c.delay);
    }
}

TEST_F(HttpClientTest, UnusableAddressSendsNothingAndSaysSo)
{
    for (const char *address : {"", "no scheme at all", "ftp://127.0.0.1/"}) {
        SCOPED_TRACE(address);
        const HttpResponse response = jiujiu::PerformHttpCall(Get(address));
        EXPECT_EQ(response.failure, HttpFailure::BadRequest);
        EXPECT_EQ(response.failureText, "unusable address");
    }
    EXPECT_TRUE(m_server.received().empty());
}

TEST_F(HttpClientTest, SeveralRequestsRunAtOnceAndEachKeepsItsAnswer)
{
    HttpClient client;
    std::map<HttpClient::Ticket, std::string> expected;
    for (int ms : {400, 300, 200, 100})
        expected[client.start(Get(url("/slow/" + std::to_string(ms))))] =
            "slow " + std::to_string(ms);
    std::map<HttpClient::Ticket, std::string> answers;
    std::vector<std::string> order;
    const auto deadline = Clock::now() + 20s;
    while (client.pending() > 0 && Clock::now() < deadline) {
        client.waitForFinished(1s);
        for (auto &finished : client.takeFinished()) {
            EXPECT_TRUE(finished.response.succeeded()) << finished.response.failureText;
            answers[finished.ticket] = finished.response.body;
            order.push_back(finished.response.body);
        }
    }
    EXPECT_EQ(answers, expected);
    EXPECT_EQ(m_mostConcurrent.load(), 4) << "all four were in flight together";
    // Finishing order follows the server's delays, not the starting order (100 ms apart is too
    // close to call under the thread checker's slowdown).
#if !defined(__SANITIZE_THREAD__)
    EXPECT_EQ(order, (std::vector<std::string>{"slow 100", "slow 200", "slow 300", "slow 400"}));
#endif
}

TEST_F(HttpClientTest, CancelledRequestEndsLongBeforeItsAnswer)
{
    struct Case
    {
        const char *name;
        std::string path;
    };
    // Waiting for the answer's headers, and waiting in the middle of a body.
    const Case cases[] = {{"before the headers", "/silent"}, {"server thinking", "/slow/30000"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HttpClient client;
        const auto ticket = client.start(Get(url(c.path)));
        std::this_thread::sleep_for(200ms);
        EXPECT_FALSE(client.waitForFinished(0ms));
        client.cancel(ticket);
        // The server would keep it waiting far longer than this.
        ASSERT_TRUE(client.waitForFinished(10s));
        const auto finished = client.takeFinished();
        ASSERT_EQ(finished.size(), 1u);
        EXPECT_EQ(finished[0].ticket, ticket);
        EXPECT_EQ(finished[0].response.failure, HttpFailure::Cancelled);
        EXPECT_EQ(finished[0].response.failureText, "cancelled");
        EXPECT_EQ(client.pending(), 0u);
    }
}

TEST_F(HttpClientTest, ClientGoneCancelsWhatItStarted)
{
    {
        HttpClient client;
        for (int i = 0; i < 3; ++i)
            client.start(Get(url("/silent")));
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(jiujiu::WaitForHttpWorkers(10s)) << "the workers still wait for an answer";
}

TEST_F(HttpClientTest, ExitCancelsEveryRunningWorker)
{
    HttpClient client;
    client.start(Get(url("/silent")));
    client.detachAll();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(jiujiu::RunningHttpWorkers(), 1);
    jiujiu::CancelHttpWorkers();
    EXPECT_TRUE(jiujiu::WaitForHttpWorkers(10s));
}

} // namespace
