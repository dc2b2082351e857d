#include "net/urlencoding.h"

#include "runtime/asciictype.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"

#include <string_view>

namespace jiujiu {
namespace {

// A text ends at its first NUL.
std::string_view TextBytes(const Text &text)
{
    return std::string_view(text).substr(0, text.find('\0'));
}

} // namespace

Text UrlEncode(const Text &text, const Value &utf8)
{
    const std::string_view bytes = TextBytes(text);
    if (bytes.empty())
        return {};
    const bool toUtf8 = !utf8.isOmitted() && ToInteger(utf8) == 1;
    std::string converted;
    if (toUtf8)
        converted = TextToUtf8(bytes);
    const std::string_view source = toUtf8 && !converted.empty() ? converted : bytes;

    static constexpr char kHex[] = "0123456789ABCDEF";
    Text encoded;
    encoded.reserve(source.size() * 3);
    for (const char c : source) {
        const auto byte = static_cast<unsigned char>(c);
        encoded.push_back('%');
        encoded.push_back(kHex[byte >> 4]);
        encoded.push_back(kHex[byte & 0x0F]);
    }
    return encoded;
}

Text UrlEncodeQueryValue(const Text &text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = TextToUtf8(TextBytes(text));
    Text encoded;
    encoded.reserve(utf8.size() * 3);
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        const bool kept =
            IsAsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == ':' || c == '/';
        if (kept) {
            encoded.push_back(c);
            continue;
        }
        encoded.push_back('%');
        encoded.push_back(kHex[byte >> 4]);
        encoded.push_back(kHex[byte & 0x0F]);
    }
    return encoded;
}

Text Utf8ToAnsi(const Text &text)
{
    return Utf8ToText(TextBytes(text));
}

} // namespace jiujiu
