#pragma once

#include <array>

namespace jiujiu {

// Character classes of protocols and file formats: ASCII only, whatever the C locale says. Safe
// on ASCII and UTF-8; on GB18030 text only at a character's first byte.

constexpr bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr bool IsAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr bool IsAsciiAlnum(char c)
{
    return IsAsciiDigit(c) || IsAsciiAlpha(c);
}

namespace detail {
// Hexadecimal digit values by byte, -1 for the rest: a page has thousands of hashes to read.
inline constexpr std::array<signed char, 256> kHexDigits = [] {
    std::array<signed char, 256> digits{};
    digits.fill(-1);
    for (int d = 0; d < 10; ++d)
        digits[static_cast<std::size_t>('0' + d)] = static_cast<signed char>(d);
    for (int d = 0; d < 6; ++d) {
        digits[static_cast<std::size_t>('a' + d)] = static_cast<signed char>(10 + d);
        digits[static_cast<std::size_t>('A' + d)] = static_cast<signed char>(10 + d);
    }
    return digits;
}();
} // namespace detail

// A hexadecimal digit's value (either case); -1 for any other byte.
constexpr int AsciiHexValue(char c)
{
    return detail::kHexDigits[static_cast<unsigned char>(c)];
}

} // namespace jiujiu
