#include "net/httpsession.h"

#include "net/httprequestjob.h"
#include "net/requestheaders.h"
#include "net/requesturl.h"
#include "runtime/asciicase.h"
#include "runtime/conversions.h"

#include <algorithm>
#include <curl/curl.h>
#include <string_view>

namespace jiujiu {
namespace {

constexpr long kMaxRedirects = 20;
// The worker looks at its cancel flag at least this often.
constexpr int kPollSliceMs = 25;
// INTERNET_FLAG_NO_AUTO_REDIRECT: the caller wants the redirect response itself.
constexpr std::uint32_t kNoAutoRedirect = 0x00200000;

// RFC 9110 token characters: anything else in a method could split the request line.
bool IsToken(std::string_view text)
{
    static constexpr std::string_view extra = "!#$%&'*+-.^_`|~";
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               extra.find(c) != std::string_view::npos;
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

// Drives one easy handle through a multi handle of its own, so the worker wakes often
// enough to notice a cancel request.
class MultiTransfer final
{
public:
    explicit MultiTransfer(CURL *easy) : m_easy(easy), m_multi(curl_multi_init())
    {
        m_added = m_multi && curl_multi_add_handle(m_multi, m_easy) == CURLM_OK;
    }
    ~MultiTransfer()
    {
        if (m_added)
            curl_multi_remove_handle(m_multi, m_easy);
        if (m_multi)
            curl_multi_cleanup(m_multi);
    }
    MultiTransfer(const MultiTransfer &) = delete;
    MultiTransfer &operator=(const MultiTransfer &) = delete;

    bool ready() const { return m_added; }
    // One step: false once the transfer is over (its code in `code`).
    bool step(CURLcode &code)
    {
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK) {
            code = CURLE_OUT_OF_MEMORY;
            return false;
        }
        if (running == 0) {
            int left = 0;
            code = CURLE_OK;
            while (CURLMsg *message = curl_multi_info_read(m_multi, &left))
                if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy)
                    code = message->data.result;
            return false;
        }
        curl_multi_poll(m_multi, nullptr, 0, kPollSliceMs, nullptr);
        return true;
    }

private:
    CURL *m_easy;
    CURLM *m_multi;
    bool m_added = false;
};

} // namespace

// The library's C callbacks, with access to the session.
struct HttpSessionCallbacks
{
    static std::size_t onHeader(char *data, std::size_t size, std::size_t count, void *self);
    static std::size_t onBody(char *data, std::size_t size, std::size_t count, void *self);
    static int onProgress(void *self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                          curl_off_t upNow);
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

HttpSession::HttpSession(const HttpRequestJob &job) : m_job(job)
{
    static_assert(sizeof m_errorBuffer >= CURL_ERROR_SIZE);
}

HttpSession::~HttpSession() = default;

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
    set(CURLOPT_MAXREDIRS, kMaxRedirects);
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
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &HttpSessionCallbacks::onProgress);
    set(CURLOPT_XFERINFODATA, this);
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

HttpResponse HttpSession::run()
{
    if (!configure())
        return collect(CURLE_OK);
    return collect(perform());
}

int HttpSession::perform()
{
    MultiTransfer transfer(m_easy.get());
    if (!transfer.ready()) {
        fail(HttpFailure::NoWorker, "out of memory");
        return CURLE_OUT_OF_MEMORY;
    }
    CURLcode code = CURLE_OK;
    while (transfer.step(code)) {
        if (m_job.cancelled()) {
            fail(HttpFailure::Cancelled, "cancelled");
            return CURLE_ABORTED_BY_CALLBACK;
        }
    }
    return code;
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
        response.rawHeaders = std::move(m_rawHeaders);
        response.body = std::move(m_body);
        if (m_status >= 400)
            fail(HttpFailure::Status, "HTTP " + std::to_string(m_status));
    } else {
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
        static_cast<HttpSession *>(self)->takeHeaderLine(std::string_view(data, size * count));
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
        m_body.clear();
        m_final = false;
        m_status = StatusOf(line);
    }
    m_rawHeaders.append(line);
    if ((line == "\r\n" || line == "\n") && !m_final && m_status >= 200) {
        const bool followed = m_followRedirects && IsFollowedStatus(m_status) &&
                              !FirstValue(m_rawHeaders, "Location").empty();
        // A challenge answered with credentials brings a new status line, which resets this.
        m_final = !followed;
        // A body announced in full is read into one block instead of doubling its way there.
        const auto announced = ToInteger(Value(FirstValue(m_rawHeaders, "Content-Length")));
        if (m_final && announced > 0 && static_cast<std::size_t>(announced) <= m_job.limits.bodyCap)
            m_body.reserve(static_cast<std::size_t>(announced));
    }
}

std::size_t HttpSessionCallbacks::onBody(char *data, std::size_t size, std::size_t count,
                                         void *self)
{
    auto &session = *static_cast<HttpSession *>(self);
    const std::size_t length = size * count;
    const std::size_t cap = session.m_job.limits.bodyCap;
    const std::size_t room = cap > session.m_body.size() ? cap - session.m_body.size() : 0;
    try {
        if (length > room) {
            // Reading stops at the cap; what fits is kept.
            session.m_body.append(data, room);
            session.fail(HttpFailure::TooLarge,
                         "answer larger than " + std::to_string(cap) + " bytes");
            return CURL_WRITEFUNC_ERROR;
        }
        session.m_body.append(data, length);
        return length;
    } catch (...) {
        session.m_failure = HttpFailure::NoWorker; // out of memory: keep what was read
        session.m_failureText = "out of memory";
        return CURL_WRITEFUNC_ERROR;
    }
}

int HttpSessionCallbacks::onProgress(void *self, curl_off_t, curl_off_t downNow, curl_off_t,
                                     curl_off_t upNow)
{
    auto &session = *static_cast<HttpSession *>(self);
    try {
        if (session.m_job.cancelled()) {
            session.fail(HttpFailure::Cancelled, "cancelled");
            return 1;
        }
        if (!session.m_connected)
            return 0; // the connect time-out covers this phase
        const auto now = std::chrono::steady_clock::now();
        if (downNow != session.m_lastDown || upNow != session.m_lastUp) {
            session.m_lastDown = downNow;
            session.m_lastUp = upNow;
            session.m_lastProgress = now;
            return 0;
        }
        const auto stall = session.m_job.limits.stallTimeout;
        if (now - session.m_lastProgress <= stall)
            return 0;
        session.fail(HttpFailure::TimedOut, "no data for " + std::to_string(stall.count()) + " ms");
        return 1;
    } catch (...) {
        return 1; // out of memory: nothing may be thrown through the library's C frames
    }
}

int HttpSessionCallbacks::onConnected(void *self, char *, char *, int, int)
{
    auto &session = *static_cast<HttpSession *>(self);
    session.m_connected = true;
    session.m_lastDown = 0;
    session.m_lastUp = 0;
    session.m_lastProgress = std::chrono::steady_clock::now();
    return CURL_PREREQFUNC_OK;
}

} // namespace jiujiu
