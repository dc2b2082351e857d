#include "net/requesturl.h"

#include <cstdlib>
#include <curl/curl.h>
#include <memory>

namespace jiujiu {
namespace {

struct UrlDeleter
{
    void operator()(CURLU *url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

struct CurlStringDeleter
{
    void operator()(char *text) const { curl_free(text); }
};

// One part of the address; empty when absent.
std::optional<std::string> Part(CURLU *url, CURLUPart part, unsigned flags = 0)
{
    char *raw = nullptr;
    const CURLUcode rc = curl_url_get(url, part, &raw, flags);
    std::unique_ptr<char, CurlStringDeleter> text(raw);
    if (rc == CURLUE_OK)
        return std::string(text ? text.get() : "");
    if (rc == CURLUE_NO_USER || rc == CURLUE_NO_PASSWORD || rc == CURLUE_NO_QUERY ||
        rc == CURLUE_NO_PORT)
        return std::string();
    return std::nullopt;
}

} // namespace

std::string_view WithoutLeadingWhiteSpace(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || (text.front() >= '\t' && text.front() <= '\r')))
        text.remove_prefix(1);
    return text;
}

std::optional<RequestUrl> ParseRequestUrl(std::string_view url)
{
    constexpr std::size_t kMaxHost = 256;
    constexpr std::size_t kMaxCredential = 128;
    constexpr std::size_t kMaxPath = 2048;

    const std::string input(WithoutLeadingWhiteSpace(url));
    if (input.empty() || input.find('\0') != std::string::npos)
        return std::nullopt;
    UrlHandle handle(curl_url());
    if (!handle ||
        curl_url_set(handle.get(), CURLUPART_URL, input.c_str(), CURLU_URLENCODE) != CURLUE_OK)
        return std::nullopt;

    RequestUrl parsed;
    const auto scheme = Part(handle.get(), CURLUPART_SCHEME);
    const auto host = Part(handle.get(), CURLUPART_HOST);
    const auto port = Part(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    const auto user = Part(handle.get(), CURLUPART_USER, CURLU_URLDECODE);
    const auto password = Part(handle.get(), CURLUPART_PASSWORD, CURLU_URLDECODE);
    const auto path = Part(handle.get(), CURLUPART_PATH);
    const auto query = Part(handle.get(), CURLUPART_QUERY);
    if (!scheme || !host || !port || !user || !password || !path || !query)
        return std::nullopt;
    if (*scheme != "http" && *scheme != "https")
        return std::nullopt;
    parsed.scheme = *scheme;
    parsed.host = *host;
    parsed.port = std::strtol(port->c_str(), nullptr, 10);
    parsed.user = *user;
    parsed.password = *password;
    parsed.pathAndQuery = query->empty() ? *path : *path + "?" + *query;
    if (parsed.host.empty() || parsed.host.size() > kMaxHost ||
        parsed.user.size() > kMaxCredential || parsed.password.size() > kMaxCredential ||
        parsed.pathAndQuery.size() > kMaxPath)
        return std::nullopt;

    curl_url_set(handle.get(), CURLUPART_USER, nullptr, 0);
    curl_url_set(handle.get(), CURLUPART_PASSWORD, nullptr, 0);
    curl_url_set(handle.get(), CURLUPART_FRAGMENT, nullptr, 0);
    const auto address = Part(handle.get(), CURLUPART_URL);
    if (!address)
        return std::nullopt;
    parsed.address = *address;
    return parsed;
}

} // namespace jiujiu
