#include "search/searchrequest.h"

#include "net/httpcall.h"
#include "net/urlencoding.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"
#include "search/viewerservices.h"

namespace jiujiu {
namespace {

// Redirects a page's answer may take.
constexpr long kRedirectLimit = 5;

} // namespace

Text ViewerServiceAddress(const std::string &host)
{
    return "http://" + host + "/Tools/PageCode.aspx";
}

Text SearchRequestBody(const Text &keyword, std::int32_t page)
{
    return Concatenate({"q=", HostSetting(Host::Search), "%2F%2Fsearch%2F",
                        UrlEncode(keyword, Value(1)), "%3Fpage%3D", ToText(Value(page)),
                        "%26mode%3Dlist&searchMode=1"});
}

Text DirectPageAddress(const Text &keyword, std::int32_t page)
{
    return Concatenate({"http://", HostSetting(Host::Search), "//search/",
                        UrlEncode(keyword, Value(1)), "?page=", ToText(Value(page)), "&mode=list"});
}

HttpCall PageRequest(const std::string &service, const Text &keyword, std::int32_t page)
{
    HttpCall call;
    call.redirectLimit = kRedirectLimit;
    if (service == kDirectService) {
        call.url = DirectPageAddress(keyword, page);
        return call;
    }
    call.url = ViewerServiceAddress(service);
    call.verb = "post";
    call.body = SearchRequestBody(keyword, page);
    call.redirectKeepsPost = true;
    return call;
}

std::optional<std::string> EscapedLikeViewer(std::string_view page, std::size_t limit)
{
    const auto reference = [](char c) -> std::string_view {
        switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        case '\'':
            return "&#39;";
        default:
            return {};
        }
    };
    std::size_t size = page.size();
    for (const char c : page)
        size += reference(c).empty() ? 0 : reference(c).size() - 1;
    if (size > limit)
        return std::nullopt;
    std::string out;
    out.reserve(size);
    std::size_t plain = 0;
    for (std::size_t at = 0; at < page.size(); ++at) {
        const std::string_view escaped = reference(page[at]);
        if (escaped.empty())
            continue;
        out.append(page.substr(plain, at - plain));
        out.append(escaped);
        plain = at + 1;
    }
    out.append(page.substr(plain));
    return out;
}

} // namespace jiujiu
