#pragma once

#include "net/httpresponse.h"

#include <chrono>
#include <curl/curl.h>
#include <memory>
#include <string>
#include <string_view>

namespace jiujiu {

class HttpRequestJob;

// The worker's private state for one request: its own curl handle and header lists, all
// released when the session ends. Nothing survives from one request to the next.
class HttpSession final
{
public:
    explicit HttpSession(const HttpRequestJob &job);
    ~HttpSession();
    HttpSession(const HttpSession &) = delete;
    HttpSession &operator=(const HttpSession &) = delete;

    // Runs the exchange. Empty when it failed before the final response's headers were read;
    // a failure while reading the body keeps what was read.
    HttpResponse run();

private:
    struct EasyDeleter
    {
        void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
    };
    struct ListDeleter
    {
        void operator()(curl_slist *list) const { curl_slist_free_all(list); }
    };
    using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
    using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

    bool configure();
    bool appendHeader(HeaderList &list, const std::string &line);
    HttpResponse collect() const;
    void takeHeaderLine(std::string_view line);

    static std::size_t onHeader(char *data, std::size_t size, std::size_t count, void *self);
    static std::size_t onBody(char *data, std::size_t size, std::size_t count, void *self);
    static int onProgress(void *self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                          curl_off_t upNow);
    static int onConnected(void *self, char *, char *, int, int);

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

    bool m_connected = false;
    curl_off_t m_lastDown = 0;
    curl_off_t m_lastUp = 0;
    std::chrono::steady_clock::time_point m_lastProgress;
};

} // namespace jiujiu
