#pragma once

#include "net/bodybuffer.h"
#include "net/httpresponse.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct curl_slist;

namespace jiujiu {

class HttpBudget;
class HttpRequestJob;

// The state of one request while its client's transfer thread runs it: its curl handle and
// header lists, all released when the session ends. The connection it used stays with the
// client for the next request to the same host.
class HttpSession final
{
public:
    using Clock = std::chrono::steady_clock;

    // The body grows only within `budget` (may be null: no budget).
    HttpSession(const HttpRequestJob &job, HttpBudget *budget);
    ~HttpSession();
    HttpSession(const HttpSession &) = delete;
    HttpSession &operator=(const HttpSession &) = delete;

    // Sets the request up; false when it cannot be sent (collect() then says why).
    bool configure();
    // The curl easy handle, for the client's multi handle.
    void *easy() const { return m_easy.get(); }

    // The eldest transfer of its client may use more of the budget, so one always proceeds.
    void setEldest(bool eldest) { m_eldest = eldest; }
    // True when the request has to end now: cancelled, or past one of its time limits. The
    // reason is kept for collect().
    bool overLimit(Clock::time_point now);
    // Waiting for room in the budget; resume() lets it try again, and the time it waited does
    // not count as slow or stalled.
    bool paused() const { return m_paused; }
    void resume();

    // The results, once the transfer ended with libcurl's code. The headers and body are empty
    // when it failed before the final response's headers were read; a failure while reading
    // the body keeps what was read.
    HttpResponse collect(int curlCode);
    // The budget the collected body holds: from now on the job's to give back.
    std::size_t handOverBudget();

private:
    friend struct HttpSessionCallbacks;

    struct EasyDeleter
    {
        void operator()(void *easy) const;
    };
    struct ListDeleter
    {
        void operator()(curl_slist *list) const;
    };
    using EasyHandle = std::unique_ptr<void, EasyDeleter>;
    using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

    bool appendHeader(HeaderList &list, const std::string &line);
    void takeHeaderLine(std::string_view line);
    std::size_t takeBody(const char *data, std::size_t length);
    void forgetBody();
    void moved(std::size_t bytes);
    void restartClocks(Clock::time_point now);
    void fail(HttpFailure failure, std::string text);

    const HttpRequestJob &m_job;
    HttpBudget *m_budget;
    EasyHandle m_easy;
    HeaderList m_headers;
    HeaderList m_proxyHeaders;

    std::string m_url; // the caller's address without leading white space; also the referer
    std::string m_verb;
    bool m_followRedirects = true;

    // The response being read; reset whenever a new status line arrives.
    std::string m_rawHeaders;
    BodyBuffer m_body;
    std::size_t m_budgeted = 0; // budget taken by m_body
    int m_status = 0;
    bool m_final = false; // headers of a response that will not be followed are complete

    // Why the transfer was ended from our side (cap, limits, cancel); libcurl's text otherwise.
    HttpFailure m_failure = HttpFailure::None;
    std::string m_failureText;
    char m_errorBuffer[256] = {};

    bool m_eldest = false;
    bool m_paused = false;
    bool m_connected = false;
    Clock::time_point m_started;
    // Bytes moved either way once connected: headers, body and the request's upload.
    std::uint64_t m_moved = 0;
    std::int64_t m_uploaded = 0;
    Clock::time_point m_lastMove;
    // The low-speed check looks at whole windows of the low-speed time.
    Clock::time_point m_windowStart;
    std::uint64_t m_windowMoved = 0;
};

} // namespace jiujiu
