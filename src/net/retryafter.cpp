#include "net/retryafter.h"

#include <algorithm>
#include <cstdint>
#include <curl/curl.h>
#include <string>

namespace jiujiu {
namespace {

// Longer than anyone waits; keeps the arithmetic far from overflowing.
constexpr std::int64_t kLongestDelay = std::int64_t(1) << 40;

} // namespace

std::optional<std::chrono::seconds> RetryAfterDelay(std::string_view value, std::time_t now)
{
    const auto first = value.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    value = value.substr(first, value.find_last_not_of(" \t") - first + 1);
    if (value.find_first_not_of("0123456789") == std::string_view::npos) {
        std::int64_t seconds = 0;
        for (const char c : value)
            seconds = std::min(seconds * 10 + (c - '0'), kLongestDelay);
        return std::chrono::seconds(seconds);
    }
    // An HTTP date has a letter first (the day name); curl_getdate would also take a bare
    // number such as "-5" or "1.5" as a time of day.
    if (!((value.front() >= 'A' && value.front() <= 'Z') ||
          (value.front() >= 'a' && value.front() <= 'z')))
        return std::nullopt;
    const std::time_t at = curl_getdate(std::string(value).c_str(), nullptr);
    if (at == -1)
        return std::nullopt;
    return std::chrono::seconds(at > now ? std::min<std::int64_t>(at - now, kLongestDelay) : 0);
}

} // namespace jiujiu
