#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace jiujiu {

// A size as the search site writes it, in bytes: "4.37 GB", "700 MB", "12.3KB", "1,024 B".
// Units are binary (1 KB = 1024 B) and case-insensitive: B, K/KB/KiB, M, G, T and P likewise;
// a bare number is bytes. Blanks around the parts are allowed, nothing else: anything else,
// a negative or an overflowing size is unknown.
std::optional<std::uint64_t> ParseSizeText(std::string_view text);

// A count such as the number of sources or the serial number: decimal digits with optional
// blanks around them and "," between thousands. Anything else is unknown.
std::optional<std::int64_t> ParseCountText(std::string_view text);

} // namespace jiujiu
