#pragma once

#include "runtime/value.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace jiujiu {

// The program's "ANSI code page" is GB18030: every GBK byte sequence is the same there, and
// characters outside GBK survive a round trip instead of becoming "?".
enum class CodePage
{
    Ansi, // GB18030
    Utf8,
    Utf16LE, // bytes of UTF-16, little-endian
};

// Converts between code pages. Invalid or truncated input never fails: each bad byte (or bad
// UTF-16 unit) becomes U+FFFD in the target encoding and conversion goes on after it.
std::string ConvertCodePage(std::string_view input, CodePage from, CodePage to);

Text Utf8ToText(std::string_view utf8);
std::string TextToUtf8(std::string_view text);
std::u16string TextToUtf16(std::string_view text);
Text Utf16ToText(std::u16string_view utf16);

// Local bytes (file names, program arguments: UTF-8 by convention, but any bytes) to text and
// back without loss. Bytes that are no UTF-8 ride in the text as GB18030 codes no character
// has, so they show as replacement characters and come back as themselves.
Text LocalToText(std::string_view bytes);
std::string TextToLocal(std::string_view text);

// True when every byte sequence of the text is valid UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Number of bytes below 0x80 at the start of the bytes.
std::size_t AsciiPrefixLength(const char *data, std::size_t size);

} // namespace jiujiu
