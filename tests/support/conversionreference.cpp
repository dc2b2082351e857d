#include "conversionreference.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <memory>

namespace jiujiu::test {
namespace {

const char *Name(CodePage page)
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

std::string AsciiRun(std::mt19937 &random)
{
    // Lengths around the widths a scanner works in, and some long ones.
    static const std::size_t kLengths[] = {1, 2, 7, 8, 15, 16, 17, 31, 32, 33, 63, 64, 65, 100};
    const std::size_t length = kLengths[random() % std::size(kLengths)];
    std::string run;
    for (std::size_t i = 0; i < length; ++i)
        run += static_cast<char>(random() % 2 ? 0x20 + random() % 0x5F : random() % 0x80);
    return run;
}

std::string GbPiece(std::mt19937 &random)
{
    std::string out;
    switch (random() % 7) {
    case 0: // two-byte code, good or bad trail
        out += static_cast<char>(0x81 + random() % 0x7E);
        out += static_cast<char>(0x30 + random() % 0xCF);
        break;
    case 1: // four-byte shape, assigned or not
        out += static_cast<char>(0x81 + random() % 0x7E);
        out += static_cast<char>(0x30 + random() % 10);
        out += static_cast<char>(0x81 + random() % 0x7E);
        out += static_cast<char>(0x30 + random() % 10);
        break;
    case 2: // real four-byte characters: U+0080 and one of plane 2
        out += random() % 2 ? "\x81\x30\x81\x30" : "\x95\x32\x82\x36";
        break;
    case 3: // common Chinese
        out += "\xD6\xD0\xCE\xC4";
        break;
    case 4: // a lead byte alone
        out += static_cast<char>(0x81 + random() % 0x7E);
        break;
    case 5: // the bytes that are never characters
        out += random() % 2 ? '\x80' : '\xFF';
        break;
    default:
        out += static_cast<char>(random() % 256);
    }
    return out;
}

std::string Utf8Piece(std::mt19937 &random)
{
    static const char *const kPieces[] = {
        "\xC3\xA9",         // two bytes
        "\xE4\xB8\xAD",     // three bytes, in GBK
        "\xEA\xB0\x80",     // Hangul, not in GBK
        "\xF0\x9F\x8E\xAC", // four bytes
        "\xE4\xB8",         // cut off
        "\x80",             // stray continuation
        "\xC0\xAF",         // overlong
        "\xED\xA0\x80",     // surrogate
        "\xF4\x90\x80\x80", // past U+10FFFF
        "\xEF\xBF\xBD",     // U+FFFD itself
        "\xEE\x80\x80",     // private use
        "\xFF",
    };
    std::string out = kPieces[random() % std::size(kPieces)];
    if (random() % 4 == 0)
        out += static_cast<char>(random() % 256);
    return out;
}

std::string Utf16Piece(std::mt19937 &random)
{
    std::string out;
    auto unit = [&out](unsigned v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>(v >> 8);
    };
    switch (random() % 5) {
    case 0:
        unit(0x4E2D); // 中
        break;
    case 1:
        unit(0xD83C); // a pair
        unit(0xDFAC);
        break;
    case 2:
        unit(0xD800 + random() % 0x800); // a lone surrogate
        break;
    case 3:
        unit(0x80 + random() % 0x80); // Latin-1 range: high byte zero, low byte not ASCII
        break;
    default:
        unit(random() % 0x10000);
    }
    if (random() % 16 == 0)
        out += static_cast<char>(random() % 256); // odd byte: puts every later unit off
    return out;
}

std::string AsciiRun16(std::mt19937 &random)
{
    std::string out;
    for (char c : AsciiRun(random)) {
        out += c;
        out += '\0';
    }
    return out;
}

} // namespace

std::string IconvReference(std::string_view input, CodePage from, CodePage to)
{
    if (input.empty())
        return {};
    iconv_t cd = iconv_open(Name(to), Name(from));
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    const std::unique_ptr<void, int (*)(iconv_t)> closer(cd, iconv_close);
    const std::size_t badStep = from == CodePage::Utf16LE ? 2 : 1;
    std::string out(input.size() * 4 + 16, '\0');
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

std::string RandomSample(std::mt19937 &random, CodePage page, std::size_t length)
{
    std::string out;
    while (out.size() < length) {
        const bool ascii = random() % 3 != 0;
        switch (page) {
        case CodePage::Ansi:
            out += ascii ? AsciiRun(random) : GbPiece(random);
            break;
        case CodePage::Utf8:
            out += ascii ? AsciiRun(random) : Utf8Piece(random);
            break;
        case CodePage::Utf16LE:
            out += ascii ? AsciiRun16(random) : Utf16Piece(random);
            break;
        }
    }
    // Cut anywhere, so sequences end truncated at the very end too.
    out.resize(length);
    return out;
}

} // namespace jiujiu::test
