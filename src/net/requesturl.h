#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jiujiu {

// An address split the way a request needs it.
struct RequestUrl
{
    std::string scheme; // "http" or "https"
    std::string host;
    long port = 0;
    std::string user;
    std::string password;
    std::string pathAndQuery;
    // The canonical address without user name and password: what the library is given.
    std::string address;
};

// Blanks, tabs and line ends at the front removed.
std::string_view WithoutLeadingWhiteSpace(std::string_view text);

// Canonicalises (unsafe characters escaped, dot segments resolved) and splits an address.
// Empty when it cannot be parsed, its scheme is not http or https, or a part is too long: host
// 256, user name and password 128 each, path with query 2 048 characters.
std::optional<RequestUrl> ParseRequestUrl(std::string_view url);

} // namespace jiujiu
