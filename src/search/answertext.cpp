#include "search/answertext.h"

#include "runtime/codepage.h"

#include <algorithm>

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

// Drops C0 and DEL bytes and the two-byte C1 characters (C2 80..C2 9F) of valid UTF-8.
void DropControls(std::string &utf8)
{
    const auto first = std::find_if(utf8.begin(), utf8.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return IsDroppedAscii(u) || u == 0xC2;
    });
    if (first == utf8.end())
        return;
    auto out = first;
    for (auto in = first; in != utf8.end(); ++in) {
        const auto u = static_cast<unsigned char>(*in);
        if (IsDroppedAscii(u))
            continue;
        if (u == 0xC2 && in + 1 != utf8.end()) {
            const auto next = static_cast<unsigned char>(in[1]);
            if (next >= 0x80 && next <= 0x9F) {
                ++in;
                continue;
            }
        }
        *out++ = *in;
    }
    utf8.erase(out, utf8.end());
}

} // namespace

std::string AnswerUtf8(std::string_view body)
{
    std::string utf8 = IsValidUtf8(body) && !MayHoldUnmappedPrivateUse(body)
                           ? std::string(body)
                           : TextToUtf8(Utf8ToText(body));
    DropControls(utf8);
    return utf8;
}

Text AnswerText(std::string_view body)
{
    return Utf8ToText(AnswerUtf8(body));
}

} // namespace jiujiu
