#include "runtime/codepage.h"

#include "runtime/gb18030.h"
#include "runtime/gb18030table.h"
#include "runtime/utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jiujiu {
namespace {

const char *IconvName(CodePage page)
{
    switch (page) {
    case CodePage::Ansi:
        return "GB18030";
    case CodePage::Utf8:
        return "UTF-8";
    case CodePage::Utf16LE:
        return "UTF-16LE";
    }
    return "UTF-8";
}

// U+FFFD in each target encoding.
std::string_view Replacement(CodePage page)
{
    switch (page) {
    case CodePage::Ansi:
        return {"\x84\x31\xA4\x37", 4};
    case CodePage::Utf8:
        return {"\xEF\xBF\xBD", 3};
    case CodePage::Utf16LE:
        return {"\xFD\xFF", 2};
    }
    return {};
}

struct IconvCloser
{
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// One descriptor per direction and thread, opened on first use; callers reset it.
iconv_t Descriptor(CodePage from, CodePage to)
{
    thread_local IconvHandle handles[3][3];
    auto &handle = handles[static_cast<int>(from)][static_cast<int>(to)];
    if (!handle) {
        iconv_t cd = iconv_open(IconvName(to), IconvName(from));
        if (cd == reinterpret_cast<iconv_t>(-1))
            return nullptr;
        handle.reset(cd);
    }
    return handle.get();
}

std::size_t UnitWidth(CodePage page)
{
    return page == CodePage::Utf16LE ? 2 : 1;
}

// ASCII code units (below 0x80) at the start of the bytes, counted in bytes.
std::size_t AsciiUnits(CodePage page, const unsigned char *s, std::size_t n)
{
    if (page != CodePage::Utf16LE)
        return AsciiPrefixLength(reinterpret_cast<const char *>(s), n);
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), zero));
        if (mask != 0xFFFF)
            return i + static_cast<std::size_t>(__builtin_ctz(~mask & 0xFFFF)) / 2 * 2;
    }
#endif
    for (; i + 2 <= n; i += 2)
        if (s[i] >= 0x80 || s[i + 1] != 0)
            return i;
    return i;
}

// A unit that starts a character wherever the converter stands, because no multi-byte
// sequence can hold it and a bad sequence is skipped one unit at a time: any ASCII byte in
// UTF-8 or unit in UTF-16; in GB18030 only 0x00-0x2F, as the digits and letters can be
// trail bytes.
bool StartsCharacterAnywhere(CodePage page, const unsigned char *unit)
{
    switch (page) {
    case CodePage::Ansi:
        return unit[0] <= 0x2F;
    case CodePage::Utf8:
        return unit[0] < 0x80;
    case CodePage::Utf16LE:
        return unit[0] < 0x80 && unit[1] == 0;
    }
    return false;
}

// Shorter ASCII runs stay inside the converter's chunk: a call costs more than they do.
constexpr std::size_t kMinAsciiRun = 16;

// End of the chunk that starts at a character that is not ASCII: the start of the next ASCII
// run of kMinAsciiRun bytes (or up to the end) that begins where a character must start.
std::size_t ChunkEnd(CodePage page, const unsigned char *s, std::size_t begin, std::size_t n)
{
    const std::size_t width = UnitWidth(page);
    std::size_t i = begin + width;
    while (i + width <= n) {
        if (!StartsCharacterAnywhere(page, s + i)) {
            i += width;
            continue;
        }
        const std::size_t run = AsciiUnits(page, s + i, n - i);
        if (run >= kMinAsciiRun || i + run + width > n)
            return i;
        i += run;
    }
    return n;
}

// Output bytes with room to grow; the string is cut to what was written at the end.
class Output
{
public:
    explicit Output(std::size_t initial) { m_bytes.resize(initial); }

    char *reserve(std::size_t more)
    {
        if (m_bytes.size() - m_written < more)
            growFor(more);
        return m_bytes.data() + m_written;
    }
    void advance(std::size_t count) { m_written += count; }
    std::size_t room() const { return m_bytes.size() - m_written; }
    void grow() { m_bytes.resize(m_bytes.size() * 2 + 16); }
    char *end() { return m_bytes.data() + m_written; }
    std::string take()
    {
        m_bytes.resize(m_written);
        return std::move(m_bytes);
    }

private:
    [[gnu::noinline]] void growFor(std::size_t more)
    {
        m_bytes.resize(std::max(m_bytes.size() * 2, m_written + more));
    }

    std::string m_bytes;
    std::size_t m_written = 0;
};

void CopyAscii(CodePage from, CodePage to, const unsigned char *s, std::size_t bytes, Output &out)
{
    if (UnitWidth(from) == UnitWidth(to)) {
        std::memcpy(out.reserve(bytes), s, bytes);
        out.advance(bytes);
    } else if (from == CodePage::Utf16LE) {
        char *d = out.reserve(bytes / 2);
        for (std::size_t i = 0; i < bytes / 2; ++i)
            d[i] = static_cast<char>(s[2 * i]);
        out.advance(bytes / 2);
    } else {
        char *d = out.reserve(bytes * 2);
        for (std::size_t i = 0; i < bytes; ++i) {
            d[2 * i] = static_cast<char>(s[i]);
            d[2 * i + 1] = 0;
        }
        out.advance(bytes * 2);
    }
}

// The converter over one chunk: each bad unit (invalid, a character the target lacks, or
// truncated at the end) becomes one replacement character and conversion goes on after it.
void ConvertChunk(iconv_t cd, CodePage from, CodePage to, const unsigned char *s, std::size_t bytes,
                  Output &out)
{
    const std::size_t badStep = UnitWidth(from);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(reinterpret_cast<const char *>(s));
    std::size_t inLeft = bytes;
    out.reserve(bytes * 2 + 16);
    while (inLeft > 0) {
        char *outPtr = out.end();
        std::size_t outLeft = out.room();
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.advance(out.room() - outLeft);
        if (rc != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.grow();
            continue;
        }
        const std::string_view rep = Replacement(to);
        std::memcpy(out.reserve(rep.size()), rep.data(), rep.size());
        out.advance(rep.size());
        const std::size_t step = std::min(badStep, inLeft);
        in += step;
        inLeft -= step;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

// Converts exactly these bytes as one character; false (and nothing written) when the
// converter does not take all of them.
bool ConvertWhole(CodePage from, CodePage to, const unsigned char *s, std::size_t bytes,
                  Output &out)
{
    iconv_t cd = Descriptor(from, to);
    if (!cd)
        return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(reinterpret_cast<const char *>(s));
    std::size_t inLeft = bytes;
    char *start = out.reserve(16);
    char *outPtr = start;
    std::size_t outLeft = 16;
    const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
        return false;
    out.advance(static_cast<std::size_t>(outPtr - start));
    return true;
}

void AppendReplacement(CodePage to, Output &out)
{
    const std::string_view rep = Replacement(to);
    std::memcpy(out.reserve(rep.size()), rep.data(), rep.size());
    out.advance(rep.size());
}

void AppendUtf8(std::uint32_t c, Output &out)
{
    out.advance(EncodeUtf8(c, out.reserve(4)));
}

void CopyRun(const unsigned char *s, std::size_t bytes, Output &out)
{
    std::memcpy(out.reserve(bytes), s, bytes);
    out.advance(bytes);
}

// Copies the ASCII bytes the text starts with, the same in both encodings; answers how many.
std::size_t CopyAsciiRun(const unsigned char *s, std::size_t n, Output &out)
{
    if (s[0] >= 0x80)
        return 0;
    const std::size_t run = AsciiPrefixLength(reinterpret_cast<const char *>(s), n);
    CopyRun(s, run, out);
    return run;
}

// UTF-8 to GB18030 as the converter does it, from the table: a character it cannot take
// becomes one replacement and conversion goes on with the next byte.
void Utf8ToGb18030(const unsigned char *s, std::size_t n, Output &out)
{
    const Gb18030Table &table = Gb18030Table::instance();
    std::size_t i = 0;
    while (i < n) {
        if (const std::size_t run = CopyAsciiRun(s + i, n - i, out)) {
            i += run;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = DecodeUtf8({reinterpret_cast<const char *>(s), n}, i, c);
        if (length > 0 && c < 0x10000) {
            const Gb18030Table::Code &code = table.encode(c);
            if (code.length > 0) {
                std::memcpy(out.reserve(4), code.bytes, 4);
                out.advance(code.length);
                i += length;
                continue;
            }
        } else if (length > 0 && ConvertWhole(CodePage::Utf8, CodePage::Ansi, s + i, length, out)) {
            i += length;
            continue;
        }
        AppendReplacement(CodePage::Ansi, out);
        ++i;
    }
}

// GB18030 to UTF-8 the same way.
void Gb18030ToUtf8(const unsigned char *s, std::size_t n, Output &out)
{
    const Gb18030Table &table = Gb18030Table::instance();
    std::size_t i = 0;
    while (i < n) {
        if (const std::size_t run = CopyAsciiRun(s + i, n - i, out)) {
            i += run;
            continue;
        }
        const std::size_t length = Gb18030SequenceLength(s + i, n - i);
        if (length == 2) {
            const std::uint32_t c = table.twoByte(s[i], s[i + 1]);
            if (c != Gb18030Table::kNone) {
                AppendUtf8(c, out);
                i += 2;
                continue;
            }
        } else if (length == 4 && ConvertWhole(CodePage::Ansi, CodePage::Utf8, s + i, 4, out)) {
            i += 4;
            continue;
        }
        AppendReplacement(CodePage::Utf8, out);
        ++i;
    }
}

// Bytes that are no UTF-8 travel through a text as four-byte GB18030 codes that no character
// has (0x85 0x30 0x81 0x30 and on; characters end at 0x84 0x31 0xA4 0x39 below plane 1).
constexpr unsigned char kEscapeLead = 0x85;
constexpr unsigned char kEscapeSecond = 0x30;

void AppendEscapedByte(Text &out, unsigned char byte)
{
    const unsigned v = byte - 0x80u;
    out += static_cast<char>(kEscapeLead);
    out += static_cast<char>(kEscapeSecond);
    out += static_cast<char>(0x81 + v / 10);
    out += static_cast<char>(0x30 + v % 10);
}

// Length of the valid UTF-8 character at s (0 when it is not one).
std::size_t Utf8CharAt(const unsigned char *s, std::size_t n)
{
    char32_t c = 0;
    return DecodeUtf8({reinterpret_cast<const char *>(s), n}, 0, c);
}

} // namespace

std::size_t AsciiPrefixLength(const char *data, std::size_t size)
{
    const auto *s = reinterpret_cast<const unsigned char *>(data);
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 32 <= size; i += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i + 16));
        if (_mm_movemask_epi8(_mm_or_si128(a, b)) == 0)
            continue;
        const int first = _mm_movemask_epi8(a);
        if (first != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(first));
        return i + 16 + static_cast<std::size_t>(__builtin_ctz(_mm_movemask_epi8(b)));
    }
#elif defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, s + i, 8);
        if (const std::uint64_t high = word & 0x8080808080808080ULL)
            return i + static_cast<std::size_t>(__builtin_ctzll(high)) / 8;
    }
#endif
    while (i < size && s[i] < 0x80)
        ++i;
    return i;
}

std::string ConvertCodePage(std::string_view input, CodePage from, CodePage to)
{
    if (input.empty())
        return {};
    if (from == to && (from != CodePage::Utf8 || IsValidUtf8(input)))
        return std::string(input);
    const auto *s = reinterpret_cast<const unsigned char *>(input.data());
    const std::size_t n = input.size();
    Output out(n * UnitWidth(to) / UnitWidth(from) + n / 8 + 16);
    // Pages and texts: from the table, the converter only for rare four-byte characters.
    if (from == CodePage::Utf8 && to == CodePage::Ansi) {
        Utf8ToGb18030(s, n, out);
        return out.take();
    }
    if (from == CodePage::Ansi && to == CodePage::Utf8) {
        Gb18030ToUtf8(s, n, out);
        return out.take();
    }
    iconv_t cd = Descriptor(from, to);
    if (!cd)
        return {};
    // Runs of ASCII are the same characters in every code page: copied (or widened, or
    // narrowed) in bulk. Everything else goes to the converter in chunks that end where a
    // character must start, so the result is the converter's over the whole input.
    std::size_t at = 0;
    while (at < n) {
        const std::size_t run = AsciiUnits(from, s + at, n - at);
        if (run > 0) {
            CopyAscii(from, to, s + at, run, out);
            at += run;
            continue;
        }
        const std::size_t end = ChunkEnd(from, s, at, n);
        ConvertChunk(cd, from, to, s + at, end - at, out);
        at = end;
    }
    return out.take();
}

Text Utf8ToText(std::string_view utf8)
{
    // ASCII is the same in both: cells and links mostly are, and come by the thousand.
    if (AsciiPrefixLength(utf8.data(), utf8.size()) == utf8.size())
        return Text(utf8);
    return ConvertCodePage(utf8, CodePage::Utf8, CodePage::Ansi);
}

std::string TextToUtf8(std::string_view text)
{
    if (AsciiPrefixLength(text.data(), text.size()) == text.size())
        return std::string(text);
    return ConvertCodePage(text, CodePage::Ansi, CodePage::Utf8);
}

std::u16string TextToUtf16(std::string_view text)
{
    const std::string bytes = ConvertCodePage(text, CodePage::Ansi, CodePage::Utf16LE);
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

Text Utf16ToText(std::u16string_view utf16)
{
    std::string bytes(utf16.size() * 2, '\0');
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        bytes[2 * i] = static_cast<char>(utf16[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(utf16[i] >> 8);
    }
    return ConvertCodePage(bytes, CodePage::Utf16LE, CodePage::Ansi);
}

Text LocalToText(std::string_view bytes)
{
    Text out;
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // The longest run of whole characters that come back the same way.
        std::size_t end = i;
        std::size_t length = 0;
        while (end < n && (length = Utf8CharAt(s + end, n - end)) > 0)
            end += length;
        if (end > i) {
            const std::string_view run = bytes.substr(i, end - i);
            const Text converted = Utf8ToText(run);
            if (TextToUtf8(converted) == run) {
                out += converted;
                i = end;
                continue;
            }
            // Some character of the run does not survive (a few private-use ones): go one
            // character at a time.
            length = Utf8CharAt(s + i, n - i);
            const std::string_view one = bytes.substr(i, length);
            const Text character = Utf8ToText(one);
            if (TextToUtf8(character) == one) {
                out += character;
            } else {
                for (std::size_t k = 0; k < length; ++k)
                    AppendEscapedByte(out, s[i + k]);
            }
            i += length;
            continue;
        }
        AppendEscapedByte(out, s[i]);
        ++i;
    }
    return out;
}

std::string TextToLocal(std::string_view text)
{
    std::string out;
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t n = text.size();
    std::size_t segment = 0; // start of the text not yet converted
    std::size_t i = 0;
    while (i < n) {
        const std::size_t length = Gb18030SequenceLength(s + i, n - i);
        if (length == 4) {
            const unsigned v = (s[i + 2] - 0x81u) * 10 + (s[i + 3] - 0x30u);
            if (s[i] == kEscapeLead && s[i + 1] == kEscapeSecond && v < 0x80) {
                out += TextToUtf8(text.substr(segment, i - segment));
                out += static_cast<char>(0x80 + v);
                segment = i + 4;
            }
        }
        i += length;
    }
    out += TextToUtf8(text.substr(segment));
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        i += AsciiPrefixLength(bytes.data() + i, n - i);
        if (i >= n)
            break;
        char32_t c = 0;
        const std::size_t length = DecodeUtf8(bytes, i, c);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

} // namespace jiujiu
