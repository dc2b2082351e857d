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

std::string EscapedLikeViewer(std::string_view page)
{
    std::string out;
    out.reserve(page.size() + page.size() / 4);
    std::size_t plain = 0;
    for (std::size_t at = 0; at < page.size(); ++at) {
        const char *reference = nullptr;
        switch (page[at]) {
        case '&':
            reference = "&amp;";
            break;
        case '<':
            reference = "&lt;";
            break;
        case '>':
            reference = "&gt;";
            break;
        case '"':
            reference = "&quot;";
            break;
        case '\'':
            reference = "&#39;";
            break;
        default:
            continue;
        }
        out.append(page.substr(plain, at - plain));
        out.append(reference);
        plain = at + 1;
    }
    out.append(page.substr(plain));
    return out;
}

} // namespace jiujiu
