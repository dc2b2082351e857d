#include "results/htmlreferences.h"

#include "runtime/asciictype.h"
#include "runtime/codepage.h"
#include "runtime/utf8.h"

#include <array>
#include <cstdint>
#include <optional>

namespace jiujiu {
namespace {

// The longest reference we decode: "&#x10FFFF;" is ten bytes, "&#1114111;" also; leading
// zeros are allowed up to this length.
constexpr std::size_t MaxReferenceLength = 16;

struct NamedReference
{
    std::string_view name;
    char character;
};

constexpr std::array<NamedReference, 5> NamedReferences = {{
    {"lt", '<'},
    {"gt", '>'},
    {"amp", '&'},
    {"quot", '"'},
    {"apos", '\''},
}};

// The code point of "#123" or "#x7B" (the part between "&" and ";"), if it names a character.
std::optional<std::uint32_t> NumericReference(std::string_view body)
{
    if (body.size() < 2 || body[0] != '#')
        return std::nullopt;
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty())
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int d = hex ? AsciiHexValue(c) : (IsAsciiDigit(c) ? c - '0' : -1);
        if (d < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
        if (value > 0x10FFFF)
            return std::nullopt;
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    // Control characters are no part of a name or a link and must reach no terminal.
    const bool control = (value < 0x20 && value != '\t' && value != '\n' && value != '\r') ||
                         (value >= 0x7F && value <= 0x9F);
    if (control)
        return std::nullopt;
    return value;
}

// One level of references, in runtime text or in UTF-8: the two differ only in how a
// numeric reference's character is written.
std::string DecodeReferences(std::string_view text, bool utf8Out)
{
    // "&", "#", ";" and letters that follow an ASCII byte are never trail bytes of a GB18030
    // character (nor of UTF-8), so scanning bytes finds only real references.
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t amp = text.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, amp - i));
        const std::size_t limit = std::min(text.size(), amp + MaxReferenceLength);
        std::size_t end = amp + 1;
        while (end < limit && text[end] != ';' && text[end] != '&' &&
               static_cast<unsigned char>(text[end]) < 0x80)
            ++end;
        if (end >= limit || text[end] != ';') {
            out += '&';
            i = amp + 1;
            continue;
        }
        const std::string_view body = text.substr(amp + 1, end - amp - 1);
        bool decoded = false;
        for (const NamedReference &named : NamedReferences) {
            if (body == named.name) {
                out += named.character;
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            if (const auto cp = NumericReference(body)) {
                std::string character;
                AppendUtf8(character, *cp);
                out += *cp < 0x80 || utf8Out ? character : Utf8ToText(character);
                decoded = true;
            }
        }
        if (!decoded) {
            out += '&';
            i = amp + 1;
            continue;
        }
        i = end + 1;
    }
    return out;
}

} // namespace

Text DecodeHtmlReferences(std::string_view text)
{
    return DecodeReferences(text, false);
}

Text DecodeCapturedText(std::string_view text)
{
    if (text.find('&') == std::string_view::npos)
        return Text(text);
    return DecodeReferences(DecodeReferences(text, false), false);
}

std::string DecodeCapturedUtf8(std::string_view utf8)
{
    if (utf8.find('&') == std::string_view::npos)
        return std::string(utf8);
    return DecodeReferences(DecodeReferences(utf8, true), true);
}

} // namespace jiujiu
