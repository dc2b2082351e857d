#pragma once

#include <cstddef>
#include <string>

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

} // namespace jiujiu
