#include "regex/literalprefix.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jiujiu {
namespace {

constexpr std::size_t kShortest = 6;

bool IsAsciiLetter(unsigned char c)
{
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

bool IsMetacharacter(char c)
{
    return std::strchr("\\^$.[|()?*+{", c) != nullptr;
}

bool IsQuantifier(char c)
{
    return c == '?' || c == '*' || c == '+' || c == '{';
}

// The byte of the text as the prefix holds it.
unsigned char Folded(unsigned char c, bool caseless)
{
    return caseless && IsAsciiLetter(c) ? static_cast<unsigned char>(c | 0x20) : c;
}

bool StandsAt(std::string_view text, std::size_t at, const std::string &prefix, bool caseless)
{
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Folded(static_cast<unsigned char>(text[at + i]), caseless) !=
            static_cast<unsigned char>(prefix[i]))
            return false;
    return true;
}

} // namespace

LiteralPrefix LiteralPrefix::Of(std::string_view pattern, bool caseless)
{
    LiteralPrefix prefix;
    prefix.m_caseless = caseless;
    // An alternative may begin with anything.
    if (pattern.find('|') != std::string_view::npos)
        return prefix;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const auto c = static_cast<unsigned char>(pattern[i]);
        if (c >= 0x80 || IsMetacharacter(pattern[i]))
            break;
        if (caseless && ((c | 0x20) == 'k' || (c | 0x20) == 's'))
            break;
        // A quantified character may be absent or repeated: the prefix ends before it.
        if (i + 1 < pattern.size() && IsQuantifier(pattern[i + 1]))
            break;
        prefix.m_bytes.push_back(static_cast<char>(Folded(c, caseless)));
    }
    // A short prefix stands almost everywhere in escaped HTML ("&lt;"): skipping to it would
    // cost more than it saves.
    if (prefix.m_bytes.size() < kShortest)
        prefix.m_bytes.clear();
    return prefix;
}

std::size_t LiteralPrefix::next(std::string_view text, std::size_t from, std::size_t end) const
{
    const std::size_t n = m_bytes.size();
    if (n == 0)
        return from;
    if (end > text.size() || from > end || end - from < n)
        return end;
    const std::size_t last = end - n; // the last place the prefix can start
    const auto first = static_cast<unsigned char>(m_bytes.front());
    const auto final = static_cast<unsigned char>(m_bytes.back());
    const bool foldFirst = m_caseless && IsAsciiLetter(first);
    const bool foldFinal = m_caseless && IsAsciiLetter(final);
    std::size_t at = from;
#if defined(__SSE2__)
    // Sixteen places at a time, by the prefix's first and last byte; then checked whole.
    const __m128i wantFirst = _mm_set1_epi8(static_cast<char>(first));
    const __m128i wantFinal = _mm_set1_epi8(static_cast<char>(final));
    const __m128i foldOne = _mm_set1_epi8(foldFirst ? 0x20 : 0);
    const __m128i foldTwo = _mm_set1_epi8(foldFinal ? 0x20 : 0);
    for (; at + 16 <= last + 1; at += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + at));
        const __m128i b =
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data() + at + n - 1));
        const __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, foldOne), wantFirst),
                                           _mm_cmpeq_epi8(_mm_or_si128(b, foldTwo), wantFinal));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits)); mask != 0;
             mask &= mask - 1) {
            const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(mask));
            if (StandsAt(text, candidate, m_bytes, m_caseless))
                return candidate;
        }
    }
#endif
    for (; at <= last; ++at)
        if (StandsAt(text, at, m_bytes, m_caseless))
            return at;
    return end;
}

} // namespace jiujiu
