#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jiujiu {

// Writes the UTF-8 form of a code point (up to U+10FFFF) to out, which has room for four
// bytes; answers how many it wrote. Inline: the code-page loops call it once a character.
inline std::size_t EncodeUtf8(char32_t c, char *out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    std::size_t n = 0;
    if (c < 0x800) {
        out[n++] = static_cast<char>(0xC0 | c >> 6);
    } else if (c < 0x10000) {
        out[n++] = static_cast<char>(0xE0 | c >> 12);
        out[n++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    } else {
        out[n++] = static_cast<char>(0xF0 | c >> 18);
        out[n++] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out[n++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    }
    out[n++] = static_cast<char>(0x80 | (c & 0x3F));
    return n;
}

inline void AppendUtf8(std::string &out, char32_t c)
{
    char bytes[4];
    out.append(bytes, EncodeUtf8(c, bytes));
}

// Whether the byte continues a UTF-8 sequence rather than starting one.
constexpr bool IsUtf8Continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the sequence a lead byte starts, by the lead alone: 1 for ASCII and for a
// byte that starts none, which a scan then steps over.
constexpr std::size_t Utf8SequenceLength(unsigned char lead)
{
    return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// Reads the UTF-8 sequence at text[at] into c; answers its length, 0 when it is not valid
// UTF-8 (an overlong form, a surrogate, a code point past U+10FFFF, a cut sequence).
inline std::size_t DecodeUtf8(std::string_view text, std::size_t at, char32_t &c)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const auto trail = [&](std::size_t k) {
        return at + k < text.size() && IsUtf8Continuation(byte(k));
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead < 0xE0 && trail(1)) {
        c = static_cast<char32_t>((lead & 0x1F) << 6 | (byte(1) & 0x3F));
        return 2;
    }
    if (lead >= 0xE0 && lead < 0xF0 && trail(1) && trail(2)) {
        c = static_cast<char32_t>((lead & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F));
        return c >= 0x800 && (c < 0xD800 || c > 0xDFFF) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead < 0xF5 && trail(1) && trail(2) && trail(3)) {
        c = static_cast<char32_t>((lead & 0x07) << 18 | (byte(1) & 0x3F) << 12 |
                                  (byte(2) & 0x3F) << 6 | (byte(3) & 0x3F));
        return c >= 0x10000 && c <= 0x10FFFF ? 4 : 0;
    }
    return 0;
}

} // namespace jiujiu
