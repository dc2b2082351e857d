#pragma once

#include <cstddef>

namespace jiujiu {

// The length of the GB18030 sequence at s by its shape: 4 for a four-byte code (81-FE, 30-39,
// 81-FE, 30-39), 2 for a two-byte one (81-FE, then 40-7E or 80-FE), 1 for anything else (ASCII,
// a stray byte, a sequence cut by the end). Whether the code is a character is the table's
// business. Inline: the converters call it once a character.
inline std::size_t Gb18030SequenceLength(const unsigned char *s, std::size_t n)
{
    if (n < 2 || s[0] < 0x81 || s[0] == 0xFF)
        return 1;
    const unsigned char second = s[1];
    if (second >= 0x30 && second <= 0x39)
        return n >= 4 && s[2] >= 0x81 && s[2] <= 0xFE && s[3] >= 0x30 && s[3] <= 0x39 ? 4 : 1;
    return (second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE) ? 2 : 1;
}

} // namespace jiujiu
