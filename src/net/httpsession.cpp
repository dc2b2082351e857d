#include "net/httpsession.h"

#include "net/httpbudget.h"
#include "net/httprequestjob.h"
#include "net/requestheaders.h"
#include "net/requesturl.h"
#include "net/retryafter.h"
#include "runtime/asciicase.h"
#include "runtime/asciictype.h"
#include "runtime/conversions.h"

#include <algorithm>
#include <ctime>
#include <curl/curl.h>
#include <string_view>
#include <utility>

namespace jiujiu {
namespace {

// INTERNET_FLAG_NO_AUTO_REDIRECT: the caller wants the redirect response itself.
constexpr std::uint32_t kNoAutoRedirect = 0x00200000;

// RFC 9110 token characters: anything else in a method could split the request line.
bool IsToken(std::string_view text)
{
    static constexpr std::string_view extra = "!#$%&'*+-.^_`|~";
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return IsAsciiAlnum(c) || extra.find(c) != std::string_view::npos;
    });
}

bool HasHeaderNamed(const std::vector<std::string> &lines, std::string_view name)
{
    return std::any_of(lines.begin(), lines.end(), [name](const std::string &line) {
        if (line.size() <= name.size() || (line[name.size()] != ':' && line[name.size()] != ';'))
            return false;
        return AsciiEqualsIgnoringCase(std::string_view(line).substr(0, name.size()), name);
    });
}

bool IsFollowedStatus(int status)
{
    return status == 300 || status == 301 || status == 302 || status == 303 || status == 307 ||
           status == 308;
}

int StatusOf(std::string_view statusLine)
{
    const auto space = statusLine.find(' ');
    if (space == std::string_view::npos)
        return 0;
    int status = 0;
    for (std::size_t i = space + 1; i < statusLine.size() && i < space + 4; ++i) {
        if (statusLine[i] < '0' || statusLine[i] > '9')
            return 0;
        status = status * 10 + (statusLine[i] - '0');
    }
    return status;
}

Text FirstValue(std::string_view rawHeaders, std::string_view name)
{
    const auto values = ResponseHeaderValues(rawHeaders, name);
    return values.empty() ? Text() : values.front();
}

} // namespace

// The library's C callbacks, with access to the session.
struct HttpSessionCallbacks
{
    static std::size_t onHeader(char *data, std::size_t size, std::size_t count, void *self);
    static std::size_t onBody(char *data, std::size_t size, std::size_t count, void *self);
    static int onConnected(void *self, char *, char *, int, int);
};

void HttpSession::EasyDeleter::operator()(void *easy) const
{
    curl_easy_cleanup(easy);
}

void HttpSession::ListDeleter::operator()(curl_slist *list) const
{
    curl_slist_free_all(list);
}

HttpSession::HttpSession(const HttpRequestJob &job, HttpBudget *budget)
    : m_job(job), m_budget(budget)
{
    static_assert(sizeof m_errorBuffer >= CURL_ERROR_SIZE);
}

HttpSession::~HttpSession()
{
    forgetBody();
}

void HttpSession::fail(HttpFailure failure, std::string text)
{
    // The first reason wins: a cancel makes libcurl report an abort, not the other way round.
    if (m_failure != HttpFailure::None)
        return;
    m_failure = failure;
    m_failureText = std::move(text);
}

bool HttpSession::appendHeader(HeaderList &list, const std::string &line)
{
    curl_slist *grown = curl_slist_append(list.get(), line.c_str());
    if (!grown)
        return false;
    list.release();
    list.reset(grown);
    return true;
}

bool HttpSession::configure()
{
    const HttpCall &call = m_job.call;
    m_started = Clock::now();
    m_url = std::string(WithoutLeadingWhiteSpace(call.url));
    const auto url = ParseRequestUrl(m_url);
    if (!url) {
        fail(HttpFailure::BadRequest, "unusable address");
        return false;
    }
    m_verb = AsciiUppered(call.verb.empty() ? std::string_view("GET") : call.verb);
    if (!IsToken(m_verb)) {
        fail(HttpFailure::BadRequest, "unusable method");
        return false;
    }
    m_followRedirects = (call.openFlags & kNoAutoRedirect) == 0;

    m_easy.reset(curl_easy_init());
    if (!m_easy) {
        fail(HttpFailure::NoWorker, "out of memory");
        return false;
    }
    CURL *easy = m_easy.get();

    const bool isPost = m_verb == "POST";
    const auto lines = SplitHeaderLines(
        ComposeRequestHeaders(call.extraHeaders, m_url, call.allowCompressed, isPost));
    bool listed = true;
    for (const std::string &line : lines)
        listed = listed && appendHeader(m_headers, line);
    // The library would add these on its own when no line names them; an empty "Name:" stops
    // it, so the request carries only the lines composed above.
    for (const char *name : {"Accept", "Content-Type", "Expect"})
        listed = listed &&
                 (HasHeaderNamed(lines, name) || appendHeader(m_headers, std::string(name) + ":"));
    listed = listed && appendHeader(m_proxyHeaders, "Proxy-Connection:");
    if (!listed) {
        fail(HttpFailure::NoWorker, "out of memory");
        return false;
    }

    bool ok = curl_easy_setopt(easy, CURLOPT_URL, url->address.c_str()) == CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_ERRORBUFFER, m_errorBuffer);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, m_followRedirects ? 1L : 0L);
    set(CURLOPT_MAXREDIRS, std::max(call.redirectLimit, 0L));
    set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_HTTP_CONTENT_DECODING, 0L);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
    set(CURLOPT_HTTPHEADER, m_headers.get());
    set(CURLOPT_PROXYHEADER, m_proxyHeaders.get());
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_job.limits.connectTimeout.count()));
    set(CURLOPT_HEADERFUNCTION, &HttpSessionCallbacks::onHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_WRITEFUNCTION, &HttpSessionCallbacks::onBody);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_PREREQFUNCTION, &HttpSessionCallbacks::onConnected);
    set(CURLOPT_PREREQDATA, this);
    if (!call.proxy.empty())
        set(CURLOPT_PROXY, call.proxy.c_str());
    if (!url->user.empty() || !url->password.empty()) {
        // Credentials answer a challenge, they are not sent unasked.
        set(CURLOPT_USERNAME, url->user.c_str());
        set(CURLOPT_PASSWORD, url->password.c_str());
        set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }
    if (!m_job.limits.trustedCertificatesPem.empty()) {
        curl_blob blob{const_cast<char *>(m_job.limits.trustedCertificatesPem.data()),
                       m_job.limits.trustedCertificatesPem.size(), CURL_BLOB_COPY};
        set(CURLOPT_CAINFO_BLOB, &blob);
    }

    if (m_verb == "GET") {
        set(CURLOPT_HTTPGET, 1L);
    } else if (isPost) {
        // A POST without a body sends zero bytes.
        set(CURLOPT_POST, 1L);
        set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(call.body.size()));
        set(CURLOPT_POSTFIELDS, call.body.c_str());
        if (call.redirectKeepsPost)
            set(CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
    } else if (m_verb == "HEAD") {
        set(CURLOPT_NOBODY, 1L);
    } else {
        // Any other verb sends no body, whatever the caller passed.
        set(CURLOPT_HTTPGET, 1L);
        set(CURLOPT_CUSTOMREQUEST, m_verb.c_str());
    }
    if (!ok)
        fail(HttpFailure::BadRequest, "request options refused");
    return ok;
}

void HttpSession::forgetBody()
{
    m_body.clear();
    if (m_budget)
        m_budget->release(m_budgeted);
    m_budgeted = 0;
}

void HttpSession::restartClocks(Clock::time_point now)
{
    m_lastMove = now;
    m_windowStart = now;
    m_windowMoved = m_moved;
}

void HttpSession::moved(std::size_t bytes)
{
    m_moved += bytes;
    m_lastMove = Clock::now();
}

bool HttpSession::overLimit(Clock::time_point now)
{
    if (m_job.cancelled()) {
        fail(HttpFailure::Cancelled, "cancelled");
        return true;
    }
    const HttpLimits &limits = m_job.limits;
    if (now - m_started > limits.transferTimeout) {
        fail(HttpFailure::TimedOut,
             "no complete answer within " + std::to_string(limits.transferTimeout.count()) + " ms");
        return true;
    }
    // The connect time-out covers the time before; waiting for room is not the server's doing.
    if (!m_connected || m_paused)
        return false;
    curl_off_t uploaded = 0;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded) == CURLE_OK &&
        uploaded > m_uploaded) {
        moved(static_cast<std::size_t>(uploaded - m_uploaded));
        m_uploaded = uploaded;
    }
    if (now - m_lastMove > limits.stallTimeout) {
        fail(HttpFailure::TimedOut,
             "no data for " + std::to_string(limits.stallTimeout.count()) + " ms");
        return true;
    }
    const auto window = limits.lowSpeedTime;
    if (window.count() > 0 && now - m_windowStart >= window) {
        const auto wanted = static_cast<std::uint64_t>(limits.lowSpeedBytes) *
                            static_cast<std::uint64_t>(window.count()) / 1000;
        if (m_moved - m_windowMoved < wanted) {
            fail(HttpFailure::TimedOut, "under " + std::to_string(limits.lowSpeedBytes) +
                                            " bytes/s for " + std::to_string(window.count()) +
                                            " ms");
            return true;
        }
        m_windowStart = now;
        m_windowMoved = m_moved;
    }
    return false;
}

void HttpSession::resume()
{
    if (!m_paused)
        return;
    m_paused = false;
    restartClocks(Clock::now());
    // The library hands the held-back data over again, here or in its next step; the body
    // callback may pause the transfer once more.
    curl_easy_pause(m_easy.get(), CURLPAUSE_CONT);
}

std::size_t HttpSession::handOverBudget()
{
    return std::exchange(m_budgeted, 0);
}

HttpResponse HttpSession::collect(int curlCode)
{
    const auto code = static_cast<CURLcode>(curlCode);
    if (code != CURLE_OK) {
        std::string text = m_errorBuffer[0] ? std::string(m_errorBuffer) : curl_easy_strerror(code);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        fail(code == CURLE_OPERATION_TIMEDOUT ? HttpFailure::TimedOut : HttpFailure::Network,
             std::move(text));
    }
    HttpResponse response;
    // Whatever went wrong once the final headers were in happened while reading the body.
    if (m_final) {
        response.statusCode = m_status;
        response.contentLength = ToInteger(Value(FirstValue(m_rawHeaders, "Content-Length")));
        response.location = FirstValue(m_rawHeaders, "Location");
        response.contentType = FirstValue(m_rawHeaders, "Content-Type");
        const Text encoding = FirstValue(m_rawHeaders, "Content-Encoding");
        response.contentEncoding = encoding == "gzip" ? 1 : encoding == "deflate" ? 2 : 0;
        const auto cookies = ResponseHeaderValues(m_rawHeaders, "Set-Cookie");
        for (std::size_t i = 0; i < cookies.size(); ++i) {
            if (i > 0)
                response.setCookies += "\r\n";
            response.setCookies += cookies[i];
        }
        response.retryAfter =
            RetryAfterDelay(FirstValue(m_rawHeaders, "Retry-After"), std::time(nullptr));
        response.rawHeaders = std::move(m_rawHeaders);
        response.body = m_body.take();
        if (m_status >= 400)
            fail(HttpFailure::Status, "HTTP " + std::to_string(m_status));
    } else {
        forgetBody();
        fail(HttpFailure::Network, "no final response");
    }
    response.failure = m_failure;
    response.failureText = m_failureText;
    return response;
}

std::size_t HttpSessionCallbacks::onHeader(char *data, std::size_t size, std::size_t count,
                                           void *self)
{
    // Nothing may be thrown through the library's C frames.
    try {
        auto &session = *static_cast<HttpSession *>(self);
        session.takeHeaderLine(std::string_view(data, size * count));
        session.moved(size * count);
        return size * count;
    } catch (...) {
        return CURL_WRITEFUNC_ERROR;
    }
}

void HttpSession::takeHeaderLine(std::string_view line)
{
    if (line.starts_with("HTTP/")) {
        // A new response (after a redirect, a challenge or a 1xx): forget the previous one.
        m_rawHeaders.clear();
        forgetBody();
        m_final = false;
        m_status = StatusOf(line);
    }
    m_rawHeaders.append(line);
    if ((line == "\r\n" || line == "\n") && !m_final && m_status >= 200) {
        const bool followed = m_followRedirects && IsFollowedStatus(m_status) &&
                              !FirstValue(m_rawHeaders, "Location").empty();
        // A challenge answered with credentials brings a new status line, which resets this.
        m_final = !followed;
        // A body announced in full is read into one block instead of growing its way there.
        const auto announced = ToInteger(Value(FirstValue(m_rawHeaders, "Content-Length")));
        if (m_final && announced > 0 && static_cast<std::size_t>(announced) <= m_job.limits.bodyCap)
            m_body.expect(static_cast<std::size_t>(announced));
    }
}

std::size_t HttpSessionCallbacks::onBody(char *data, std::size_t size, std::size_t count,
                                         void *self)
{
    return static_cast<HttpSession *>(self)->takeBody(data, size * count);
}

std::size_t HttpSession::takeBody(const char *data, std::size_t length)
{
    const std::size_t cap = m_job.limits.bodyCap;
    const std::size_t room = cap > m_body.size() ? cap - m_body.size() : 0;
    // Reading stops at the cap; what fits is kept.
    const std::size_t taken = std::min(length, room);
    if (m_budget && !m_budget->reserve(taken, cap, m_eldest)) {
        m_paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    m_budgeted += m_budget ? taken : 0;
    try {
        m_body.append(data, taken);
    } catch (...) {
        fail(HttpFailure::NoWorker, "out of memory"); // what was read before stays
        return CURL_WRITEFUNC_ERROR;
    }
    moved(taken);
    if (taken < length) {
        fail(HttpFailure::TooLarge, "answer larger than " + std::to_string(cap) + " bytes");
        return CURL_WRITEFUNC_ERROR;
    }
    return length;
}

int HttpSessionCallbacks::onConnected(void *self, char *, char *, int, int)
{
    // Also called for a connection kept from an earlier request.
    auto &session = *static_cast<HttpSession *>(self);
    session.m_connected = true;
    session.m_uploaded = 0; // the library counts each request's upload from zero
    session.restartClocks(HttpSession::Clock::now());
    return CURL_PREREQFUNC_OK;
}

} // namespace jiujiu
