#include "results/sizetext.h"

#include "runtime/asciicase.h"
#include "runtime/asciictype.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

namespace jiujiu {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Digits with "," between groups of three: "1,024" but not "1,02" or ",1".
bool ReadGroupedDigits(std::string_view &s, std::string &digits)
{
    std::size_t i = 0;
    std::size_t group = 0;
    bool sawComma = false;
    while (i < s.size()) {
        const char c = s[i];
        if (IsAsciiDigit(c)) {
            digits += c;
            ++group;
        } else if (c == ',' && group > 0 && i + 1 < s.size() && IsAsciiDigit(s[i + 1])) {
            if (sawComma && group != 3)
                return false;
            if (!sawComma && group > 3)
                return false;
            sawComma = true;
            group = 0;
        } else {
            break;
        }
        ++i;
    }
    if (digits.empty() || (sawComma && group != 3))
        return false;
    s.remove_prefix(i);
    return true;
}

// log2 of the unit's size in bytes, or -1.
int UnitShift(std::string_view unit)
{
    const std::string u = AsciiLowered(unit);
    if (u.empty() || u == "b" || u == "byte" || u == "bytes")
        return 0;
    static constexpr std::array<char, 5> prefixes = {'k', 'm', 'g', 't', 'p'};
    for (std::size_t i = 0; i < prefixes.size(); ++i) {
        const std::string p(1, prefixes[i]);
        if (u == p || u == p + "b" || u == p + "ib")
            return static_cast<int>(10 * (i + 1));
    }
    return -1;
}

} // namespace

std::optional<SizeTextParts> ParseSizeParts(std::string_view text)
{
    std::string_view s = Trim(text);
    SizeTextParts parts;
    if (!ReadGroupedDigits(s, parts.whole))
        return std::nullopt;
    if (!s.empty() && s.front() == '.') {
        s.remove_prefix(1);
        while (!s.empty() && IsAsciiDigit(s.front())) {
            parts.fraction += s.front();
            s.remove_prefix(1);
        }
        if (parts.fraction.empty())
            return std::nullopt;
    }
    parts.unitShift = UnitShift(Trim(s));
    if (parts.unitShift < 0)
        return std::nullopt;
    return parts;
}

std::optional<std::uint64_t> ParseSizeText(std::string_view text)
{
    auto parts = ParseSizeParts(text);
    if (!parts)
        return std::nullopt;
    std::string &whole = parts->whole;
    std::string &fraction = parts->fraction;
    const int shift = parts->unitShift;

    // Whole part exactly, the fraction rounded to the nearest byte.
    while (whole.size() > 1 && whole.front() == '0')
        whole.erase(0, 1);
    std::uint64_t wholeValue = 0;
    for (char c : whole) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (wholeValue > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return std::nullopt;
        wholeValue = wholeValue * 10 + digit;
    }
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    if (shift > 0 && wholeValue > (max >> shift))
        return std::nullopt;
    std::uint64_t bytes = wholeValue << shift;
    if (!fraction.empty()) {
        // Up to 18 fractional digits matter; more cannot change a rounded byte count. Computed
        // without the C library's number parsing, which follows the locale's decimal point.
        fraction.resize(std::min<std::size_t>(fraction.size(), 18));
        long double numerator = 0;
        long double denominator = 1;
        for (char c : fraction) {
            numerator = numerator * 10 + (c - '0');
            denominator *= 10;
        }
        const long double part = numerator * std::ldexp(1.0L, shift) / denominator;
        const auto extra = static_cast<std::uint64_t>(std::llroundl(part));
        if (extra > max - bytes)
            return std::nullopt;
        bytes += extra;
    }
    return bytes;
}

std::string FormatSizeText(std::uint64_t bytes)
{
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    const auto value = static_cast<double>(bytes);
    char buffer[32];
    if (bytes < 1024)
        std::snprintf(buffer, sizeof buffer, "%llu B", static_cast<unsigned long long>(bytes));
    else if (bytes < kMiB)
        std::snprintf(buffer, sizeof buffer, "%.1f KB", value / 1024);
    else if (bytes < 1024 * kMiB)
        std::snprintf(buffer, sizeof buffer, "%.1f MB", value / kMiB);
    else
        std::snprintf(buffer, sizeof buffer, "%.2f GB", value / (1024.0 * kMiB));
    return buffer;
}

std::optional<std::int64_t> ParseCountText(std::string_view text)
{
    std::string_view s = Trim(text);
    std::string digits;
    if (!ReadGroupedDigits(s, digits) || !s.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        const int digit = c - '0';
        if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace jiujiu
