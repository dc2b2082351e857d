#include "runtime/utf8.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <memory>
#include <string>

using namespace jiujiu;

namespace {

struct IconvCloser
{
    void operator()(iconv_t cd) const { iconv_close(cd); }
};

// The system converter's UTF-8 for one code point: the reference.
std::string SystemUtf8(iconv_t cd, char32_t c)
{
    char32_t in[1] = {c};
    char out[8];
    char *inPtr = reinterpret_cast<char *>(in);
    char *outPtr = out;
    std::size_t inLeft = sizeof in;
    std::size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return {};
    return std::string(out, static_cast<std::size_t>(outPtr - out));
}

TEST(Utf8, EveryCodePointAsTheSystemConverterWritesIt)
{
    const iconv_t raw = iconv_open("UTF-8", "UTF-32LE");
    ASSERT_NE(raw, reinterpret_cast<iconv_t>(-1));
    const std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser> cd(raw);
    int compared = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue; // no characters: the converter refuses them
        const std::string want = SystemUtf8(cd.get(), c);
        ASSERT_FALSE(want.empty()) << std::hex << static_cast<unsigned>(c);
        std::string got;
        AppendUtf8(got, c);
        ASSERT_EQ(got, want) << std::hex << static_cast<unsigned>(c);
        ++compared;
    }
    EXPECT_EQ(compared, 0x110000 - 0x800);
}

} // namespace
