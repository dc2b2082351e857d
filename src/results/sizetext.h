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

// A size text taken apart: "1,024.50 KB" is whole "1024", fraction "50", unit shift 10.
struct SizeTextParts
{
    std::string whole;    // the digits before the point, without the group commas
    std::string fraction; // the digits after it, empty when there is none
    int unitShift = 0;    // log2 of the unit in bytes: 0 for B, 10 for KB, ... 50 for PB
};
// The parts of a text ParseSizeText reads (a size too large for 64 bits included); none for
// any other text.
std::optional<SizeTextParts> ParseSizeParts(std::string_view text);

// A size in words, binary units: "512 B", "1.5 KB", "700.0 MB", "4.37 GB".
std::string FormatSizeText(std::uint64_t bytes);

// A count such as the number of sources or the serial number: decimal digits with optional
// blanks around them and "," between thousands. Anything else is unknown.
std::optional<std::int64_t> ParseCountText(std::string_view text);

} // namespace jiujiu
