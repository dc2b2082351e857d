#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <string_view>

namespace jiujiu {

// How long a Retry-After value asks to wait at `now`: delay-seconds, or an HTTP date (a date
// gone by asks for no wait). Nothing for an empty or unreadable value.
std::optional<std::chrono::seconds> RetryAfterDelay(std::string_view value, std::time_t now);

} // namespace jiujiu
