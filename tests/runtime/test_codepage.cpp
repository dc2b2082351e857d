#include "conversionreference.h"
#include "runtime/codepage.h"

#include <gtest/gtest.h>
#include <iterator>
#include <random>

using namespace jiujiu;

namespace {

const std::string kReplacementUtf8 = "\xEF\xBF\xBD";

} // namespace

TEST(CodePage, RoundTrips)
{
    struct Row
    {
        const char *name;
        std::string utf8;
    };
    const Row rows[] = {
        {"ascii", "hello, world"},
        {"gbk chinese", "啾啾神器 为您找到"},
        {"full-width and ideographic space", "１２　ＡＢ"},
        {"hangul outside gbk", "한국어"},
        {"emoji outside gbk", "play \xF0\x9F\x8E\xAC"},
        {"rare cjk extension b", "\xF0\xA0\x80\x80"},
        {"empty", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const Text text = Utf8ToText(row.utf8);
        EXPECT_EQ(TextToUtf8(text), row.utf8);
        const std::u16string utf16 = TextToUtf16(text);
        EXPECT_EQ(Utf16ToText(utf16), text);
        EXPECT_EQ(row.utf8.empty(), text.empty());
    }
}

TEST(CodePage, GbkBytesAreTheSame)
{
    // 中 is D6 D0 in GBK; GB18030 must give the identical bytes.
    EXPECT_EQ(Utf8ToText("中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(TextToUtf16("\xD6\xD0"), u"中");
}

TEST(CodePage, InvalidInputIsReplacedNotDropped)
{
    struct Row
    {
        const char *name;
        std::string input;
        CodePage from;
        std::string expectedUtf8;
    };
    const Row rows[] = {
        {"stray utf-8 continuation", "a\x80z", CodePage::Utf8, "a" + kReplacementUtf8 + "z"},
        {"truncated utf-8 at end", "ab\xE4\xB8", CodePage::Utf8,
         "ab" + kReplacementUtf8 + kReplacementUtf8},
        {"overlong utf-8", "\xC0\xAF!", CodePage::Utf8, kReplacementUtf8 + kReplacementUtf8 + "!"},
        {"gb18030 lead byte at end", "x\xD6", CodePage::Ansi, "x" + kReplacementUtf8},
        {"gb18030 bad trail",
         "\xD6\x7F"
         "ok",
         CodePage::Ansi, kReplacementUtf8 + "\x7Fok"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ConvertCodePage(row.input, row.from, CodePage::Utf8), row.expectedUtf8);
    }
}

TEST(CodePage, LoneSurrogateInUtf16IsReplaced)
{
    const Text text = Utf16ToText(std::u16string(u"a") + char16_t(0xD800) + u"b");
    EXPECT_EQ(TextToUtf8(text), "a" + kReplacementUtf8 + "b");
}

TEST(CodePage, Utf8Validation)
{
    EXPECT_TRUE(IsValidUtf8("abc 中文 \xF0\x9F\x8E\xAC"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));
}

TEST(CodePage, LargeInputConvertsWhole)
{
    std::string utf8;
    for (int i = 0; i < 100000; ++i)
        utf8 += "结果总数&lt;";
    const Text text = Utf8ToText(utf8);
    EXPECT_EQ(TextToUtf8(text), utf8);
}

namespace {

struct Direction
{
    const char *name;
    CodePage from;
    CodePage to;
};

const Direction kDirections[] = {
    {"utf-8 to gb18030", CodePage::Utf8, CodePage::Ansi},
    {"gb18030 to utf-8", CodePage::Ansi, CodePage::Utf8},
    {"gb18030 to utf-16", CodePage::Ansi, CodePage::Utf16LE},
    {"utf-16 to gb18030", CodePage::Utf16LE, CodePage::Ansi},
    {"utf-8 to utf-16", CodePage::Utf8, CodePage::Utf16LE},
    {"utf-16 to utf-8", CodePage::Utf16LE, CodePage::Utf8},
    {"utf-8 to utf-8", CodePage::Utf8, CodePage::Utf8},
};

} // namespace

// Bulk copies of ASCII runs must not change a single byte of what the converter gives over
// the whole input, however the runs and the bad sequences fall.
TEST(CodePage, AgreesWithThePlainConverterOnRandomInput)
{
    std::mt19937 random(20261209);
    int compared = 0;
    for (const Direction &d : kDirections) {
        SCOPED_TRACE(d.name);
        for (int i = 0; i < 1500; ++i) {
            const std::string input = test::RandomSample(random, d.from, random() % 300);
            ASSERT_EQ(ConvertCodePage(input, d.from, d.to),
                      test::IconvReference(input, d.from, d.to))
                << testing::PrintToString(input);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 1500 * static_cast<int>(std::size(kDirections)));
}

TEST(CodePage, AgreesWithThePlainConverterAtRunEdges)
{
    struct Row
    {
        const char *name;
        std::string input;
    };
    const std::string a16(16, 'a'), a31(31, 'a'), a32(32, 'a'), a33(33, 'a');
    const Row rows[] = {
        {"run of 32 then a lead byte at the end", a32 + "\xD6"},
        {"run of 31 then a code across the 32-byte edge", a31 + "\xD6\xD0" + a16},
        {"run of 33 then a cut four-byte code", a33 + "\x81\x30\x81"},
        {"four-byte code whose digits look like ASCII", "\x81\x30\x81\x30" + a32},
        {"unassigned four-byte code then a long run", "\x85\x30\x81\x30" + a32 + "\xD6\xD0"},
        {"bad two-byte code whose trail is a letter", "\xD6\x7F" + a32},
        {"lead byte before a space", "\xD6 " + a16 + "\xD0"},
        {"letters after Chinese that could be trails", "\xD6\xD0" + a16 + "\xD6\x41" + a16},
        {"utf-8 cut before a run", "\xE4\xB8" + a32},
        {"utf-8 stray continuation inside runs", a16 + "\x80" + a16 + "\xBF" + a32},
        {"only high bytes", std::string(64, '\xD6')},
        {"NUL bytes inside", std::string("a\0\xD6\xD0\0b", 6) + a33},
    };
    for (const Row &row : rows) {
        for (const Direction &d : kDirections) {
            if (d.from == CodePage::Utf16LE)
                continue;
            SCOPED_TRACE(std::string(row.name) + ", " + d.name);
            EXPECT_EQ(ConvertCodePage(row.input, d.from, d.to),
                      test::IconvReference(row.input, d.from, d.to));
        }
    }
}

TEST(CodePage, AsciiPrefixLength)
{
    std::mt19937 random(5);
    for (std::size_t length = 0; length <= 70; ++length) {
        for (std::size_t high = 0; high <= length; ++high) {
            std::string bytes(length, 'x');
            for (char &c : bytes)
                c = static_cast<char>(random() % 0x80);
            if (high < length)
                bytes[high] = static_cast<char>(0x80 + random() % 0x80);
            ASSERT_EQ(AsciiPrefixLength(bytes.data(), bytes.size()), high)
                << "length " << length << ", high byte at " << high;
        }
    }
}

TEST(CodePage, LocalBytesSurviveTheText)
{
    struct Row
    {
        const char *name;
        std::string bytes;
    };
    const Row rows[] = {
        {"plain path", "/opt/jiujiu/bin"},
        {"chinese path", "/home/用户/程序"},
        {"latin-1 directory name", "/tmp/caf\xE9"},
        {"bytes never in utf-8", "/tmp/\xFF\xFE\xC0"},
        {"cut-off character", "/tmp/\xE4\xB8"},
        {"encoded surrogate", "/tmp/\xED\xA0\x80"},
        {"private-use character", "/tmp/\xEE\x80\x80\xEF\xA3\xBF"},
        {"bytes that spell an escape", "\x85"
                                       "0\x81"
                                       "0"},
        {"empty", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const Text text = LocalToText(row.bytes);
        EXPECT_EQ(TextToLocal(text), row.bytes);
        if (IsValidUtf8(row.bytes) && TextToUtf8(Utf8ToText(row.bytes)) == row.bytes) {
            EXPECT_EQ(text, Utf8ToText(row.bytes)) << "valid names are ordinary text";
        }
    }
    // Text of the program's own, joined to such a name, comes out as its usual bytes.
    EXPECT_EQ(TextToLocal(Utf8ToText("\"") + LocalToText("/tmp/\xFF") + Utf8ToText("/更新\"")),
              "\"/tmp/\xFF/更新\"");

    std::mt19937 random(11);
    for (int i = 0; i < 2000; ++i) {
        std::string bytes(random() % 24, '\0');
        for (char &c : bytes)
            c = static_cast<char>(random() % 256);
        ASSERT_EQ(TextToLocal(LocalToText(bytes)), bytes) << testing::PrintToString(bytes);
    }
}

// Every character below U+10000, and samples of the planes above, both ways: the table
// the conversions use must hold the converter's answer for each one.
TEST(CodePage, EveryCharacterAgreesWithThePlainConverter)
{
    std::string utf8;
    auto append = [&utf8](std::uint32_t c) {
        if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | c >> 6);
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | c >> 12);
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | c >> 18);
            utf8 += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        }
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
        utf8 += ' ';
    };
    int characters = 0;
    for (std::uint32_t c = 0x80; c < 0x10000; ++c) {
        if (c < 0xD800 || c > 0xDFFF) {
            append(c);
            ++characters;
        }
    }
    for (std::uint32_t c = 0x10000; c <= 0x10FFFF; c += 0x1111) {
        append(c);
        ++characters;
    }
    ASSERT_GT(characters, 63000);
    const std::string text = test::IconvReference(utf8, CodePage::Utf8, CodePage::Ansi);
    EXPECT_TRUE(ConvertCodePage(utf8, CodePage::Utf8, CodePage::Ansi) == text);
    EXPECT_TRUE(ConvertCodePage(text, CodePage::Ansi, CodePage::Utf8) ==
                test::IconvReference(text, CodePage::Ansi, CodePage::Utf8));

    std::string codes;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x30; trail <= 0xFF; ++trail) {
            codes += static_cast<char>(lead);
            codes += static_cast<char>(trail);
            codes += ' ';
        }
    EXPECT_TRUE(ConvertCodePage(codes, CodePage::Ansi, CodePage::Utf8) ==
                test::IconvReference(codes, CodePage::Ansi, CodePage::Utf8));
}
