#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace jiujiu {

// Case rules of protocols and file formats: ASCII letters only, whatever the C locale says. Safe on
// ASCII and UTF-8; not on GB18030 text, whose trail bytes can be letters.

constexpr char AsciiToLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char AsciiToUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiLowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), AsciiToLower);
    return out;
}

inline std::string AsciiUppered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), AsciiToUpper);
    return out;
}

constexpr bool AsciiEqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiToLower(x) == AsciiToLower(y);
           });
}

} // namespace jiujiu
