#pragma once

#include "runtime/value.h"

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

// True when every byte sequence of the text is valid UTF-8.
bool IsValidUtf8(std::string_view bytes);

} // namespace jiujiu
