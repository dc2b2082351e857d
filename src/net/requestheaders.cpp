#include "net/requestheaders.h"

#include "runtime/asciicase.h"

#include <algorithm>
#include <utility>

namespace jiujiu {
namespace {

constexpr std::string_view kUserAgent =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727) "
    "ArvenHTTP\r\n";
constexpr std::string_view kAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
constexpr std::string_view kAcceptLanguage = "Accept-Language: zh-cn\r\n";
constexpr std::string_view kAcceptEncoding = "Accept-Encoding: gzip, deflate\r\n";
constexpr std::string_view kFormContentType = "Content-Type: application/x-www-form-urlencoded\r\n";

void AppendUnlessNamed(Text &headers, std::string_view name, std::string_view line)
{
    if (headers.find(name) == Text::npos)
        headers.append(line);
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

} // namespace

Text ComposeRequestHeaders(const Text &extraHeaders, const Text &referer, bool allowCompressed,
                           bool isPost)
{
    Text headers = extraHeaders;
    if (!headers.empty() && !headers.ends_with("\r\n"))
        headers.append("\r\n");
    AppendUnlessNamed(headers, "User-Agent: ", kUserAgent);
    AppendUnlessNamed(headers, "Accept: ", kAccept);
    if (headers.find("Referer: ") == Text::npos)
        headers.append("Referer: ").append(referer).append("\r\n");
    AppendUnlessNamed(headers, "Accept-Language: ", kAcceptLanguage);
    if (allowCompressed)
        AppendUnlessNamed(headers, "Accept-Encoding: ", kAcceptEncoding);
    if (isPost)
        AppendUnlessNamed(headers, "Content-Type: ", kFormContentType);
    return headers;
}

std::vector<std::string> SplitHeaderLines(std::string_view headers)
{
    std::vector<std::string> lines;
    while (!headers.empty()) {
        const auto end = headers.find('\n');
        std::string_view line = headers.substr(0, end);
        headers = end == std::string_view::npos ? std::string_view() : headers.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty() || line.find_first_of(std::string_view("\r\0", 2)) != line.npos)
            continue;
        lines.emplace_back(line);
    }
    return lines;
}

std::vector<std::string> ResponseHeaderValues(std::string_view rawHeaders, std::string_view name)
{
    std::vector<std::string> values;
    bool statusLine = true;
    while (!rawHeaders.empty()) {
        const auto end = rawHeaders.find('\n');
        const std::string_view line = rawHeaders.substr(0, end);
        rawHeaders =
            end == std::string_view::npos ? std::string_view() : rawHeaders.substr(end + 1);
        if (std::exchange(statusLine, false))
            continue;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos ||
            !AsciiEqualsIgnoringCase(line.substr(0, colon), name))
            continue;
        values.emplace_back(TrimBlanks(line.substr(colon + 1)));
    }
    return values;
}

} // namespace jiujiu
