#include "runtime/codepage.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

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

// One descriptor per direction and thread, reset before each use.
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
    iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
    return handle.get();
}

} // namespace

std::string ConvertCodePage(std::string_view input, CodePage from, CodePage to)
{
    if (input.empty())
        return {};
    if (from == to && (from != CodePage::Utf8 || IsValidUtf8(input)))
        return std::string(input);
    iconv_t cd = Descriptor(from, to);
    if (!cd)
        return {};

    const std::size_t badStep = from == CodePage::Utf16LE ? 2 : 1;
    std::string out;
    out.resize(input.size() * 2 + 16);
    std::size_t written = 0;
    char *in = const_cast<char *>(input.data());
    std::size_t inLeft = input.size();

    while (inLeft > 0) {
        char *outPtr = out.data() + written;
        std::size_t outLeft = out.size() - written;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        written = out.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ (invalid sequence, or a character the target lacks) or EINVAL (truncated
        // at the end): one replacement character, then go on after the bad unit.
        const std::string_view rep = Replacement(to);
        if (out.size() - written < rep.size())
            out.resize(out.size() * 2 + rep.size());
        out.replace(written, rep.size(), rep);
        written += rep.size();
        const std::size_t step = std::min(badStep, inLeft);
        in += step;
        inLeft -= step;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(written);
    return out;
}

Text Utf8ToText(std::string_view utf8)
{
    return ConvertCodePage(utf8, CodePage::Utf8, CodePage::Ansi);
}

std::string TextToUtf8(std::string_view text)
{
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

bool IsValidUtf8(std::string_view bytes)
{
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F; // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        if (s[i + 1] < lo || s[i + 1] > hi)
            return false;
        for (std::size_t k = 2; k < len; ++k)
            if (s[i + k] < 0x80 || s[i + k] > 0xBF)
                return false;
        i += len;
    }
    return true;
}

} // namespace jiujiu
