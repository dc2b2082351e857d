#pragma once

#include "net/httpresponse.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct curl_slist;

namespace jiujiu {

class HttpRequestJob;

// The worker's private state for one request: its own curl handles and header lists, all
// released when the session ends. Nothing survives from one request to the next.
class HttpSession final
{
public:
    explicit HttpSession(const HttpRequestJob &job);
    ~HttpSession();
    HttpSession(const HttpSession &) = delete;
    HttpSession &operator=(const HttpSession &) = delete;

    // Runs the exchange. The headers and body are empty when it failed before the final
    // response's headers were read; a failure while reading the body keeps what was read.
    // Ends soon after the job is cancelled.
    HttpResponse run();

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

    bool configure();
    bool appendHeader(HeaderList &list, const std::string &line);
    int perform();
    HttpResponse collect(int curlCode);
    void takeHeaderLine(std::string_view line);
    void fail(HttpFailure failure, std::string text);

    const HttpRequestJob &m_job;
    EasyHandle m_easy;
    HeaderList m_headers;
    HeaderList m_proxyHeaders;

    std::string m_url; // the caller's address without leading white space; also the referer
    std::string m_verb;
    bool m_followRedirects = true;

    // The response being read; reset whenever a new status line arrives.
    std::string m_rawHeaders;
    std::string m_body;
    int m_status = 0;
    bool m_final = false; // headers of a response that will not be followed are complete

    // Why the transfer was ended from our side (cap, stall, cancel); libcurl's text otherwise.
    HttpFailure m_failure = HttpFailure::None;
    std::string m_failureText;
    char m_errorBuffer[256] = {};

    bool m_connected = false;
    std::int64_t m_lastDown = 0;
    std::int64_t m_lastUp = 0;
    std::chrono::steady_clock::time_point m_lastProgress;
};

} // namespace jiujiu
