#include "search/answertext.h"

#include "runtime/codepage.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jiujiu {
namespace {

// U+E78D..U+E864 (UTF-8 EE 9E..A1 xx) hold the private-use characters GB18030 maps to
// standard ones: they do not survive the program's text.
bool MayHoldUnmappedPrivateUse(std::string_view utf8)
{
    for (std::size_t at = utf8.find('\xEE'); at != std::string_view::npos;
         at = utf8.find('\xEE', at + 1)) {
        const auto next = at + 1 < utf8.size() ? static_cast<unsigned char>(utf8[at + 1]) : 0;
        if (next >= 0x9E && next <= 0xA1)
            return true;
    }
    return false;
}

bool IsDroppedAscii(unsigned char c)
{
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
}

// The first byte at or after `from` that may start something to drop: a C0 byte other than
// tab, line feed and carriage return, DEL, or C2 (the lead byte of the C1 controls). Sixteen
// bytes at a time: pages are megabytes with a line feed in every line and nothing to drop.
std::size_t NextCandidate(const std::string &s, std::size_t from)
{
    const std::size_t n = s.size();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i highestC0 = _mm_set1_epi8(0x1F);
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    const __m128i del = _mm_set1_epi8(0x7F);
    const __m128i c1Lead = _mm_set1_epi8(static_cast<char>(0xC2));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s.data() + i));
        const __m128i c0 = _mm_cmpeq_epi8(_mm_min_epu8(v, highestC0), v);
        const __m128i kept =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, lineFeed)),
                         _mm_cmpeq_epi8(v, carriageReturn));
        const __m128i candidate =
            _mm_or_si128(_mm_andnot_si128(kept, c0),
                         _mm_or_si128(_mm_cmpeq_epi8(v, del), _mm_cmpeq_epi8(v, c1Lead)));
        if (const int mask = _mm_movemask_epi8(candidate))
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i < n; ++i) {
        const auto u = static_cast<unsigned char>(s[i]);
        if (IsDroppedAscii(u) || u == 0xC2)
            return i;
    }
    return n;
}

// Drops C0 and DEL bytes and the two-byte C1 characters (C2 80..C2 9F) of valid UTF-8, moving
// what is kept down over them.
void DropControls(std::string &utf8)
{
    const std::size_t n = utf8.size();
    char *data = utf8.data();
    std::size_t in = 0;
    std::size_t out = 0;
    while (true) {
        const std::size_t at = NextCandidate(utf8, in);
        if (out != in)
            std::memmove(data + out, data + in, at - in);
        out += at - in;
        in = at;
        if (in >= n)
            break;
        const auto u = static_cast<unsigned char>(data[in]);
        if (IsDroppedAscii(u)) {
            in += 1;
        } else if (in + 1 < n && static_cast<unsigned char>(data[in + 1]) >= 0x80 &&
                   static_cast<unsigned char>(data[in + 1]) <= 0x9F) {
            in += 2; // C1
        } else {
            data[out++] = data[in++]; // C2 leading a character that is kept
        }
    }
    utf8.resize(out);
}

} // namespace

std::string AnswerUtf8(std::string_view body)
{
    return AnswerUtf8(std::string(body));
}

std::string AnswerUtf8(std::string &&body)
{
    std::string utf8 = IsValidUtf8(body) && !MayHoldUnmappedPrivateUse(body)
                           ? std::move(body)
                           : TextToUtf8(Utf8ToText(body));
    DropControls(utf8);
    return utf8;
}

Text AnswerText(std::string_view body)
{
    return Utf8ToText(AnswerUtf8(body));
}

} // namespace jiujiu
