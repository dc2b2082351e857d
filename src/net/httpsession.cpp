#include "net/httpsession.h"

#include "net/httprequestjob.h"
#include "net/requestheaders.h"
#include "net/requesturl.h"
#include "runtime/asciicase.h"
#include "runtime/conversions.h"

#include <algorithm>
#include <string_view>

namespace jiujiu {
namespace {

constexpr long kMaxRedirects = 20;
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

} // namespace

HttpSession::HttpSession(const HttpRequestJob &job) : m_job(job) {}

HttpSession::~HttpSession() = default;

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
    m_url = std::string(WithoutLeadingWhiteSpace(m_job.url));
    const auto url = ParseRequestUrl(m_url);
    if (!url)
        return false;
    m_verb = AsciiUppered(m_job.verb.empty() ? std::string_view("GET") : m_job.verb);
    if (!IsToken(m_verb))
        return false;
    m_followRedirects = (m_job.openFlags & kNoAutoRedirect) == 0;

    m_easy.reset(curl_easy_init());
    if (!m_easy)
        return false;
    CURL *easy = m_easy.get();

    const bool isPost = m_verb == "POST";
    const auto lines = SplitHeaderLines(
        ComposeRequestHeaders(m_job.extraHeaders, m_url, m_job.allowCompressed, isPost));
    for (const std::string &line : lines)
        if (!appendHeader(m_headers, line))
            return false;
    // The library would add these on its own when no line names them; an empty "Name:" stops
    // it, so the request carries only the lines composed above.
    for (const char *name : {"Accept", "Content-Type", "Expect"})
        if (!HasHeaderNamed(lines, name) && !appendHeader(m_headers, std::string(name) + ":"))
            return false;
    if (!appendHeader(m_proxyHeaders, "Proxy-Connection:"))
        return false;

    bool ok = curl_easy_setopt(easy, CURLOPT_URL, url->address.c_str()) == CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
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
    set(CURLOPT_HEADERFUNCTION, &HttpSession::onHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_WRITEFUNCTION, &HttpSession::onBody);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &HttpSession::onProgress);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_PREREQFUNCTION, &HttpSession::onConnected);
    set(CURLOPT_PREREQDATA, this);
    if (!m_job.proxy.empty())
        set(CURLOPT_PROXY, m_job.proxy.c_str());
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
        set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_job.body.size()));
        set(CURLOPT_POSTFIELDS, m_job.body.c_str());
    } else if (m_verb == "HEAD") {
        set(CURLOPT_NOBODY, 1L);
    } else {
        // Any other verb sends no body, whatever the caller passed.
        set(CURLOPT_HTTPGET, 1L);
        set(CURLOPT_CUSTOMREQUEST, m_verb.c_str());
    }
    return ok;
}

HttpResponse HttpSession::run()
{
    if (!configure())
        return {};
    curl_easy_perform(m_easy.get());
    // Whatever went wrong once the final headers were in happened while reading the body.
    if (!m_final)
        return {};
    return collect();
}

HttpResponse HttpSession::collect() const
{
    HttpResponse response;
    response.statusCode = m_status;
    response.contentLength = ToInteger(Value(FirstValue(m_rawHeaders, "Content-Length")));
    response.location = FirstValue(m_rawHeaders, "Location");
    response.rawHeaders = m_rawHeaders;
    response.contentType = FirstValue(m_rawHeaders, "Content-Type");
    const Text encoding = FirstValue(m_rawHeaders, "Content-Encoding");
    response.contentEncoding = encoding == "gzip" ? 1 : encoding == "deflate" ? 2 : 0;
    const auto cookies = ResponseHeaderValues(m_rawHeaders, "Set-Cookie");
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        if (i > 0)
            response.setCookies += "\r\n";
        response.setCookies += cookies[i];
    }
    response.body = m_body;
    return response;
}

std::size_t HttpSession::onHeader(char *data, std::size_t size, std::size_t count, void *self)
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
    }
}

std::size_t HttpSession::onBody(char *data, std::size_t size, std::size_t count, void *self)
{
    auto &session = *static_cast<HttpSession *>(self);
    const std::size_t length = size * count;
    const std::size_t cap = session.m_job.limits.bodyCap;
    const std::size_t room = cap > session.m_body.size() ? cap - session.m_body.size() : 0;
    try {
        if (length > room) {
            // Reading stops at the cap; what fits is kept.
            session.m_body.append(data, room);
            return CURL_WRITEFUNC_ERROR;
        }
        session.m_body.append(data, length);
        return length;
    } catch (...) {
        return CURL_WRITEFUNC_ERROR; // out of memory: keep what was read
    }
}

int HttpSession::onProgress(void *self, curl_off_t, curl_off_t downNow, curl_off_t,
                            curl_off_t upNow)
{
    auto &session = *static_cast<HttpSession *>(self);
    if (!session.m_connected)
        return 0; // the connect time-out covers this phase
    const auto now = std::chrono::steady_clock::now();
    if (downNow != session.m_lastDown || upNow != session.m_lastUp) {
        session.m_lastDown = downNow;
        session.m_lastUp = upNow;
        session.m_lastProgress = now;
        return 0;
    }
    return now - session.m_lastProgress > session.m_job.limits.stallTimeout ? 1 : 0;
}

int HttpSession::onConnected(void *self, char *, char *, int, int)
{
    auto &session = *static_cast<HttpSession *>(self);
    session.m_connected = true;
    session.m_lastDown = 0;
    session.m_lastUp = 0;
    session.m_lastProgress = std::chrono::steady_clock::now();
    return CURL_PREREQFUNC_OK;
}

} // namespace jiujiu
